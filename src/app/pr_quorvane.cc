// quorvane: the desktop window. Creates the main window and the directory
// chooser, shows the main window and runs the event loop until it closes.
#include <cstdio>
#include <exception>

#include "common/memory_policy.h"
#include "run/shell.h"
#include "setup/program_path.h"
#include "ui/fm_dir.h"
#include "ui/fm_trelvix.h"
#include "ui/handler_guard.h"
#include "ui/mount_roots.h"
#include "ui/quorvane_application.h"
#include "ui/window_deps.h"

namespace {

constexpr int kExitFailed = 1;

int PrQuorvane(int argc, char** argv) {
  using namespace quorvane;
  DesktopShell shell;
  TFmTrelvix FmTrelvix(OwnProgramPath(argc > 0 ? argv[0] : nullptr), DesktopDeps(shell));
  TFmDir FmDir(MountRoots());
  FmTrelvix.SetChooser(&FmDir);
  FmTrelvix.show();
  FmTrelvix.activateWindow();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  quorvane::SetMemoryPolicy();
  quorvane::QuorvaneApplication app(argc, argv);
  try {
    return PrQuorvane(argc, argv);
  } catch (...) {
    // Start-up or the event loop itself failed: say so, and end as failed.
    const std::string text = quorvane::ExceptionText(std::current_exception());
    std::fprintf(stderr, "quorvane: %s\n", text.c_str());
    quorvane::ShowMsgBox(nullptr, QString::fromLocal8Bit(text.c_str()));
    return kExitFailed;
  }
}
