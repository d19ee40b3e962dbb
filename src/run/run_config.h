// What one mapping run reads: its inputs, its settings and its engine.
#ifndef QUORVANE_RUN_RUN_CONFIG_H_
#define QUORVANE_RUN_RUN_CONFIG_H_

#include <cstdint>
#include <string>

#include "engine/engine.h"

namespace quorvane {

struct RunConfig {
  std::string PthGnm;       // genome file, as the last input check took it over
  std::string PthRds;       // reads file
  std::string DiRes;        // results directory; every result file goes in it
  int32_t misNu = 0;        // mismatch limit, 0..3
  bool showRdsMis = false;  // write each hit's read with its mismatches lower-cased
  std::string ProcNm;       // the program's own file name, for the run report
  int32_t gnmLen = 0;       // genome file size measured by the input check
  EngineKind engine = EngineKind::kFast;  // which search runs the reads
  int threads = 1;          // workers searching reads at once, 1 or more
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_CONFIG_H_
