// The SAM and BAM records of pair runs: a worked run field by field, the
// records of random pairs against the plain pairing, and a pair whose
// records pass what one piece holds.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "pair_fixture.h"
#include "sam_reader.h"

namespace quorvane {
namespace {

using test::DrawnPair;
using test::PairRunTest;
using test::ReadFile;

// A circular sequence whose letters 51..60 and 1..20 hold pair frA's
// fragment, and a linear one with pair frB's at 6..41.
const char kGenome[] =
    ">circ\nTGGCTAGTGTCACTGCGCACAGTAAACATTATCGCACATTTTTAACGGGTGAGCGGGCAT\n"
    ">lin topology=linear\nTAACTATCACCAGATGTGATGCGGTTTCCTGCCCAGGCCAACAGCAGGAC\n";
const char kMates1[] =
    "@frA/1\nGAGCGGGCATTG\n+\nIIIIIIIIIIII\n@frB/1\nTTGGCCTGGGCA\n+\nJJJJJJJJJJJJ\n"
    "@none/1\nACACACACACACAC\n+\n##############\n@short/1\nACGT\n+\nIIII\n";
const char kMates2[] =
    "@frA/2\nGTGCGCAGTGACAC\n+\n55555555555555\n@frB/2\nATCACCAGATGTG\n+\nKKKKKKKKKKKKK\n"
    "@none/2\nGTGTGTGTGTGTGT\n+\n##############\n@short/2\nACGTACGTACGTA\n+\nIIIIIIIIIIIII\n";

class PairSamTest : public PairRunTest {
 protected:
  // Maps the worked mates with misNu 1 into out.sam only.
  RunSummary MapWorked(bool unaligned) {
    test::WriteFile(dir_.File("gen.fa"), kGenome);
    test::WriteFile(dir_.File("m_1.fq"), kMates1);
    test::WriteFile(dir_.File("m_2.fq"), kMates2);
    opt_.PthGnm = dir_.File("gen.fa");
    opt_.gnmLen = -1;
    opt_.PthRds = dir_.File("m_1.fq");
    opt_.PthRds2 = dir_.File("m_2.fq");
    opt_.misNu = 1;
    opt_.samPath = dir_.File("out.sam");
    opt_.samUnaligned = unaligned;
    opt_.ProcNm = "quorvane";
    opt_.commandLine = "quorvane-map -1 m_1.fq -2 m_2.fq";
    opt_.env = &env_;
    return Run();
  }
};

TEST_F(PairSamTest, WorkedPairsAcrossAnOriginAndOnALinearSequence) {
  ASSERT_EQ(MapWorked(true).outcome, RunOutcome::kDone);
  EXPECT_EQ(ReadFile(opt_.samPath),
            "@HD\tVN:1.6\tSO:unsorted\tGO:query\n"
            "@SQ\tSN:circ\tLN:60\tTP:circular\n"
            "@SQ\tSN:lin\tLN:50\n"
            "@PG\tID:quorvane\tPN:quorvane\tVN:" QUORVANE_VERSION "\tCL:quorvane-map -1 m_1.fq -2 m_2.fq\n"
            "frA\t99\tcirc\t51\t40\t12M\t=\t7\t30\tGAGCGGGCATTG\tIIIIIIIIIIII\tNM:i:0\tMD:Z:12\tNH:i:1\tHI:i:1\n"
            "frA\t147\tcirc\t7\t40\t14M\t=\t51\t-30\tGTGTCACTGCGCAC\t55555555555555\tNM:i:0\tMD:Z:14\tNH:i:1\tHI:i:1\n"
            "frB\t83\tlin\t30\t40\t12M\t=\t6\t-36\tTGCCCAGGCCAA\tJJJJJJJJJJJJ\tNM:i:0\tMD:Z:12\tNH:i:1\tHI:i:1\n"
            "frB\t163\tlin\t6\t40\t13M\t=\t30\t36\tATCACCAGATGTG\tKKKKKKKKKKKKK\tNM:i:0\tMD:Z:13\tNH:i:1\tHI:i:1\n"
            "none\t77\t*\t0\t0\t*\t*\t0\t0\tACACACACACACAC\t##############\n"
            "none\t141\t*\t0\t0\t*\t*\t0\t0\tGTGTGTGTGTGTGT\t##############\n"
            "short\t77\t*\t0\t0\t*\t*\t0\t0\tACGT\tIIII\tYF:Z:LN\n"
            "short\t141\t*\t0\t0\t*\t*\t0\t0\tACGTACGTACGTA\tIIIIIIIIIIIII\tYF:Z:LN\n");
  ASSERT_EQ(MapWorked(false).outcome, RunOutcome::kDone);
  const std::string sam = ReadFile(opt_.samPath);
  EXPECT_EQ(sam.find("none"), std::string::npos);
  EXPECT_EQ(sam.find("short"), std::string::npos);
  EXPECT_NE(sam.find("frB\t163"), std::string::npos);
}

// Columns 7 to 9 of a SAM line: RNEXT, PNEXT, TLEN.
std::string MateFields(const std::string& line) {
  std::istringstream in(line);
  std::string f, out;
  for (int i = 1; i <= 9 && std::getline(in, f, '\t'); ++i) {
    if (i >= 7) out += (out.empty() ? "" : " ") + f;
  }
  return out;
}

TEST_F(PairSamTest, RecordsOfRandomPairsAreThePlainPairingsInSamAndBam) {
  std::mt19937 rng(31);
  const std::vector<test::Seq> genome = test::RepeatGenome(rng, 3, 1500);
  for (Orientation o : {Orientation::kFr, Orientation::kRf, Orientation::kFf}) {
    std::vector<DrawnPair> pairs;
    for (int i = 0; i < 25; ++i) pairs.push_back(test::DrawPair(rng, genome, o, 40, 35, 250, 2));
    pairs.push_back({test::RandomLetters(rng, 30), test::RandomLetters(rng, 30)});
    PairRule rule;
    rule.orientation = o;
    PairInputs(genome, pairs, 2, rule);
    opt_.DiRes.clear();
    for (const char* name : {"out.sam", "out.bam"}) {
      opt_.samPath = dir_.File(name);
      ASSERT_EQ(Run().outcome, RunOutcome::kDone);
      const test::SamContent sam = test::ReadSam(opt_.samPath);
      size_t at = 0;
      for (size_t i = 0; i < pairs.size(); ++i) {
        const std::string name = "q" + std::to_string(i + 1);
        const auto want = test::OraclePlacements(genome, pairs[i].mate1, pairs[i].mate2, 2, rule);
        if (want.empty()) {
          ASSERT_LT(at + 1, sam.recs.size());
          EXPECT_EQ(sam.recs[at].flag, 77);
          EXPECT_EQ(sam.recs[at + 1].flag, 141);
          at += 2;
          continue;
        }
        for (size_t r = 0; r < want.size(); ++r) {
          const test::OraclePlacement& p = want[r];
          const std::string seqName = genome[p.seq].name;
          const int64_t L = static_cast<int64_t>(genome[p.seq].letters.size());
          const int64_t pos[2] = {p.pos1, p.pos2};
          const int64_t len[2] = {static_cast<int64_t>(pairs[i].mate1.size()),
                                  static_cast<int64_t>(pairs[i].mate2.size())};
          // The leftmost letter of each mate, 1-based.
          int64_t left[2];
          for (int k = 0; k < 2; ++k) left[k] = pos[k] > 0 ? pos[k] : ((-pos[k] - len[k]) % L + L) % L + 1;
          for (int k = 0; k < 2; ++k) {
            ASSERT_LT(at, sam.recs.size());
            const test::SamRec& rec = sam.recs[at++];
            EXPECT_EQ(rec.qname, name);
            int flag = 1 | 2 | (k == 0 ? 64 : 128) | (pos[k] < 0 ? 16 : 0) | (pos[1 - k] < 0 ? 32 : 0);
            if (r > 0) flag |= 256;
            EXPECT_EQ(rec.flag, flag) << rec.line;
            EXPECT_EQ(rec.rname, seqName);
            EXPECT_EQ(rec.pos, left[k]);
            const int64_t tlen = k == p.upstream ? p.fragment : -p.fragment;
            EXPECT_EQ(MateFields(rec.line), "= " + std::to_string(left[1 - k]) + " " + std::to_string(tlen));
            EXPECT_EQ(rec.tags.at("NM"), std::to_string(k == 0 ? p.mis1 : p.mis2));
            EXPECT_EQ(rec.tags.at("NH"), std::to_string(want.size()));
            EXPECT_EQ(rec.tags.at("HI"), std::to_string(r + 1));
            if (r > 0) {
              EXPECT_EQ(rec.mapq, 0);
            }
          }
        }
      }
      EXPECT_EQ(at, sam.recs.size());
    }
    EXPECT_EQ(test::SamLines(test::ReadSam(dir_.File("out.sam"))), test::SamLines(test::ReadSam(dir_.File("out.bam"))));
  }
}

TEST_F(PairSamTest, PairsWithMoreRecordsThanAPieceHoldsGoOutWhole) {
  // Each pair has 5,964 placements, 11,928 records: more than the
  // searching threads encode for a batch, and more than a piece.
  const std::vector<test::Seq> genome = {{"a", std::string(2000, 'A'), false}};
  std::vector<DrawnPair> pairs(4, DrawnPair{std::string(40, 'A'), std::string(40, 'T')});
  PairRule rule;
  rule.maxFrag = 42;
  PairInputs(genome, pairs, 0, rule);
  opt_.samPath = dir_.File("out.bam");
  const RunSummary r = Run();
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  const int64_t each = 1961 + 1960 + 1959;
  EXPECT_EQ(r.pairs.placements, 4 * each);
  const test::SamContent sam = test::ReadSam(opt_.samPath);
  ASSERT_EQ(sam.recs.size(), static_cast<size_t>(8 * each));
  for (size_t i = 0; i < sam.recs.size(); ++i) {
    const test::SamRec& rec = sam.recs[i];
    const size_t inPair = i % static_cast<size_t>(2 * each);
    ASSERT_EQ(rec.qname, "q" + std::to_string(i / static_cast<size_t>(2 * each) + 1));
    ASSERT_EQ(rec.tags.at("HI"), std::to_string(inPair / 2 + 1));
    ASSERT_EQ(rec.flag & 256, inPair < 2 ? 0 : 256);
  }
}

}  // namespace
}  // namespace quorvane
