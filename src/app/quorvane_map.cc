// quorvane-map: maps a reads file against a genome from the terminal.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "app/index_command.h"
#include "app/stop_signals.h"
#include "app/terminal_observer.h"
#include "common/memory_policy.h"
#include "writers/sam_header.h"
#include "writers/sam_sink.h"
#include "guides/guide_query.h"
#include "pairs/pair_rule.h"
#include "run/guide_run.h"
#include "run/map_run.h"
#include "run/shell.h"
#include "setup/input_checks.h"
#include "setup/program_path.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// A run stopped by a signal exits with 128 + the signal: 130 for SIGINT,
// 143 for SIGTERM.
constexpr int kExitSignal = 128;

// Ends the program as a write to a pipe whose reader went away ends it by
// default (`| head`): quietly, by SIGPIPE, which the shell shows as 141.
[[noreturn]] void EndOnClosedPipe() {
  std::fflush(stderr);
  std::signal(SIGPIPE, SIG_DFL);
  std::raise(SIGPIPE);
  _exit(128 + SIGPIPE);
}

// Writes text to out and flushes it; a closed pipe ends the program.
bool WriteOut(FILE* out, const std::string& text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0) return true;
  if (errno == EPIPE) EndOnClosedPipe();
  return false;
}

// `quorvane-map guides ...`: every site of a list of guides with its PAM.
int GuidesMain(int argc, char** argv) {
  using namespace quorvane;
  std::string genome, guides, results, sam, pam3, pam5, misText = "0", dnaText = "0", rnaText = "0", annotate;
  bool quiet = false, linear = false, scores = false;
  const unsigned hw = std::thread::hardware_concurrency();
  int threads = hw == 0 ? 1 : static_cast<int>(hw);

  CLI::App app{
      "Finds every site of every guide on both strands of a genome: a place where the PAM lies exactly (its\n"
      "IUPAC letters) beside a protospacer that differs from the guide in at most K letters. Writes one row\n"
      "per site and a summary per guide into RESULTS_DIR, the sites as SAM into FILE, or both. Sites run\n"
      "across the origin of a circular sequence, never past the end of a linear one.",
      "quorvane-map guides"};
  app.add_option("-g,--genome", genome,
                 "Genome file: FASTA (one or more sequences) or plain letters, may be gzipped; or a saved index, "
                 "whose PAM site table (quorvane-map index --pam) answers without a scan")
      ->required()
      ->type_name("GENOME");
  app.add_option("-q,--guides", guides,
                 "Guides file: FASTA, one guide a line, or a TSV of name and letters; guides of 15 to 40 IUPAC "
                 "letters; - for standard input")
      ->required()
      ->type_name("GUIDES");
  CLI::Option* p3 = app.add_option("--pam", pam3, "PAM 3' of the protospacer, in IUPAC letters (NGG, NRG, NNGRRT)")
                        ->type_name("PATTERN");
  CLI::Option* p5 =
      app.add_option("--pam-5", pam5, "PAM 5' of the protospacer, in IUPAC letters (TTTV for Cas12a)")->type_name(
          "PATTERN");
  p3->excludes(p5);
  p5->excludes(p3);
  app.add_option("-m,--mismatches", misText, "Mismatching letters allowed in the protospacer, 0 to 5")
      ->type_name("K")
      ->capture_default_str();
  app.add_option("--dna-bulge", dnaText,
                 "Genome letters with no guide partner allowed in a site's protospacer (a DNA bulge), 0 to 2")
      ->type_name("B")
      ->capture_default_str();
  app.add_option("--rna-bulge", rnaText, "Guide letters with no genome partner allowed (an RNA bulge), 0 to 2")
      ->type_name("B")
      ->capture_default_str();
  app.add_flag("--scores", scores,
               "Add each site's CFD and MIT scores and each guide's specificity (guides of 20 letters, NGG-like PAMs)");
  app.add_option("--annotate", annotate,
                 "Genes and features (GTF, GFF3 or BED, may be gzipped): add the genes and feature each site overlaps")
      ->type_name("FILE");
  app.add_option("-o,--results", results, "Existing folder that receives the sites and summary files")
      ->type_name("RESULTS_DIR");
  app.add_option("--sam", sam, "SAM file of the sites; - for standard output (the report then goes to standard error)")
      ->type_name("FILE");
  app.add_flag("--linear", linear, "The genome's sequences are linear unless their FASTA header says otherwise");
  app.add_flag("--quiet", quiet, "Print nothing but messages");
  app.add_option("-t,--threads", threads, "Threads that share the genome's sites (default: every hardware thread)")
      ->check(CLI::Range(1, 1024))
      ->type_name("N");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  CatchStopSignals();
  // The progress line counts reads; a guide search draws none.
  TerminalObserver obs(true);
  GuideOptions opt;
  Status st;
  if (pam3.empty() && pam5.empty()) st = Status::BadInput("give the PAM: --pam PATTERN (3') or --pam-5 PATTERN (5')");
  if (st.ok()) st = ParsePam(pam5.empty() ? pam3 : pam5, !pam5.empty(), opt.pam);
  if (st.ok()) st = ParseGuideMis(misText, opt.mis);
  if (st.ok()) st = ParseBulge(dnaText, "DNA", opt.dnaBulge);
  if (st.ok()) st = ParseBulge(rnaText, "RNA", opt.rnaBulge);
  if (st.ok() && results.empty() && sam.empty()) st = Status::BadInput("give -o RESULTS_DIR, --sam FILE or both");
  if (st.ok() && SamFormatOf(sam) != SamFormat::kSam) {
    st = Status::BadInput("guide sites are written as SAM text: give a .sam file, or - for standard output");
  }
  if (!st.ok()) {
    obs.OnMessage(st);
    return kExitUsage;
  }
  opt.PthGnm = genome;
  opt.linear = linear;
  opt.PthGuides = guides;
  opt.DiRes = results;
  opt.samPath = sam;
  opt.scores = scores;
  opt.PthAnnotation = annotate;
  // argv begins at the subcommand; the program's name stands before it.
  const char* const* whole = argv - 1;
  opt.commandLine = CommandLineText(argc + 1, whole);
  opt.ProcNm = OwnProgramPath(whole[0]).ProcNm;
  opt.threads = threads;
  const RunSummary r = RunGuides(opt, obs);
  obs.EndProgress();
  if (r.status.code() == Status::Code::kPipeClosed) EndOnClosedPipe();
  if (r.outcome == RunOutcome::kInterrupted) return kExitSignal + StopSignal();
  FILE* reportTo = sam == kStdoutPath ? stderr : stdout;
  if (!quiet && !r.report.empty() && !WriteOut(reportTo, r.report + "\nseconds = " + r.seconds + "\n")) {
    obs.OnMessage(Status::IoError(reportTo == stdout ? "can't write standard output" : "can't write standard error"));
    return kExitFailed;
  }
  return r.outcome == RunOutcome::kDone ? kExitOk : kExitFailed;
}

