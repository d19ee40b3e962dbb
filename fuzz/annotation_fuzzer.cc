// The annotation reader (GTF, GFF3, BED, compressed or not, read in pieces
// of any size) on any bytes, and the lookups of what a site overlaps: no
// crash, a message with every refusal, and lookups that name what they
// find.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "mem_env.h"
#include "readers/annotation_file.h"

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: bits 0-1 the read size, bits 2-3 both set gzip the rest.
  const unsigned mode = data[0];
  std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((mode & 12) == 12) content = fuzz::Gzip(content, 1);
  fuzz::MemEnv env("a.gtf", content, fuzz::PieceSize(mode), true);
  Annotation ann;
  const Status st = ReadAnnotation(env, "a.gtf", ann);
  if (!st.ok()) {
    FUZZ_CHECK(!st.message().empty(), "a refusal without a message");
    return 0;
  }
  // Sites over the first sequences' first letters, across an origin too.
  for (const char* seq : {"chr1", "1", "a", "c"}) {
    for (int64_t start : {int64_t{0}, int64_t{5}, int64_t{90}, int64_t{995}}) {
      std::string genes, feature;
      ann.Describe(seq, start, 23, 1000, genes, feature);
      FUZZ_CHECK(!genes.empty() && !feature.empty(), "an empty lookup");
      FUZZ_CHECK((genes == "-") == (feature == "intergenic"), "genes %s with feature %s", genes.c_str(),
                 feature.c_str());
    }
  }
  return 0;
}
