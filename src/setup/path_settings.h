// The remembered paths: small files in the folder that
// SettingsFolder (setup/program_files.h) names.
#ifndef QUORVANE_SETUP_PATH_SETTINGS_H_
#define QUORVANE_SETUP_PATH_SETTINGS_H_

#include <string>

namespace quorvane {

inline constexpr const char* kPthRdsSetting = "PthRds-DravenokOut.txt";
inline constexpr const char* kPthGnmSetting = "PthGnm-DravenokOut.txt";
inline constexpr const char* kDiResSetting = "DiRes-DravenokOut.txt";
// The mates 2 box of the window's pairs mode.
inline constexpr const char* kPthRds2Setting = "PthRds2-DravenokOut.txt";
// The annotation file of the guides mode.
inline constexpr const char* kPthAnnSetting = "PthAnn-DravenokOut.txt";

// The content of the settings file at path: its first line with its line
// feed, at most 998 bytes. "" for a missing or unreadable file, or
// anything but a regular file, quietly and without waiting.
std::string ReadSetting(const std::string& path);

// Replaces the content of the settings file at path by text, byte for
// byte, with nothing added. Shows "can't open " + path when the file
// cannot be opened or is not a regular file (then it keeps its old
// content), "can't write " + path when a write or the close fails, and
// returns false.
bool WriteSetting(const std::string& path, const std::string& text);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_PATH_SETTINGS_H_
