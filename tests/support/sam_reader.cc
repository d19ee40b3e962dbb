#include "sam_reader.h"

#include <htslib/sam.h>

#include <memory>
#include <sstream>
#include <stdexcept>

namespace quorvane::test {
namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string f; std::getline(in, f, sep);) out.push_back(f);
  return out;
}

}  // namespace

SamContent ReadSam(const std::string& path) {
  std::unique_ptr<htsFile, int (*)(htsFile*)> fp(sam_open(path.c_str(), "r"), hts_close);
  if (!fp) throw std::runtime_error("htslib cannot open " + path);
  std::unique_ptr<sam_hdr_t, void (*)(sam_hdr_t*)> hdr(sam_hdr_read(fp.get()), sam_hdr_destroy);
  if (!hdr) throw std::runtime_error("htslib cannot read the header of " + path);
  std::unique_ptr<bam1_t, void (*)(bam1_t*)> b(bam_init1(), bam_destroy1);
  SamContent c;
  c.header = sam_hdr_str(hdr.get());
  kstring_t ks = KS_INITIALIZE;
  int rc = 0;
  while ((rc = sam_read1(fp.get(), hdr.get(), b.get())) >= 0) {
    if (sam_format1(hdr.get(), b.get(), &ks) < 0) throw std::runtime_error("htslib cannot format a record");
    SamRec r;
    r.line.assign(ks.s, ks.l);
    const std::vector<std::string> f = Split(r.line, '\t');
    if (f.size() < 11) throw std::runtime_error("short record: " + r.line);
    r.qname = f[0];
    r.flag = std::stoi(f[1]);
    r.rname = f[2];
    r.pos = std::stoll(f[3]);
    r.mapq = std::stoi(f[4]);
    r.cigar = f[5];
    r.seq = f[9];
    r.qual = f[10];
    for (size_t i = 11; i < f.size(); ++i) r.tags[f[i].substr(0, 2)] = f[i].substr(5);
    c.recs.push_back(std::move(r));
  }
  ks_free(&ks);
  if (rc < -1) throw std::runtime_error("htslib cannot read " + path + " through");
  return c;
}

std::string SamLines(const SamContent& c) {
  std::string out;
  for (const SamRec& r : c.recs) out += r.line + "\n";
  return out;
}

}  // namespace quorvane::test
