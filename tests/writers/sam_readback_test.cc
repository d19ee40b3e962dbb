// The BAM file of a run, read back through htslib, says exactly what the
// run's position file says: every hit of every read, with every field
// recomputed here from the genome and the reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "brute_force.h"
#include "run_fixture.h"
#include "sam_reader.h"

namespace quorvane {
namespace {

using test::RunTest;
using test::SamRec;

struct PosHit {
  std::string seq;
  long long pos;  // the position file's signed pos
  int mis;
};

// The hits of the position file by read (found reads come in file order
// and carry their text; names are "r" + index).
std::map<size_t, std::vector<PosHit>> PositionFileHits(const std::string& text, const std::vector<std::string>& reads,
                                                        bool seqColumn) {
  std::map<size_t, std::vector<PosHit>> out;
  std::istringstream in(text);
  std::string line, nom;
  std::getline(in, line);
  size_t next = 0, current = 0;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::istringstream fs(line);
    for (std::string x; std::getline(fs, x, '\t');) f.push_back(x);
    if (f[0] != nom) {
      while (reads[next] != f[1]) ++next;
      current = next++;
      nom = f[0];
    }
    const size_t p = seqColumn ? 3 : 2;
    out[current].push_back({seqColumn ? f[2] : "", std::stoll(f[p]), std::stoi(f[p + 1])});
  }
  return out;
}

bool Acgt(char c) { return std::string("ACGTacgt").find(c) != std::string::npos; }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// MD and NM of letters laid on seq from 0-based left, cyclically.
std::pair<std::string, int> MdOf(const std::string& seq, long long left, const std::string& letters) {
  std::string md;
  int run = 0, nm = 0;
  for (size_t j = 0; j < letters.size(); ++j) {
    const char g = seq[static_cast<size_t>((left + static_cast<long long>(j)) % static_cast<long long>(seq.size()))];
    if (Acgt(g) && Acgt(letters[j]) && Upper(g) == Upper(letters[j])) {
      ++run;
      continue;
    }
    md += std::to_string(run) + Upper(g);
    run = 0;
    ++nm;
  }
  return {md + std::to_string(run), nm};
}

class SamReadbackTest : public RunTest {
 protected:
  // Maps reads (FASTQ, names "r" + index) against seqs with misNu 2 into a
  // BAM file beside the five files, and checks every record.
  void MapAndCheck(const std::vector<test::Seq>& seqs, const std::vector<std::string>& reads, int threads) {
    std::string fasta, fastq;
    for (const test::Seq& s : seqs) fasta += ">" + s.name + (s.circular ? "\n" : " topology=linear\n") + s.letters + "\n";
    std::mt19937 rng(3);
    std::vector<std::string> quals;
    for (size_t i = 0; i < reads.size(); ++i) {
      quals.push_back(test::RandomLetters(rng, reads[i].size(), "!+5?I~"));
      fastq += "@r" + std::to_string(i) + " comment\n" + reads[i] + "\n+\n" + quals.back() + "\n";
    }
    Inputs(fasta, fastq, 2);
    opt_.gnmLen = -1;
    opt_.threads = threads;
    opt_.samPath = dir_.File("out.bam");
    ASSERT_EQ(Run().outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
    const test::SamContent sam = test::ReadSam(opt_.samPath);
    std::string sq;
    for (const test::Seq& s : seqs) {
      sq += "@SQ\tSN:" + s.name + "\tLN:" + std::to_string(s.letters.size()) + (s.circular ? "\tTP:circular" : "") + "\n";
    }
    EXPECT_NE(sam.header.find("@HD\tVN:1.6\tSO:unsorted\tGO:query\n" + sq + "@PG\tID:quorvane\t"), std::string::npos)
        << sam.header;

    const auto found = PositionFileHits(Content(kPos), reads, seqs.size() > 1);
    std::map<std::string, size_t> seqIndex;
    for (size_t s = 0; s < seqs.size(); ++s) seqIndex[seqs[s].name] = s;
    size_t at = 0, hits = 0, crossing = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
      const std::string qname = "r" + std::to_string(i);
      const auto it = found.find(i);
      if (it == found.end()) {
        ASSERT_LT(at, sam.recs.size());
        const SamRec& u = sam.recs[at++];
        EXPECT_EQ(u.line, qname + "\t4\t*\t0\t0\t*\t*\t0\t0\t" + reads[i] + "\t" + quals[i] +
                              (reads[i].size() < 12 ? "\tYF:Z:LN" : ""));
        continue;
      }
      const std::vector<PosHit>& hs = it->second;
      int best = 99, second = 3;
      size_t primary = 0;
      for (size_t j = 0; j < hs.size(); ++j) {
        if (hs[j].mis < best) best = hs[j].mis, primary = j;
      }
      for (size_t j = 0; j < hs.size(); ++j) {
        if (j != primary) second = std::min(second, hs[j].mis);
      }
      for (size_t j = 0; j < hs.size(); ++j, ++hits) {
        ASSERT_LT(at, sam.recs.size());
        const SamRec& r = sam.recs[at++];
        const PosHit& h = hs[j];
        const test::Seq& s = seqs.size() > 1 ? seqs[seqIndex.at(h.seq)] : seqs[0];
        const long long len = static_cast<long long>(reads[i].size()), L = static_cast<long long>(s.letters.size());
        const bool compl_ = h.pos < 0;
        const long long left = compl_ ? ((-h.pos - len) % L + L) % L : h.pos - 1;
        const std::string letters = compl_ ? test::ReverseComplement(reads[i]) : reads[i];
        const auto [md, nm] = MdOf(s.letters, left, letters);
        const std::string where = "read " + qname + " hit " + std::to_string(j);
        EXPECT_EQ(r.qname, qname) << where;
        EXPECT_EQ(r.flag, (compl_ ? 16 : 0) | (j == primary ? 0 : 256)) << where;
        EXPECT_EQ(r.rname, s.name) << where;
        EXPECT_EQ(r.pos, left + 1) << where;
        EXPECT_EQ(r.mapq, j == primary ? std::min(60, 20 * (second - best)) : 0) << where;
        EXPECT_EQ(r.cigar, std::to_string(len) + "M") << where;
        EXPECT_EQ(r.seq, letters) << where;
        EXPECT_EQ(r.qual, compl_ ? std::string(quals[i].rbegin(), quals[i].rend()) : quals[i]) << where;
        EXPECT_EQ(r.tags, (std::map<std::string, std::string>{
                              {"NM", std::to_string(h.mis)}, {"MD", md}, {"NH", std::to_string(hs.size())},
                              {"HI", std::to_string(j + 1)}}))
            << where;
        EXPECT_EQ(nm, h.mis) << where;
        crossing += left + len > L;
      }
    }
    EXPECT_EQ(at, sam.recs.size());
    EXPECT_GT(hits, reads.size() / 2);
    EXPECT_GT(crossing, 0u);
  }
};

// Reads from either strand of the sequences, some across a circular
// sequence's origin, with changes, some random, some too short.
std::vector<std::string> DrawReads(const std::vector<test::Seq>& seqs, size_t n, std::mt19937& rng) {
  std::vector<std::string> reads;
  std::uniform_int_distribution<size_t> len(8, 150), coin(0, 9);
  for (size_t i = 0; i < n; ++i) {
    const test::Seq& s = seqs[coin(rng) % seqs.size()];
    const size_t l = std::min(len(rng), s.letters.size() - 1);
    size_t at = std::uniform_int_distribution<size_t>(0, s.letters.size() - 1)(rng);
    if (coin(rng) < 2) at = s.letters.size() - l / 2;  // across the end
    if (!s.circular) at = std::min(at, s.letters.size() - l);
    std::string r;
    for (size_t j = 0; j < l; ++j) r += Upper(s.letters[(at + j) % s.letters.size()]);
    if (coin(rng) < 5) r = test::ReverseComplement(r);
    if (coin(rng) < 4) r[coin(rng) % l] = 'A';
    if (coin(rng) < 1) r[coin(rng) % l] = 'N';
    if (coin(rng) == 0) r = test::RandomLetters(rng, l);
    reads.push_back(r);
  }
  return reads;
}

TEST_F(SamReadbackTest, EveryFieldOfEveryRecordOnSeveralSequences) {
  std::mt19937 rng(11);
  std::vector<test::Seq> seqs = {{"chrA", test::RandomLetters(rng, 3000), true},
                                 {"plasmid|x:1", test::RandomLetters(rng, 700, "ACGTacgt"), true},
                                 {"lin", test::RandomLetters(rng, 1500), false}};
  seqs[0].letters.replace(1000, 20, "NNNNNRYNNNNNNNNNNNNN");
  seqs[2].letters.replace(200, 300, seqs[0].letters.substr(100, 300));  // a repeat: ties and secondaries
  const std::vector<std::string> reads = DrawReads(seqs, 3000, rng);
  MapAndCheck(seqs, reads, 2);
}

TEST_F(SamReadbackTest, EColiReadsAcrossTheOrigin) {
  const std::string data = test::SharedDataDir();
  if (data.empty()) GTEST_SKIP() << "../shared/data is absent";
  std::mt19937 rng(12);
  const std::vector<test::Seq> seqs = {{"ecoli", test::ReadFile(data + "/ecoli.txt"), true}};
  MapAndCheck(seqs, DrawReads(seqs, 2000, rng), 3);
}

}  // namespace
}  // namespace quorvane
