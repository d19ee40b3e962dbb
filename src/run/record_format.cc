#include "run/record_format.h"

#include "common/number_text.h"
#include "engine/read_codes.h"
#include "run/read_mis.h"

namespace quorvane {

RecordFormatter::RecordFormatter(int32_t misNu, bool showRdsMis, const GenomeStore& store)
    : misNu_(misNu),
      showRdsMis_(showRdsMis),
      store_(store),
      genome_(kMaxRdLen, '\0'),
      readMis_(kMaxRdLen + 1, '\0') {}

std::string RecordFormatter::PosHeader(int32_t misNu, bool showRdsMis) {
  if (misNu == 0) return "rdNom\tread\tpos";
  if (!showRdsMis) return "rdNom\tread\tpos\tmisNu";
  return "rdNom\tread\treadMis\tpos\tmisNu";
}

void RecordFormatter::RdOut(RecordTexts& t, std::string_view read) const {
  t.rdsOut.append(read);
  t.rdsOut.push_back('\n');
}

void RecordFormatter::RdIn(RecordTexts& t, int64_t rdNom, std::string_view read, const ReadHits& h) {
  t.rdsIn.append(read);
  t.rdsIn.push_back('\n');

  std::string& tmp = t.tempLog;
  tmp.push_back('\n');
  AppendInt(tmp, rdNom);
  tmp.push_back('\t');
  tmp.append(read);
  tmp.push_back('\t');
  AppendInt(tmp, h.posUpNu);
  tmp.push_back('\t');
  AppendInt(tmp, h.posLwNu);
  tmp.push_back('\t');
  AppendInt(tmp, h.posUpLwNu);

  std::string& pos = t.pos;
  const bool withMis = misNu_ > 0;
  const bool showMis = withMis && showRdsMis_;
  const int32_t rdLen = static_cast<int32_t>(read.size());
  for (int32_t i = 0; i < h.posUpLwNu; ++i) {
    const MisMatch& m = h.hits[i];
    pos.push_back('\n');
    AppendInt(pos, rdNom);
    pos.push_back('\t');
    pos.append(read);
    pos.push_back('\t');
    if (showMis) {
      if (m.pos > 0) {
        store_.StrandLetters(Strand::kDirect, m.pos - 1, rdLen, genome_.data());
      } else {
        store_.StrandLetters(Strand::kCompl, m.pos + store_.gnmLen(), rdLen, genome_.data());
      }
      MakeReadMis(read.data(), rdLen, genome_.data(), readMis_.data());
      pos.append(readMis_.data(), static_cast<size_t>(rdLen));
      pos.push_back('\t');
    }
    pos.push_back(m.pos > 0 ? '+' : '-');
    AppendInt(pos, m.pos > 0 ? m.pos : -static_cast<int64_t>(m.pos));
    if (withMis) {
      pos.push_back('\t');
      AppendInt(pos, m.mis);
    }
  }
}

}  // namespace quorvane
