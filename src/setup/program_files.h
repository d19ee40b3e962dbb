// Where the window's own files live: the folder of its three settings
// files, and its help text.
#ifndef QUORVANE_SETUP_PROGRAM_FILES_H_
#define QUORVANE_SETUP_PROGRAM_FILES_H_

#include <string>

namespace quorvane {

inline constexpr const char* kHelpText = "Help_Quorvane.txt";

// The folder that holds the three settings files, ending with "/".
//
// PthExe (the program's folder with its "/"; "" stands for the current
// folder) when it exists and the user may create files in it, as for a
// program in its build folder or in a folder of its own. Otherwise the
// folder "quorvane/" in the user's configuration folder, which is
// xdgConfigHome when that is an absolute path and home + "/.config/"
// otherwise (a null, empty or relative xdgConfigHome is ignored, as the XDG
// base directory rules say); it is created with its missing parents, mode
// 0700, when it is missing. When it cannot be created it is returned all
// the same, so that saving a setting later reports "can't open" with the
// path it tried. With neither a usable xdgConfigHome nor a home, PthExe.
// Shows nothing.
std::string SettingsFolder(const std::string& PthExe, const char* xdgConfigHome, const char* home);

// SettingsFolder for the running user: XDG_CONFIG_HOME and HOME from the
// environment, the home folder of the user database when HOME is unset or empty.
std::string SettingsFolder(const std::string& PthExe);

// The help text "?" opens: PthExe + "Help_Quorvane.txt" when that file
// exists (the build folder, or a copy beside the program); else the
// installed one, share/quorvane/Help_Quorvane.txt under the parent of the
// program's folder (/usr/share/quorvane/ for a program in /usr/bin/);
// "" when neither exists.
std::string HelpTextPath(const std::string& PthExe);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_PROGRAM_FILES_H_
