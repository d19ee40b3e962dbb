// A saved index with one byte changed anywhere (head, names, letters, each
// table, the padding between them, the block checksums, the tail) is
// refused by a run, whether its blocks are verified at opening or as the
// search touches them, and by the whole-file check, each with the message
// that names what is damaged; the earlier results stay byte for byte.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>

#include "common/number_text.h"
#include "engine/engine.h"
#include "run/index_run.h"
#include "run_fixture.h"
#include "saved_index/index_check.h"
#include "saved_index/index_layout.h"
#include "saved_index/index_writer.h"

namespace quorvane {
namespace {

using test::ReadFile;
using test::WriteFile;
using Verify = IndexOpenOptions::Verify;

std::string Damaged(const std::string& why) { return "saved index is damaged: " + why + ": make it again with quorvane-map index"; }

// One byte to change, and the message that must refuse it.
struct Spot {
  std::string what;
  uint64_t at;
  std::string message;
};

class IndexDamageTest : public ::testing::Test {
 protected:
  // A genome of two sequences, one linear with letters other than A, C,
  // G, T; reads drawn from it; its index made at gen.qvi (with segments of
  // 256 letters when segmented, which only an index written from an
  // engine can have); a first run's results in out/.
  void Make(bool segmented) {
    std::mt19937 rng(31);
    const std::string a = test::RandomLetters(rng, 4000), b = test::RandomLetters(rng, 2000, "ACGTACGTN");
    WriteFile(dir_.File("gen.fa"), ">a\n" + a + "\n>b topology=linear\n" + b + "\n");
    std::string reads;
    for (int i = 0; i < 40; ++i) reads += a.substr(static_cast<size_t>(i) * 97, 60) + "\n";
    WriteFile(dir_.File("reads.txt"), reads);
    // Mates 2 facing the reads 200 letters on: every read a pair's mate 1.
    std::string mates;
    for (int i = 0; i < 40; ++i) mates += test::ReverseComplement(a.substr(static_cast<size_t>(i) * 97 + 200, 60)) + "\n";
    WriteFile(dir_.File("mates.txt"), mates);
    if (segmented) {
      Engine built(EngineKind::kFast, 1);
      built.set_index_segment_bits(8);
      Reference ref;
      ASSERT_TRUE(ref.AddSequence("a", a, true).ok());
      ASSERT_TRUE(ref.AddSequence("b", b, false).ok());
      ASSERT_TRUE(built.LoadGenome(std::move(ref)).ok());
      ASSERT_TRUE(built.BuildSeedIndex().ok());
      ASSERT_TRUE(
          WriteSavedIndex(*Env::Default(), Index(), built.store(), built.fast_index(), IndexSource()).ok());
    } else {
      IndexOptions o;
      o.genome = dir_.File("gen.fa");
      o.output = Index();
      IndexSummary sum;
      ASSERT_TRUE(MakeSavedIndex(o, sum).ok());
    }
    pristine_ = ReadFile(Index());
    std::memcpy(&head_, pristine_.data(), sizeof head_);
    mkdir(dir_.File("out").c_str(), 0755);
    ASSERT_EQ(Map(Verify::kBySize).outcome, RunOutcome::kDone) << ::testing::PrintToString(obs_.msgs);
    ASSERT_EQ(Map(Verify::kBySize, true).outcome, RunOutcome::kDone) << ::testing::PrintToString(obs_.msgs);
    before_ = test::FolderFiles(dir_.File("out"));
  }

  std::string Index() const { return dir_.File("gen.qvi"); }

  // Maps the reads, or as pairs the reads and their mates.
  RunSummary Map(Verify verify, bool pairs = false) {
    obs_.msgs.clear();
    MapOptions o;
    o.PthGnm = Index();
    o.PthRds = dir_.File("reads.txt");
    if (pairs) o.PthRds2 = dir_.File("mates.txt");
    o.DiRes = dir_.File("out");
    o.samPath = dir_.File(pairs ? "out/pairs.sam" : "out/hits.sam");
    o.misNu = 2;
    o.ProcNm = "quorvane";
    o.threads = 2;
    o.indexVerify = verify;
    return RunMapping(o, obs_);
  }

  // Every kind of place in the file, each with the message it must give.
  std::vector<Spot> Spots() const {
    const IndexHead& h = head_;
    auto block = [](const std::string& section) { return Damaged("block 1 of its " + section + " does not match its checksum"); };
    std::vector<Spot> s = {
        {"head", offsetof(IndexHead, entries), Damaged("its head does not match its checksum")},
        {"sequence table", h.seqTableAt + 8, Damaged("its sequence table and names do not match their checksum")},
        {"names", h.namesAt, Damaged("its sequence table and names do not match their checksum")},
        {"letters", h.lettersAt + 2500, block("letters")},
        {"letters' pad", h.offAt - 1, block("letters")},
        {"bucket starts", h.offAt + 8 * 777, block("bucket starts")},
        {"positions", h.posAt + 4 * 10, block("positions")},
        {"contexts", h.ctxAt + 4 * 10 + 2, block("contexts")},
        {"block checksums", h.sumsAt + 3, Damaged("its block checksums do not match their checksum")},
        {"tail", h.fileBytes - 2, Damaged("its block checksums do not match their checksum")},
    };
    if (h.segments > 1) s.push_back({"segment starts", h.segAt + 8 * 1234, block("segment starts")});
    return s;
  }

