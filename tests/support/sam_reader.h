// Reading a SAM or BAM file back through htslib, for the tests.
#ifndef QUORVANE_TESTS_SAM_READER_H_
#define QUORVANE_TESTS_SAM_READER_H_

#include <map>
#include <string>
#include <vector>

namespace quorvane::test {

// One record as htslib reads it, its fields as SAM text.
struct SamRec {
  std::string qname;
  int flag = 0;
  std::string rname;
  long long pos = 0;  // 1-based; 0 for none
  int mapq = 0;
  std::string cigar, seq, qual;
  std::map<std::string, std::string> tags;  // "NM" -> "1", "MD" -> "11T0"
  std::string line;                         // the whole SAM line
};

struct SamContent {
  std::string header;  // the header text, as htslib gives it
  std::vector<SamRec> recs;
};

// Reads the SAM or BAM file at path; throws when htslib cannot read it
// through to its end.
SamContent ReadSam(const std::string& path);

// The records' SAM lines, one per line.
std::string SamLines(const SamContent& c);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_SAM_READER_H_