int Main(int argc, char** argv) {
  using namespace quorvane;
  if (argc > 1 && std::string(argv[1]) == "guides") return GuidesMain(argc - 1, argv + 1);
  std::string genome, reads, mates1, mates2, results, sam, misText = "0", engineName = "fast";
  std::string minText = std::to_string(kDefaultMinFrag), maxText = std::to_string(kDefaultMaxFrag);
  bool showMis = false, open = false, quiet = false, linear = false, noUnal = false, uncompressed = false;
  bool fr = false, rf = false, ff = false;
  const unsigned hw = std::thread::hardware_concurrency();
  int threads = hw == 0 ? 1 : static_cast<int>(hw);

  CLI::App app{
      "Finds, for every read of a reads file, each place in a genome where the read lies on either\n"
      "strand with at most MISNU mismatching letters, and writes the result files (found and\n"
      "not-found reads, one line per hit, a run log) into RESULTS_DIR, the hits as SAM or BAM into\n"
      "FILE, or both. Genomes may be plain or FASTA (one or more sequences, circular unless --linear\n"
      "or their header says otherwise), reads plain (one per line), FASTA or FASTQ; either may be\n"
      "gzip- or BGZF-compressed. With -1 and -2 instead of -r it maps read pairs: every concordant\n"
      "placement of both mates of each pair (see --fr, -I, -X).",
      "quorvane-map"};
  app.set_version_flag("--version", std::string("quorvane-map ") + QUORVANE_VERSION);
  app.footer("Saved index of a genome: quorvane-map index --help\nGuide and off-target search: quorvane-map guides --help\n");
  app.add_option("-g,--genome", genome,
                 "Genome file: FASTA, or one plain run of the letters A, C, G, T with no header and no line break")
      ->required()
      ->type_name("GENOME");
  CLI::Option* readsOpt =
      app.add_option("-r,--reads", reads,
                     "Reads file: FASTQ, FASTA or one read per line, reads of 12 to 1024 letters; - for standard input")
          ->type_name("READS");
  CLI::Option* m1 = app.add_option("-1,--mates1", mates1,
                                   "Read pairs: the file of mates 1 (any format -r takes); with -2, instead of -r")
                        ->type_name("R1");
  CLI::Option* m2 =
      app.add_option("-2,--mates2", mates2, "Read pairs: the file of mates 2, in the order of their mates 1")
          ->type_name("R2");
  m1->needs(m2);
  m2->needs(m1);
  readsOpt->excludes(m1);
  readsOpt->excludes(m2);
  app.add_option("-I,--minins", minText, "Read pairs: shortest fragment (MIN), in letters")
      ->type_name("MIN")
      ->capture_default_str()
      ->needs(m1);
  app.add_option("-X,--maxins", maxText, "Read pairs: longest fragment (MAX), in letters")
      ->type_name("MAX")
      ->capture_default_str()
      ->needs(m1);
  CLI::Option* frOpt = app.add_flag(
      "--fr", fr, "Read pairs: one mate on the direct strand begins the fragment, the other ends it on the "
                  "complementary strand (the default)");
  CLI::Option* rfOpt = app.add_flag(
      "--rf", rf, "Read pairs: the mate that begins the fragment lies on the complementary strand, the other on "
                  "the direct one");
  CLI::Option* ffOpt = app.add_flag(
      "--ff", ff, "Read pairs: mate 1 then mate 2 on the direct strand, or mate 2 then mate 1 on the complementary "
                  "one");
  for (CLI::Option* o : {frOpt, rfOpt, ffOpt}) o->needs(m1);
  frOpt->excludes(rfOpt)->excludes(ffOpt);
  rfOpt->excludes(ffOpt);
  app.add_option("-o,--results", results, "Existing folder that receives the result files")
      ->type_name("RESULTS_DIR");
  CLI::Option* samOpt =
      app.add_option("--sam", sam,
                     "SAM file of the hits; BAM when FILE ends in .bam; - for SAM on standard output (the run "
                     "report then goes to standard error)")
          ->type_name("FILE");
  app.add_flag("--no-unal", noUnal, "Leave the reads without hits, and those not searched, out of the SAM file")
      ->needs(samOpt);
  app.add_flag("-u,--uncompressed", uncompressed,
               "Write the SAM records as uncompressed BAM, for a pipe into samtools: with --sam - or a .bam FILE")
      ->needs(samOpt);
  app.add_option("-m,--mismatches", misText, "Mismatching letters allowed per hit, 0 to 3")
      ->type_name("MISNU")
      ->capture_default_str();
  app.add_flag("--linear", linear, "The genome's sequences are linear unless their FASTA header says otherwise");
  app.add_flag("--show-mismatches", showMis, "Add a column with each hit's read, its mismatches in lower case")
      ->excludes(m1);
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

  CatchStopSignals();
  TerminalObserver obs(quiet);
  MapOptions opt;
  Status st = ParseMisNu(misText, opt.misNu);
  if (st.ok() && results.empty() && sam.empty()) st = Status::BadInput("give -o RESULTS_DIR, --sam FILE or both");
  if (st.ok() && SamFormatOf(sam) == SamFormat::kCram) {
    st = Status::BadInput("CRAM is not written: give a .bam file, and convert it with samtools view -C -T GENOME.fa");
  }
  if (st.ok() && uncompressed && sam != kStdoutPath && SamFormatOf(sam) != SamFormat::kBam) {
    st = Status::BadInput("-u writes BAM: give --sam - or a FILE ending in .bam");
  }
  const bool pairs = !mates1.empty();
  if (st.ok() && !pairs && readsOpt->count() == 0) st = Status::BadInput("give the reads: -r READS, or -1 R1 -2 R2");
  if (st.ok() && pairs) st = ParseFragmentLimits(minText, maxText, opt.pairRule);
  if (st.ok() && pairs && mates1 == mates2) st = Status::BadInput("-1 and -2 name one file");
  if (st.ok() && pairs) {
    opt.pairRule.orientation = rf ? Orientation::kRf : ff ? Orientation::kFf : Orientation::kFr;
    reads = mates1;
  }
  if (!st.ok()) {
    obs.OnMessage(st);
    return kExitUsage;
  }

  AcceptedInputs in;
  CheckOptions check;
  check.countGenome = false;  // the run reads the genome once; nothing shows its letters here
  check.resultsDir = !results.empty();
  if (!CheckInputs(InputPaths{genome, reads, results, mates2}, in, obs, check)) return kExitFailed;
  if (!sam.empty()) {
    st = CheckOutputFile(sam, in);
    if (!st.ok()) {
      obs.OnMessage(st);
      return kExitFailed;
    }
  }

  opt.PthGnm = in.PthGnm;
  opt.gnmLen = in.gnmLen;
  opt.linear = linear;
  opt.PthRds = in.PthRds;
  opt.PthRds2 = in.PthRds2;
  opt.DiRes = in.DiRes;
  opt.samPath = sam;
  opt.samUnaligned = !noUnal;
  opt.samUncompressed = uncompressed;
  opt.commandLine = CommandLineText(argc, argv);
  opt.showRdsMis = showMis;
  opt.ProcNm = OwnProgramPath(argv[0]).ProcNm;
  opt.engine = engineName == "reference" ? EngineKind::kReference : EngineKind::kFast;
  opt.threads = threads;
  DesktopShell desktop;
  if (open) opt.shell = &desktop;

  const RunSummary r = RunMapping(opt, obs);
  obs.EndProgress();
  if (r.status.code() == Status::Code::kPipeClosed) EndOnClosedPipe();
  if (r.outcome == RunOutcome::kInterrupted) return kExitSignal + StopSignal();
  // Standard output may carry the SAM records: then the report goes beside
  // the messages.
  FILE* reportTo = sam == kStdoutPath ? stderr : stdout;
  // A run that failed at its end (a close, a rename) claims no report.
  if (!quiet && r.outcome == RunOutcome::kDone && !r.report.empty() &&
      !WriteOut(reportTo, r.report + "\nseconds = " + r.seconds + "\n")) {
    obs.OnMessage(Status::IoError(reportTo == stdout ? "can't write standard output" : "can't write standard error"));
    return kExitFailed;
  }
  return r.outcome == RunOutcome::kDone ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  quorvane::SetMemoryPolicy();
  // A closed pipe shows as a failed write, so that the run can end in
  // order (its SAM file removed, its result files closed) before the
  // program ends as SIGPIPE would have ended it.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    // `quorvane-map index ...` makes a saved index; every other form maps.
    const int rc = argc > 1 && std::string(argv[1]) == "index" ? quorvane::IndexMain(argc - 1, argv + 1)
                                                               : Main(argc, argv);
    // The report may still sit in the stream's buffer: a failed close is a
    // failed run.
    errno = 0;
    const bool closed = std::fclose(stdout) == 0;
    if (!closed && errno == EPIPE) EndOnClosedPipe();
    if (!closed && rc == kExitOk) {
      std::fprintf(stderr, "can't write standard output\n");
      return kExitFailed;
    }
    return rc;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-map: %s\n", e.what());
    return kExitFailed;
  }
}
