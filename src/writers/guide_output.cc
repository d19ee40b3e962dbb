#include "writers/guide_output.h"

#include <algorithm>

#include "common/number_text.h"
#include "common/iupac.h"

namespace quorvane {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Where the protospacer begins within the site.
int GuideAt(const Guide& g, const Pam& pam) {
  (void)g;
  return pam.fivePrime ? static_cast<int>(pam.letters.size()) : 0;
}

int PamAt(const Guide& g, const Pam& pam) { return pam.fivePrime ? 0 : static_cast<int>(g.letters.size()); }

int SiteLength(const Guide& g, const Pam& pam) { return static_cast<int>(g.letters.size() + pam.letters.size()); }

// Whether the genome letter c is one of the bases the guide letter names.
bool Matches(char guideLetter, char c) {
  return (kIupacSet[static_cast<unsigned char>(guideLetter)] & kBaseBit[static_cast<unsigned char>(c)]) != 0;
}

// A QNAME keeps only the bytes SAM allows in it.
std::string QueryName(const std::string& name) {
  std::string q = name.empty() ? std::string("*") : name.substr(0, 254);
  for (char& c : q) {
    if (c < '!' || c > '~' || c == '@') c = '_';
  }
  if (q == "*") q = "_";
  return q;
}

}  // namespace

std::string GuideSitesHeader() { return "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n"; }

void AppendGuideSiteRow(std::string& out, const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                        const GuideSite& site) {
  const Guide& g = guides[site.guide];
  const int len = SiteLength(g, pam);
  std::string letters = SiteLetters(ref, site, len);
  const int at = GuideAt(g, pam);
  for (size_t j = 0; j < g.letters.size(); ++j) {
    char& c = letters[at + j];
    if (!Matches(g.letters[j], c)) c = Lower(c);
  }
  out += g.name;
  out += '\t';
  out += ref.seq(site.seq).name;
  out += '\t';
  AppendInt(out, site.start + 1);
  out += site.strand == Strand::kDirect ? "\t+\t" : "\t-\t";
  out += letters;
  out += '\t';
  AppendInt(out, site.mis);
  out += '\t';
  out.append(letters, PamAt(g, pam), pam.letters.size());
  out += '\n';
}

std::string GuideSummaryText(const std::vector<Guide>& guides, const std::vector<GuideSite>& sites, int mis) {
  std::string out = "guide\tletters";
  for (int m = 0; m <= mis; ++m) out += "\tm" + std::to_string(m);
  out += "\tsites\n";
  std::vector<int64_t> counts(static_cast<size_t>(mis) + 1);
  size_t i = 0;
  for (size_t g = 0; g < guides.size(); ++g) {
    std::fill(counts.begin(), counts.end(), 0);
    int64_t all = 0;
    for (; i < sites.size() && sites[i].guide == g; ++i) {
      ++counts[static_cast<size_t>(sites[i].mis)];
      ++all;
    }
    out += guides[g].name + "\t" + guides[g].letters;
    for (int64_t c : counts) {
      out += '\t';
      AppendInt(out, c);
    }
    out += '\t';
    AppendInt(out, all);
    out += '\n';
  }
  return out;
}

void AppendGuideSamRecords(std::string& out, const Reference& ref, const Guide& guide, const Pam& pam,
                           const GuideSite* sites, size_t n, int mis) {
  const std::string qname = QueryName(guide.name);
  const int len = SiteLength(guide, pam);
  const int at = GuideAt(guide, pam);
  int next = mis + 1;  // the fewest mismatches of another site
  if (n > 1) next = sites[1].mis;
  const int mapq = std::clamp(20 * (next - sites[0].mis), 0, 60);
  for (size_t i = 0; i < n; ++i) {
    const GuideSite& s = sites[i];
    const RefSeq& r = ref.seq(s.seq);
    const std::string genome = SiteLetters(ref, s, len);  // on the site's strand
    // The query as the guide meets the site: its letters, the genome's PAM.
    std::string query = genome;
    for (size_t j = 0; j < guide.letters.size(); ++j) query[at + j] = guide.letters[j];
    // Mismatching letters on the site's strand.
    std::vector<bool> mismatch(static_cast<size_t>(len), false);
    for (size_t j = 0; j < guide.letters.size(); ++j) mismatch[at + j] = !Matches(guide.letters[j], genome[at + j]);
    std::string seq = query, refLetters = genome;
    if (s.strand == Strand::kCompl) {
      std::reverse(mismatch.begin(), mismatch.end());
      seq.assign(query.rbegin(), query.rend());
      refLetters.assign(genome.rbegin(), genome.rend());
      for (char& c : seq) c = kIupacComplement[static_cast<unsigned char>(c)];
      for (char& c : refLetters) c = kIupacComplement[static_cast<unsigned char>(c)];
    }
    std::string md;
    int run = 0;
    for (int k = 0; k < len; ++k) {
      if (!mismatch[k]) {
        ++run;
        continue;
      }
      AppendInt(md, run);
      md += refLetters[k];
      run = 0;
    }
    AppendInt(md, run);
    int flag = s.strand == Strand::kCompl ? 16 : 0;
    if (i > 0) flag |= 256;
    out += qname;
    out += '\t';
    AppendInt(out, flag);
    out += '\t' + r.name + '\t';
    AppendInt(out, s.start + 1);
    out += '\t';
    AppendInt(out, i == 0 ? mapq : 0);
    out += '\t';
    AppendInt(out, len);
    out += "M\t*\t0\t0\t" + seq + "\t*\tNM:i:";
    AppendInt(out, s.mis);
    out += "\tMD:Z:" + md + "\tNH:i:";
    AppendInt(out, static_cast<int64_t>(n));
    out += "\tHI:i:";
    AppendInt(out, static_cast<int64_t>(i) + 1);
    out += '\n';
  }
}

}  // namespace quorvane
