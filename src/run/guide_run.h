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
  int dnaBulge = 0;         // DNA-bulged letters allowed, 0..kMaxBulge
  int rnaBulge = 0;         // RNA-bulged letters allowed, 0..kMaxBulge
  bool scores = false;      // the CFD and MIT scores in the sites file, the specificity in the summary
  std::string PthAnnotation;  // genes and features (GTF, GFF3 or BED) for the sites file; empty for none
  size_t sortBudget = 0;    // bytes of sites held in memory before a sorted run goes to disk; 0: the default
  std::string DiRes;        // the folder that receives the sites and summary files; empty for none
  std::string samPath;      // the SAM file of the sites; "-" for standard output; empty for none
  std::string commandLine;  // the command as given, for the SAM header
  std::string ProcNm;       // the program's own name, for the report and the SAM header
  int threads = 1;          // threads that share the genome's sites
  Env* env = nullptr;       // the file system; null for the real one
};

// The names of a guide run's files: DiRes + "/" + stem of the guides file
// + "_" + stem of the genome file + "_" + PAM ("5" before it for a 5' PAM)
// + "_m" + mis (+ "_d" + dnaBulge + "_r" + rnaBulge when either is
// allowed), then "GuideSites.tsv" or "GuideSummary.tsv".
struct GuidePaths {
  explicit GuidePaths(const GuideOptions& o);
  std::string name;  // the stem without its folder
  std::string stem, sites, summary;
};

// Performs one whole guide search: reads the guides and the annotation,
// then the genome, finds every site of every guide (see SearchGuides), and
// writes the sites file, the summary file and, when asked, the SAM file.
// The sites, however many, are put in order through sorted runs on disk
// beside the results (see SiteSorter), removed however the run ends.
// Every file is written under a temporary name and takes its final name
// only once all are whole; a run that fails or is stopped leaves the files
// of an earlier run as they were. Every failure reaches obs as a message;
// the report (guides, PAM sites scanned, sites per mismatch count) is in
// the summary, and the last progress text is the number of sites.
// obs.StopRequested is polled from the search's threads.
RunSummary RunGuides(const GuideOptions& options, RunObserver& obs);

}  // namespace quorvane

#endif  // QUORVANE_RUN_GUIDE_RUN_H_
