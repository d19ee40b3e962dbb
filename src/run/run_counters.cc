#include "run/run_counters.h"

#include "engine/read_codes.h"

namespace quorvane {

std::string RunReport(const RunCounters& c, const std::string& ProcNm, int32_t misNu) {
  auto n = [](int64_t v) { return std::to_string(v); };
  return "program = " + ProcNm + "\nmis = " + n(misNu) + "\ninput reads= " + n(c.linesRead) +
         "\ninput short and big reads out of lengthes [" + n(kMinRdLen) + "," + n(kMaxRdLen) + "]," +
         " = " + n(c.shortBig) + "\naccepted reads= " + n(c.accepted) + "\nreads in= " + n(c.readsIn()) +
         "\nreads out= " + n(c.notFound()) + "\nmapped pos in genome= " + n(c.hits) +
         "\nmapped posUp = " + n(c.upHits) + "\nmapped posLw = " + n(c.lwHits());
}

std::string PairReport(const PairCounters& c, const std::string& ProcNm, int32_t misNu, const PairRule& rule) {
  auto n = [](int64_t v) { return std::to_string(v); };
  return "program = " + ProcNm + "\nmis = " + n(misNu) + "\nfragment = " + OrientationName(rule.orientation) + " " +
         n(rule.minFrag) + ".." + n(rule.maxFrag) + "\ninput pairs= " + n(c.pairsRead) +
         "\ninput pairs with a short or big mate out of lengthes [" + n(kMinRdLen) + "," + n(kMaxRdLen) +
         "], = " + n(c.shortBig) + "\naccepted pairs= " + n(c.accepted) + "\npairs in= " + n(c.found) +
         "\npairs out= " + n(c.notFound()) + "\nconcordant placements= " + n(c.placements) +
         "\nmate1 hits= " + n(c.mateHits[0]) + "\nmate2 hits= " + n(c.mateHits[1]);
}

}  // namespace quorvane
