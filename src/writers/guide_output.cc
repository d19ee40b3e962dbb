#include "writers/guide_output.h"

#include <algorithm>
#include <cstdio>

#include "common/iupac.h"
#include "common/number_text.h"
#include "guides/site_scores.h"

namespace quorvane {
namespace {

// A QNAME keeps only the bytes SAM allows in it.
std::string QueryName(const std::string& name) {
  std::string q = name.empty() ? std::string("*") : name.substr(0, 254);
  for (char& c : q) {
    if (c < '!' || c > '~' || c == '@') c = '_';
  }
  if (q == "*") q = "_";
  return q;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void AppendScore(std::string& out, double v, const char* format) {
  if (v < 0) return;
  char buf[32];
  std::snprintf(buf, sizeof(buf), format, v);
  out += buf;
}

std::string BulgeType(const GuideSite& s) {
  if (s.dnaBulge > 0 && s.rnaBulge > 0) return "DNA+RNA";
  if (s.dnaBulge > 0) return "DNA";
  if (s.rnaBulge > 0) return "RNA";
  return "none";
}

std::string BulgeSize(const GuideSite& s) {
  if (s.dnaBulge > 0 && s.rnaBulge > 0) return std::to_string(s.dnaBulge) + "+" + std::to_string(s.rnaBulge);
  return std::to_string(s.dnaBulge + s.rnaBulge);
}

}  // namespace

std::string GuideSitesHeader(const GuideColumns& cols) {
  std::string h = "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam";
  if (cols.bulges) h += "\tbulgeType\tbulgeSize\tguideAln\tsiteAln";
  if (cols.scores) h += "\tcfd\tmit";
  if (cols.annotation) h += "\tgenes\tfeature";
  return h + "\n";
}

void AppendGuideSiteRow(std::string& out, const std::string& guideName, const std::string& seqName,
                        const GuideSite& site, const SiteView& v, const GuideColumns& cols, const SiteExtras& x) {
  out += guideName;
  out += '\t';
  out += seqName;
  out += '\t';
  AppendInt(out, site.start + 1);
  out += site.strand == Strand::kDirect ? "\t+\t" : "\t-\t";
  out += v.marked;
  out += '\t';
  AppendInt(out, site.mis);
  out += '\t';
  out.append(v.letters, static_cast<size_t>(v.pamAt), v.letters.size() - static_cast<size_t>(v.protoLen));
  if (cols.bulges) {
    const std::string pam = v.pamLetters();
    out += '\t' + BulgeType(site) + '\t' + BulgeSize(site) + '\t';
    // The alignments with the PAM on its side: the guide's PAM as the
    // genome holds it, so that only the protospacer differs.
    const bool pamFirst = v.pamAt == 0;
    out += pamFirst ? pam + v.guideAln : v.guideAln + pam;
    out += '\t';
    out += pamFirst ? pam + v.siteAln : v.siteAln + pam;
  }
  if (cols.scores) {
    out += '\t';
    AppendScore(out, x.cfd, "%.4f");
    out += '\t';
    AppendScore(out, x.mit, "%.2f");
  }
  if (cols.annotation) out += '\t' + x.genes + '\t' + x.feature;
  out += '\n';
}

void AppendGuideSiteRow(std::string& out, const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                        const GuideSite& site) {
  const SiteView v = ViewSite(ref, guides[site.guide], pam, site, BulgeLimits{site.mis, 0, 0});
  AppendGuideSiteRow(out, guides[site.guide].name, ref.seq(site.seq).name, site, v, GuideColumns{}, SiteExtras{});
}

GuideSummary::GuideSummary(const std::vector<Guide>& guides, const Pam& pam, int mis, int maxBulged, bool scores)
    : guides_(guides), mis_(mis), maxBulged_(maxBulged), scores_(scores), tally_(guides.size()) {
  for (const Guide& g : guides) applies_.push_back(scores && ScoresApply(g, pam));
  for (Tally& t : tally_) {
    t.perMis.assign(static_cast<size_t>(mis) + 1, 0);
    t.perBulged.assign(static_cast<size_t>(maxBulged) + 1, 0);
  }
}

void GuideSummary::Add(const GuideSite& s, double cfd, double mit) {
  Tally& t = tally_[s.guide];
  ++t.perMis[static_cast<size_t>(s.mis)];
  ++t.perBulged[static_cast<size_t>(s.dnaBulge + s.rnaBulge)];
  ++t.all;
  if (!t.onTarget && s.mis == 0 && s.dnaBulge == 0 && s.rnaBulge == 0) {
    t.onTarget = true;
    return;
  }
  if (cfd >= 0) t.cfdSum += cfd;
  if (mit >= 0) t.mitSum += mit;
}

std::string GuideSummary::Text() const {
  std::string out = "guide\tletters";
  for (int m = 0; m <= mis_; ++m) out += "\tm" + std::to_string(m);
  out += "\tsites";
  for (int b = 1; b <= maxBulged_; ++b) out += "\tb" + std::to_string(b);
  if (scores_) out += "\tmitSpecificity\tcfdSpecificity";
  out += '\n';
  for (size_t g = 0; g < guides_.size(); ++g) {
    const Tally& t = tally_[g];
    out += guides_[g].name + "\t" + guides_[g].letters;
    for (int64_t c : t.perMis) {
      out += '\t';
      AppendInt(out, c);
    }
    out += '\t';
    AppendInt(out, t.all);
    for (int b = 1; b <= maxBulged_; ++b) {
      out += '\t';
      AppendInt(out, t.perBulged[static_cast<size_t>(b)]);
    }
    if (scores_) {
      out += '\t';
      if (applies_[g]) AppendInt(out, GuideSpecificity(t.mitSum));
      out += '\t';
      if (applies_[g]) AppendInt(out, GuideSpecificity(t.cfdSum));
    }
    out += '\n';
  }
  return out;
}

std::string GuideSummaryText(const std::vector<Guide>& guides, const std::vector<GuideSite>& sites, int mis) {
  GuideSummary s(guides, Pam{}, mis, 0, false);
  for (const GuideSite& site : sites) s.Add(site, -1, -1);
  return s.Text();
}

GuideSamWriter::GuideSamWriter(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                               const BulgeLimits& lim, const std::vector<int64_t>& perGuide)
    : ref_(ref), guides_(guides), pam_(pam), lim_(lim), perGuide_(perGuide) {}

void GuideSamWriter::Add(std::string& out, const GuideSite& s, const SiteView& v) {
  if (rank_ == 0 || s.guide != first_.guide) {
    Finish(out);
    waiting_ = true;
    first_ = s;
    firstView_ = v;
    rank_ = 1;
    return;
  }
  if (waiting_) {
    const int lead = (s.mis + s.dnaBulge + s.rnaBulge) - (first_.mis + first_.dnaBulge + first_.rnaBulge);
    Emit(out, first_, firstView_, 1, std::clamp(20 * lead, 0, 60));
    waiting_ = false;
  }
  Emit(out, s, v, ++rank_, 0);
}

void GuideSamWriter::Finish(std::string& out) {
  if (!waiting_) return;
  const int alone = lim_.mis + lim_.dna + lim_.rna + 1;
  const int lead = alone - (first_.mis + first_.dnaBulge + first_.rnaBulge);
  Emit(out, first_, firstView_, 1, std::clamp(20 * lead, 0, 60));
  waiting_ = false;
}

void GuideSamWriter::Emit(std::string& out, const GuideSite& s, const SiteView& v, int64_t rank, int mapq) {
  const Guide& guide = guides_[s.guide];
  // The columns in the site's order: 'M' pairs, 'I' guide letters with no
  // genome partner, 'D' genome letters with no guide partner; with the
  // query's and the genome's letters and whether they mismatch.
  struct Op {
    char kind;
    char query, genome;
    bool mismatch;
  };
  std::vector<Op> ops;
  auto pam = [&] {
    const std::string p = v.pamLetters();
    for (char c : p) ops.push_back(Op{'M', c, c, false});
  };
  if (v.pamAt == 0) pam();
  for (size_t c = 0; c < v.guideAln.size(); ++c) {
    const char g = v.guideAln[c], x = v.siteAln[c];
    if (g == '-') {
      ops.push_back(Op{'D', 0, Upper(x), false});
    } else if (x == '-') {
      ops.push_back(Op{'I', g, 0, false});
    } else {
      ops.push_back(Op{'M', g, Upper(x), x != Upper(x)});
    }
  }
  if (v.pamAt != 0) pam();
  if (s.strand == Strand::kCompl) {
    std::reverse(ops.begin(), ops.end());
    for (Op& o : ops) {
      if (o.query != 0) o.query = kIupacComplement[static_cast<unsigned char>(o.query)];
      if (o.genome != 0) o.genome = kIupacComplement[static_cast<unsigned char>(o.genome)];
    }
  }
  std::string cigar, seq, md;
  int run = 0;
  for (size_t i = 0; i < ops.size();) {
    size_t j = i;
    while (j < ops.size() && ops[j].kind == ops[i].kind) ++j;
    AppendInt(cigar, static_cast<int64_t>(j - i));
    cigar += ops[i].kind;
    for (size_t k = i; k < j; ++k) {
      const Op& o = ops[k];
      if (o.kind != 'D') seq += o.query;
      if (o.kind == 'M' && !o.mismatch) {
        ++run;
      } else if (o.kind == 'M') {
        AppendInt(md, run);
        md += o.genome;
        run = 0;
      }
    }
    if (ops[i].kind == 'D') {
      AppendInt(md, run);
      md += '^';
      for (size_t k = i; k < j; ++k) md += ops[k].genome;
      run = 0;
    }
    i = j;
  }
  AppendInt(md, run);
  int flag = s.strand == Strand::kCompl ? 16 : 0;
  if (rank > 1) flag |= 256;
  out += QueryName(guide.name);
  out += '\t';
  AppendInt(out, flag);
  out += '\t' + ref_.seq(s.seq).name + '\t';
  AppendInt(out, s.start + 1);
  out += '\t';
  AppendInt(out, mapq);
  out += '\t' + cigar + "\t*\t0\t0\t" + seq + "\t*\tNM:i:";
  AppendInt(out, s.mis + s.dnaBulge + s.rnaBulge);
  out += "\tMD:Z:" + md + "\tNH:i:";
  AppendInt(out, perGuide_[s.guide]);
  out += "\tHI:i:";
  AppendInt(out, rank);
  out += '\n';
}

void AppendGuideSamRecords(std::string& out, const Reference& ref, const Guide& guide, const Pam& pam,
                           const GuideSite* sites, size_t n, int mis) {
  // The guide alone, as guide 0, with its n sites.
  const std::vector<Guide> one = {guide};
  const std::vector<int64_t> count = {static_cast<int64_t>(n)};
  const BulgeLimits lim{mis, 0, 0};
  GuideSamWriter w(ref, one, pam, lim, count);
  for (size_t i = 0; i < n; ++i) {
    GuideSite s = sites[i];
    s.guide = 0;
    w.Add(out, s, ViewSite(ref, guide, pam, s, lim));
  }
  w.Finish(out);
}

}  // namespace quorvane
