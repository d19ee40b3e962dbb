#include "app/index_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/stop_signals.h"
#include "common/number_text.h"
#include "run/index_run.h"
#include "saved_index/index_check.h"

namespace quorvane {

namespace {

// `quorvane-map index --verify NAME`: every section of the index against
// its checksums; what was found on standard output, the damage as the
// message a run would give.
int VerifyMain(const std::string& name, int threads, bool quiet) {
  IndexCheckReport report;
  const Status st = CheckSavedIndex(name, threads, report);
  if (!quiet) {
    std::string text = "saved index " + name + "\n";
    for (const std::string& line : report.lines) text += "  " + line + "\n";
    if (st.ok()) text += "saved index is whole\n";
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "can't write standard output\n");
      return 1;
    }
  }
  if (!st.ok()) {
    std::fprintf(stderr, "%s\n", st.message().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int IndexMain(int argc, char** argv) {
  std::string genome, output, verify;
  std::vector<std::string> pams3, pams5;
  int maxGuide = kDefaultTableGuide;
  bool linear = false, quiet = false;
  const unsigned hw = std::thread::hardware_concurrency();
  int threads = hw == 0 ? 1 : static_cast<int>(hw);
  CLI::App app{
      "Makes a saved index of GENOME (FASTA or plain, gzip- or BGZF-compressed or not) and writes it\n"
      "to NAME. Give NAME to -g of quorvane-map instead of the genome: the run maps the index at\n"
      "once instead of building it, and writes the same files. With --pam (or --pam-5) it also keeps the\n"
      "genome's sites of that PAM, so that a guide run from it (quorvane-map guides -g NAME) looks its\n"
      "guides up instead of scanning the genome. With --verify NAME it checks a saved index whole\n"
      "instead: every section against its checksums.",
      "quorvane-map index"};
  app.add_option("GENOME", genome, "Genome file, as -g of a mapping run takes it");
  app.add_option("-o,--output", output, "The saved index to write; replaced when it is whole")->type_name("NAME");
  app.add_option("--verify", verify,
                 "Check the saved index NAME whole and say what was found; exit status 1 when it is damaged")
      ->type_name("NAME");
  app.add_option("--pam", pams3,
                 "Keep a table of the sites of this PAM, 3' of the protospacer (NGG); may be given again")
      ->type_name("PAM");
  app.add_option("--pam-5", pams5, "Keep a table of the sites of this PAM, 5' of the protospacer (TTTV)")
      ->type_name("PAM");
  app.add_option("--max-guide", maxGuide,
                 "The longest guide the site tables serve (20 to 40; default 24); a longer one is searched by a scan")
      ->type_name("N");
  app.add_flag("--linear", linear, "The genome's sequences are linear unless their FASTA header says otherwise");
  app.add_option("-t,--threads", threads, "Threads that index (default: every hardware thread)")
      ->check(CLI::Range(1, 1024))
      ->type_name("N");
  app.add_flag("-q,--quiet", quiet, "Print nothing but messages");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }

  if (!verify.empty()) {
    if (!genome.empty() || !output.empty()) {
      std::fprintf(stderr, "--verify takes the saved index alone: give no GENOME nor -o\n");
      return 2;
    }
    return VerifyMain(verify, threads, quiet);
  }
  if (genome.empty() || output.empty()) {
    std::fprintf(stderr, "%s is required\nRun with --help for more information.\n",
                 genome.empty() ? "GENOME" : "--output");
    return 2;
  }

  CatchStopSignals();
  // The stage and the share written, on one line that a terminal redraws.
  const bool live = !quiet && isatty(STDERR_FILENO) != 0;
  std::string shown;
  IndexOptions o;
  o.genome = genome;
  o.output = output;
  o.linear = linear;
  o.threads = threads;
  o.maxGuide = maxGuide;
  for (int five = 0; five < 2; ++five) {
    for (const std::string& text : five == 1 ? pams5 : pams3) {
      Pam pam;
      const Status parsed = ParsePam(text, five == 1, pam);
      if (!parsed.ok()) {
        std::fprintf(stderr, "%s\n", parsed.message().c_str());
        return 2;
      }
      o.pams.push_back(pam);
    }
  }
  o.stop = [] { return StopSignal() != 0; };
  if (live) {
    o.progress = [&](const std::string& stage, double done) {
      const std::string line = stage == "writing" ? stage + " " + std::to_string(static_cast<int>(done * 100)) + "%"
                                                  : stage;
      if (line == shown) return;
      shown = line;
      std::fprintf(stderr, "\r\033[K%s", line.c_str());
      std::fflush(stderr);
    };
  }
  IndexSummary sum;
  const Status st = MakeSavedIndex(o, sum);
  if (live && !shown.empty()) std::fprintf(stderr, "\r\033[K");
  if (st.code() == Status::Code::kInterrupted) return 128 + StopSignal();
  if (!st.ok()) {
    std::fprintf(stderr, "%s\n", st.message().c_str());
    return 1;
  }
  if (!quiet) {
    std::printf("saved index %s: %s letters in %lld sequence%s, %s bytes\n", output.c_str(),
                GroupedNumberText(sum.letters).c_str(), static_cast<long long>(sum.sequences),
                sum.sequences == 1 ? "" : "s", GroupedNumberText(sum.bytes).c_str());
    for (const IndexSummary::Table& t : sum.tables) {
      std::printf("  site table %s%s: %s sites, guides up to %d letters, %s bytes\n", t.pam.letters.c_str(),
                  t.pam.fivePrime ? " (5')" : " (3')", GroupedNumberText(t.sites).c_str(), t.maxGuide,
                  GroupedNumberText(t.bytes).c_str());
    }
  }
  return 0;
}

}  // namespace quorvane
