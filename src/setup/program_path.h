// The program's own folder and file name.
#ifndef QUORVANE_SETUP_PROGRAM_PATH_H_
#define QUORVANE_SETUP_PROGRAM_PATH_H_

#include <string>

namespace quorvane {

struct ProgramPath {
  std::string PthExe;  // the folder of the running executable, ending with "/"
  std::string ProcNm;  // the executable's file name
};

// The running executable's folder and name (from /proc/self/exe; argv0
// serves where that cannot be read).
ProgramPath OwnProgramPath(const char* argv0);

// Splits path at its last "/" into folder (with the "/") and file name.
ProgramPath SplitProgramPath(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_PROGRAM_PATH_H_
