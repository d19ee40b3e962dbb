// quorvane-map: maps a reads file against a genome from the terminal.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "app/terminal_view.h"
#include "common/show_msg.h"
#include "run/run_driver.h"
#include "run/shell.h"
#include "setup/input_checks.h"
#include "setup/program_path.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Main(int argc, char** argv) {
  using namespace quorvane;
  std::string genome, reads, results, misText = "0", engineName = "fast";
  bool showMis = false, open = false, quiet = false;
  const unsigned hw = std::thread::hardware_concurrency();
  int threads = hw == 0 ? 1 : static_cast<int>(hw);

  CLI::App app{
      "Finds, for every read of a reads file, each place in a circular genome where the read lies\n"
      "on either strand with at most MISNU mismatching letters, and writes the result files\n"
      "(found and not-found reads, one line per hit, a run log) into RESULTS_DIR.",
      "quorvane-map"};
  app.set_version_flag("--version", std::string("quorvane-map ") + QUORVANE_VERSION);
  app.add_option("-g,--genome", genome, "Genome file: one run of the letters A, C, G, T, no header, no line break")
      ->required()
      ->type_name("GENOME");
  app.add_option("-r,--reads", reads, "Reads file: one read of 12 to 1024 letters per line")
      ->required()
      ->type_name("READS");
  app.add_option("-o,--results", results, "Existing folder that receives the result files")
      ->required()
      ->type_name("RESULTS_DIR");
  app.add_option("-m,--mismatches", misText, "Mismatching letters allowed per hit, 0 to 3")
      ->type_name("MISNU")
      ->capture_default_str();
  app.add_flag("--show-mismatches", showMis, "Add a column with each hit's read, its mismatches in lower case");
  app.add_flag("--open", open, "Open the run log and the position file with their default applications");
  app.add_flag("-q,--quiet", quiet, "Print nothing but messages");
  app.add_option("-t,--threads", threads, "Reads searched at once (default: every hardware thread)")
      ->check(CLI::Range(1, 1024))
      ->type_name("N");
  app.add_option("--engine", engineName, "Search engine: fast, or reference (the plain chain walk)")
      ->check(CLI::IsMember({"fast", "reference"}))
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  TerminalView view(quiet);
  ScopedMsgSink sink([&view](const std::string& text) { view.Message(text); });

  RunConfig cfg;
  if (!ParseMisNu(misText, cfg.misNu)) return kExitUsage;

  InputBoxes boxes;
  boxes.gnm = genome;
  boxes.rds = reads;
  boxes.diRes = results;
  AcceptedInputs in;
  if (!CheckInputs(boxes, in)) return kExitFailed;

  cfg.PthGnm = in.PthGnm;
  cfg.PthRds = in.PthRds;
  cfg.DiRes = in.DiRes;
  cfg.gnmLen = in.gnmLen;
  cfg.showRdsMis = showMis;
  cfg.ProcNm = OwnProgramPath(argv[0]).ProcNm;
  cfg.engine = engineName == "reference" ? EngineKind::kReference : EngineKind::kFast;
  cfg.threads = threads;

  DesktopShell desktop;
  NullShell none;
  Shell& shell = open ? static_cast<Shell&>(desktop) : static_cast<Shell&>(none);
  const RunResult r = BtnGoPosClick(cfg, view, shell);
  view.EndProgress();
  if (!quiet && !r.report.empty()) {
    std::cout << r.report << "\nseconds = " << r.seconds << std::endl;
  }
  return r.status == RunStatus::kDone ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-map: %s\n", e.what());
    return kExitFailed;
  }
}
