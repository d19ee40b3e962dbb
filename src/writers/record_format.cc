#include "writers/record_format.h"

#include "common/number_text.h"
#include "engine/read_codes.h"
#include "writers/read_mis.h"

namespace quorvane {

RecordFormatter::RecordFormatter(int32_t misNu, bool showRdsMis, const GenomeStore& store)
    : misNu_(misNu),
      showRdsMis_(showRdsMis),
      store_(store),
      genome_(kMaxRdLen, '\0'),
      readMis_(kMaxRdLen + 1, '\0') {}

std::string RecordFormatter::PosHeader(int32_t misNu, bool showRdsMis, bool seqNames) {
  std::string h = "rdNom\tread\t";
  if (misNu > 0 && showRdsMis) h += "readMis\t";
  if (seqNames) h += "seqName\t";
  h += "pos";
  if (misNu > 0) h += "\tmisNu";
  return h;
}

void RecordFormatter::RdOut(RecordTexts& t, std::string_view read) const {
  t.rdsOut.append(read);
  t.rdsOut.push_back('\n');
}

void RecordFormatter::RdIn(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n) {
  ReadLines(t, rdNom, read, hits, n);
  PosLines(t, rdNom, read, hits, n);
}

void RecordFormatter::ReadLines(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n) {
  t.rdsIn.append(read);
  t.rdsIn.push_back('\n');

  int64_t up = 0;
  for (size_t i = 0; i < n; ++i) up += hits[i].strand == Strand::kDirect;
  std::string& tmp = t.tempLog;
  tmp.push_back('\n');
  AppendInt(tmp, rdNom);
  tmp.push_back('\t');
  tmp.append(read);
  tmp.push_back('\t');
  AppendInt(tmp, up);
  tmp.push_back('\t');
  AppendInt(tmp, static_cast<int64_t>(n) - up);
  tmp.push_back('\t');
  AppendInt(tmp, static_cast<int64_t>(n));
}

void RecordFormatter::PosLines(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n) {
  std::string& pos = t.pos;
  const bool withMis = misNu_ > 0;
  const bool showMis = withMis && showRdsMis_;
  const int32_t rdLen = static_cast<int32_t>(read.size());
  const Reference& ref = store_.ref();
  for (size_t i = 0; i < n; ++i) {
    const Hit& h = hits[i];
    pos.push_back('\n');
    AppendInt(pos, rdNom);
    pos.push_back('\t');
    pos.append(read);
    pos.push_back('\t');
    if (showMis) {
      store_.StrandLetters(h.seq, h.strand, h.start, rdLen, genome_.data());
      MakeReadMis(read.data(), rdLen, genome_.data(), readMis_.data());
      pos.append(readMis_.data(), static_cast<size_t>(rdLen));
      pos.push_back('\t');
    }
    const RefSeq& q = ref.seq(h.seq);
    if (seqNames_) {
      pos.append(q.name);
      pos.push_back('\t');
    }
    const int64_t p = HitPos(h, q.length);
    pos.push_back(p > 0 ? '+' : '-');
    AppendInt(pos, p > 0 ? p : -p);
    if (withMis) {
      pos.push_back('\t');
      AppendInt(pos, h.mis);
    }
  }
}

}  // namespace quorvane