  // The index with the byte at at changed.
  void Damage(uint64_t at) {
    std::string bytes = pristine_;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x24);
    WriteFile(Index(), bytes);
  }

  test::TempDir dir_;
  test::RecordingObserver obs_;
  std::string pristine_;
  IndexHead head_{};
  std::map<std::string, std::string> before_;
};

TEST_F(IndexDamageTest, EveryDamagedSectionIsRefusedByRunsAndByTheCheck) {
  for (bool segmented : {false, true}) {
    Make(segmented);
    for (const Spot& spot : Spots()) {
      SCOPED_TRACE(spot.what + (segmented ? ", segmented" : ""));
      Damage(spot.at);
      const std::string message = spot.message + "\n" + Index();
      // Verified at opening, and (for the tables a search reads) as the
      // search touches them: refused either way, nothing written.
      for (Verify verify : {Verify::kBySize, Verify::kWhenTouched}) {
        for (bool pairs : {false, true}) {
          EXPECT_EQ(Map(verify, pairs).outcome, RunOutcome::kFailed) << (pairs ? "pairs" : "reads");
          EXPECT_EQ(obs_.msgs, std::vector<std::string>{message});
          EXPECT_EQ(test::FolderFiles(dir_.File("out")), before_);
        }
      }
      IndexCheckReport report;
      EXPECT_EQ(CheckSavedIndex(Index(), 2, report).message(), message);
    }
    // Whole again: the same results, verified either way.
    WriteFile(Index(), pristine_);
    for (Verify verify : {Verify::kAllAtOpen, Verify::kWhenTouched}) {
      ASSERT_EQ(Map(verify).outcome, RunOutcome::kDone);
      ASSERT_EQ(Map(verify, true).outcome, RunOutcome::kDone);
      EXPECT_EQ(test::FolderFiles(dir_.File("out")), before_);
    }
  }
}

TEST_F(IndexDamageTest, TheCheckNamesEverySectionAndItsDamagedBlocks) {
  Make(false);
  IndexCheckReport report;
  ASSERT_TRUE(CheckSavedIndex(Index(), 1, report).ok());
  const uint64_t posBlocks = (head_.ctxAt - head_.posAt + 65535) / 65536;
  ASSERT_EQ(report.lines.size(), 8u);
  EXPECT_EQ(report.lines[0], "head: version 2, " + GroupedNumberText(6000) + " letters in 2 sequences, whole");
  EXPECT_EQ(report.lines[1], "sequence table and names: whole");
  EXPECT_EQ(report.lines[3], "letters: 1 block, whole");
  EXPECT_EQ(report.lines[5], "positions: " + std::to_string(posBlocks) + " block" + (posBlocks == 1 ? "" : "s") + ", whole");
  EXPECT_EQ(report.lines[7], "genome file: " + dir_.File("gen.fa") + ", unchanged");

  // Two sections damaged: both are reported, the first one's message is
  // the check's.
  std::string bytes = pristine_;
  bytes[head_.lettersAt + 5] ^= 1;
  bytes[head_.ctxAt + 7] ^= 1;
  WriteFile(Index(), bytes);
  report = IndexCheckReport();
  EXPECT_EQ(CheckSavedIndex(Index(), 2, report).message(),
            Damaged("block 1 of its letters does not match its checksum") + "\n" + Index());
  ASSERT_EQ(report.lines.size(), 7u);
  EXPECT_EQ(report.lines[3], "letters: 1 block, 1 damaged: block 1");
  EXPECT_EQ(report.lines[4].substr(report.lines[4].size() - 7), ", whole");
  EXPECT_EQ(report.lines[6].substr(0, 10), "contexts: ");
  EXPECT_EQ(report.lines[6].substr(report.lines[6].size() - 20), ", 1 damaged: block 1");

  // An index of the first layout, and a cut one, are refused as a run
  // refuses them.
  bytes = pristine_;
  bytes[8] = 1;
  WriteFile(Index(), bytes);
  EXPECT_EQ(CheckSavedIndex(Index(), 1, report).message(),
            "saved index is of version 1; this program reads version 2: make it again with quorvane-map index\n" +
                Index());
  WriteFile(Index(), pristine_.substr(0, pristine_.size() - 1));
  EXPECT_EQ(CheckSavedIndex(Index(), 1, report).message(), "saved index is truncated\n" + Index());
}

}  // namespace
}  // namespace quorvane
