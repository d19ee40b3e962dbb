// Everything one mapping run is told: its inputs, its settings, where its
// files go and which services it uses.
#ifndef QUORVANE_RUN_MAP_OPTIONS_H_
#define QUORVANE_RUN_MAP_OPTIONS_H_

#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "pairs/pair_rule.h"
#include "env/env.h"
#include "run/shell.h"
#include "saved_index/index_reader.h"

namespace quorvane {

struct MapOptions {
  std::string PthGnm;       // the genome file, as the input check accepted it
  int64_t gnmLen = -1;      // its size as the input check measured it: a plain genome in a regular file is
                            // read to exactly this length; -1 reads to the end
  bool linear = false;      // a genome's sequences are linear unless their headers say otherwise
  std::string PthRds;       // the reads file (of a pair run: the mates 1); "-" for standard input
  std::string PthRds2;      // a pair run's mates 2, the pair run's mark; "-" for standard input; empty for single reads
  PairRule pairRule;        // a pair run's orientation and fragment limits
  std::string DiRes;        // the results folder, which receives the five result files; empty for none
  std::string samPath;      // the SAM file (BAM for a name ending in .bam); "-" for standard output; empty for none
  bool samUnaligned = true; // the SAM file holds a record for every read (pair) without hits or not searched
  bool samUncompressed = false;  // the SAM file is BAM with its blocks stored, not compressed, for a pipe
  std::string commandLine;  // the command as given, for the SAM file's header
  int32_t misNu = 0;        // mismatching letters allowed per hit, 0..3
  bool showRdsMis = false;  // write each hit's read with its mismatching letters in lower case
  std::string ProcNm;       // the program's own file name, for the run report
  EngineKind engine = EngineKind::kFast;  // which search runs the reads
  int threads = 1;          // threads that load, index and search, 1 or more
  // When a saved index's blocks are verified: by its size, or (for tests)
  // all at opening or as the search touches them.
  IndexOpenOptions::Verify indexVerify = IndexOpenOptions::Verify::kBySize;
  Shell* shell = nullptr;   // opens the results at the end; null opens nothing
  Env* env = nullptr;       // the file system; null for the real one
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_MAP_OPTIONS_H_
