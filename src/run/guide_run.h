// The one entry to a guide search run, for every front end.
#ifndef QUORVANE_RUN_GUIDE_RUN_H_
#define QUORVANE_RUN_GUIDE_RUN_H_

#include <string>

#include "guides/guide_query.h"
#include "env/env.h"
#include "run/map_run.h"
#include "run/run_observer.h"

namespace quorvane {

struct GuideOptions {
  std::string PthGnm;       // the genome file
  bool linear = false;      // its sequences are linear unless their headers say otherwise
  std::string PthGuides;    // the guides file (see ReadGuides); "-" for standard input
  Pam pam;                  // checked by ParsePam
  int mis = 0;              // mismatches allowed in the protospacer, 0..kMaxGuideMis
  std::string DiRes;        // the folder that receives the sites and summary files; empty for none
  std::string samPath;      // the SAM file of the sites; "-" for standard output; empty for none
  std::string commandLine;  // the command as given, for the SAM header
  std::string ProcNm;       // the program's own name, for the report and the SAM header
  int threads = 1;          // threads that share the genome's sites
  Env* env = nullptr;       // the file system; null for the real one
};

// The names of a guide run's files: DiRes + "/" + stem of the guides file
// + "_" + stem of the genome file + "_" + PAM ("5" before it for a 5' PAM)
// + "_m" + mis, then "GuideSites.tsv" or "GuideSummary.tsv".
struct GuidePaths {
  explicit GuidePaths(const GuideOptions& o);
  std::string stem, sites, summary;
};

// Performs one whole guide search: reads the guides, then the genome,
// finds every site of every guide (see SearchGuides), and writes the sites
// file, the summary file and, when asked, the SAM file. Every file is
// written under a temporary name and takes its final name only once all
// are whole; a run that fails or is stopped leaves the files of an
// earlier run as they were. Every failure reaches obs as a message; the
// report (guides, PAM sites scanned, sites per mismatch count) is in the
// summary. obs.StopRequested is polled from the search's threads.
RunSummary RunGuides(const GuideOptions& options, RunObserver& obs);

}  // namespace quorvane

#endif  // QUORVANE_RUN_GUIDE_RUN_H_
