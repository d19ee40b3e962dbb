// Saved indexes: a run from one writes the files a run from its genome
// writes; an index that is cut short, damaged, of another version or
// older than its genome is refused and no result is touched; making one
// never leaves a half-written file.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "brute_force.h"
#include "fault_env.h"
#include "saved_index/index_reader.h"
#include "run/index_run.h"
#include "run_fixture.h"
#include "setup/input_checks.h"

namespace quorvane {
namespace {

using test::ReadFile;
using test::WriteFile;

std::string Fasta(const std::vector<test::Seq>& seqs) {
  std::string out;
  for (const test::Seq& s : seqs) {
    out += ">" + s.name + (s.circular ? "" : " topology=linear") + "\n";
    for (size_t at = 0; at < s.letters.size(); at += 70) out += s.letters.substr(at, 70) + "\n";
  }
  return out;
}

// Reads drawn from every sequence's strands, many across the ends, some
// with changes, as plain lines.
std::string DrawReads(const std::vector<test::Seq>& seqs, int n, std::mt19937& rng) {
  std::string out;
  std::uniform_int_distribution<int> coin(0, 9), len(12, 150);
  for (int i = 0; i < n; ++i) {
    const test::Seq& s = seqs[static_cast<size_t>(i) % seqs.size()];
    const std::string& sq = coin(rng) < 5 ? s.letters : test::ReverseComplement(s.letters);
    const int l = len(rng);
    std::uniform_int_distribution<size_t> at(0, sq.size() - 1);
    const size_t from = coin(rng) < 3 ? sq.size() - static_cast<size_t>(l) / 2 : at(rng);
    std::string r;
    for (int k = 0; k < l; ++k) r.push_back(sq[(from + static_cast<size_t>(k)) % sq.size()]);
    for (int k = coin(rng) % 4; k > 0; --k) r[static_cast<size_t>(coin(rng) * l / 10)] = "ACGT"[coin(rng) % 4];
    out += r + "\n";
  }
  return out;
}

class SavedIndexTest : public ::testing::Test {
 protected:
  // Writes the genome and the reads and makes the saved index gen.qvi.
  void Make(const std::string& genomeText, const std::string& reads, int step = 0) {
    WriteFile(dir_.File("gen.fa"), genomeText);
    WriteFile(dir_.File("reads.txt"), reads);
    IndexOptions o;
    o.genome = dir_.File("gen.fa");
    o.output = Index();
    o.step = step;
    IndexSummary sum;
    ASSERT_TRUE(MakeSavedIndex(o, sum).ok());
    EXPECT_GT(sum.bytes, 0);
  }
  std::string Index() const { return dir_.File("gen.qvi"); }

  // A run of reads against genome (the FASTA or the index) into folder
  // out, with a SAM file there too; the summary.
  RunSummary Map(const std::string& genome, const std::string& out, int misNu, const std::string& sam = "hits.sam") {
    mkdir(dir_.File(out).c_str(), 0755);
    MapOptions o;
    o.PthGnm = genome;
    o.PthRds = dir_.File("reads.txt");
    o.DiRes = dir_.File(out);
    o.samPath = sam.empty() ? "" : dir_.File(out) + "/" + sam;
    o.misNu = misNu;
    o.ProcNm = "quorvane";
    o.threads = 2;
    return RunMapping(o, obs_);
  }

  test::TempDir dir_;
  test::RecordingObserver obs_;
};

TEST_F(SavedIndexTest, RunsFromTheIndexWriteTheFilesOfTheGenome) {
  std::mt19937 rng(17);
  const std::vector<std::vector<test::Seq>> genomes = {
      {{"one", test::RandomLetters(rng, 30001), true}},
      {{"chrom", test::RandomLetters(rng, 20000), true},
       {"plasmid", test::RandomLetters(rng, 3001, "ACGTacgt"), true},
       {"lin", test::RandomLetters(rng, 5000), false},
       {"iupac", test::RandomLetters(rng, 4000, "ACGTNRYKMacgtn"), false},
       {"tiny", "ACGTTGCA", true}},
  };
  for (size_t gi = 0; gi < genomes.size(); ++gi) {
    for (int step : {0, 2}) {
      SCOPED_TRACE("genome " + std::to_string(gi) + " step " + std::to_string(step));
      const std::string reads = DrawReads(genomes[gi], 300, rng);
      Make(Fasta(genomes[gi]), reads, step);
      for (int misNu : {0, 3}) {
        const std::string a = "a" + std::to_string(gi) + std::to_string(step) + std::to_string(misNu);
        const std::string b = "b" + a;
        ASSERT_EQ(Map(dir_.File("gen.fa"), a, misNu).outcome, RunOutcome::kDone);
        ASSERT_EQ(Map(Index(), b, misNu).outcome, RunOutcome::kDone) << ::testing::PrintToString(obs_.msgs);
        const auto want = test::FolderFiles(dir_.File(a)), got = test::FolderFiles(dir_.File(b));
        ASSERT_EQ(got.size(), want.size());
        for (const auto& [name, content] : want) {
          ASSERT_TRUE(got.count(name)) << name;
          EXPECT_EQ(got.at(name), content) << name;
        }
      }
    }
  }
}

TEST_F(SavedIndexTest, LinearIsForTheIndexNotForARunFromIt) {
  std::mt19937 rng(8);
  Make(Fasta({{"x", test::RandomLetters(rng, 2000), true}}), "ACGTACGTACGTAC\n");
  mkdir(dir_.File("out").c_str(), 0755);
  MapOptions o;
  o.PthGnm = Index();
  o.PthRds = dir_.File("reads.txt");
  o.DiRes = dir_.File("out");
  o.linear = true;
  o.ProcNm = "quorvane";
  EXPECT_EQ(RunMapping(o, obs_).outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"--linear is given when the saved index is made (quorvane-map index "
                                                "--linear GENOME -o NAME), not to a run from it\n" + Index()});
  EXPECT_TRUE(test::FolderFiles(dir_.File("out")).empty());
}

TEST_F(SavedIndexTest, TheInputCheckMeasuresTheIndexAsItsGenome) {
  std::mt19937 rng(3);
  Make(Fasta({{"x", test::RandomLetters(rng, 1000), true}, {"y", test::RandomLetters(rng, 234), false}}), "ACGTACGTACGTAC\n");
  struct Listener : CheckListener {
    std::vector<std::string> msgs;
    std::string size;
    void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
    void OnGenomeSize(const std::string& t) override { size = t; }
  } l;
  AcceptedInputs in;
  EXPECT_TRUE(CheckInputs({Index(), dir_.File("reads.txt"), dir_.path()}, in, l));
  EXPECT_EQ(in.gnmLen, 1234);
  EXPECT_EQ(in.gnmSeqs, 2);
  EXPECT_TRUE(l.msgs.empty());
}

// Changes the index file with edit, then expects a run from it to fail
// with message and leave the earlier results as they were.
class BadIndexTest : public SavedIndexTest {
 protected:
  void SetUp() override {
    std::mt19937 rng(9);
    genome_ = test::RandomLetters(rng, 5000);
    Make(Fasta({{"g", genome_, true}}), DrawReads({{"g", genome_, true}}, 50, rng));
    ASSERT_EQ(Map(Index(), "out", 1).outcome, RunOutcome::kDone);
    before_ = test::FolderFiles(dir_.File("out"));
    obs_.msgs.clear();
  }
  void ExpectRefused(const std::string& message) {
    obs_.msgs.clear();
    const RunSummary r = Map(Index(), "out", 1);
    EXPECT_EQ(r.outcome, RunOutcome::kFailed);
    EXPECT_EQ(obs_.msgs, std::vector<std::string>{message});
    EXPECT_EQ(test::FolderFiles(dir_.File("out")), before_);
  }
  void Patch(size_t at, const std::string& bytes) {
    std::fstream f(Index(), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  int64_t Size() {
    struct stat st;
    stat(Index().c_str(), &st);
    return st.st_size;
  }

  std::string genome_;
  std::map<std::string, std::string> before_;
};

TEST_F(BadIndexTest, ATruncatedIndexIsRefused) {
  ASSERT_EQ(truncate(Index().c_str(), Size() - 100), 0);
  ExpectRefused("saved index is truncated\n" + Index());
  ASSERT_EQ(truncate(Index().c_str(), 20), 0);  // not even its head
  ExpectRefused("saved index is truncated\n" + Index());
}

TEST_F(BadIndexTest, DamagedLettersAreRefused) {
  const std::string text = ReadFile(Index());
  const size_t at = text.find(genome_.substr(1000, 40));
  ASSERT_NE(at, std::string::npos);
  Patch(at, genome_[1000] == 'A' ? "C" : "A");
  ExpectRefused("saved index is damaged: block 1 of its letters does not match its checksum: make it again with "
                "quorvane-map index\n" + Index());
}

TEST_F(BadIndexTest, ADamagedHeadIsRefused) {
  // The sequence's name, in the names section.
  const std::string text = ReadFile(Index());
  const size_t at = text.find(dir_.File("gen.fa"));
  ASSERT_NE(at, std::string::npos);
  Patch(at + 1, "?");
  ExpectRefused("saved index is damaged: its sequence table and names do not match their checksum: make it again "
                "with quorvane-map index\n" + Index());
}

TEST_F(BadIndexTest, AnotherVersionIsRefused) {
  Patch(8, std::string("\x63\0\0\0", 4));
  ExpectRefused("saved index is of version 99; this program reads version 2: make it again with quorvane-map index\n" +
                Index());
}

TEST_F(BadIndexTest, AnIndexOlderThanItsGenomeIsRefused) {
  std::string changed = genome_;
  changed[10] = changed[10] == 'A' ? 'C' : 'A';
  WriteFile(dir_.File("gen.fa"), Fasta({{"g", changed, true}}));
  ExpectRefused("saved index is stale: its genome file changed after it was made\n" + dir_.File("gen.fa") + "\n" +
                Index());
  // Without its genome beside it, the index stands on its own.
  ASSERT_EQ(unlink(dir_.File("gen.fa").c_str()), 0);
  EXPECT_EQ(Map(Index(), "out", 1).outcome, RunOutcome::kDone);
}

TEST_F(SavedIndexTest, MakingAnIndexNeverLeavesAHalfWrittenFile) {
  std::mt19937 rng(4);
  WriteFile(dir_.File("gen.fa"), Fasta({{"g", test::RandomLetters(rng, 4000), true}}));
  WriteFile(Index(), "an earlier file");
  test::FaultEnv env;
  env.FailWriteAfter(".part-" + std::to_string(getpid()), 1000);
  IndexOptions o;
  o.genome = dir_.File("gen.fa");
  o.output = Index();
  o.env = &env;
  IndexSummary sum;
  const Status st = MakeSavedIndex(o, sum);
  EXPECT_EQ(st.code(), Status::Code::kIoError);
  EXPECT_EQ(st.message(), "can't write " + Index());
  EXPECT_EQ(ReadFile(Index()), "an earlier file");
  EXPECT_EQ(test::FolderFiles(dir_.path()).size(), 2u);  // the genome and the earlier file, no part left

  // The genome itself, and a saved index as a genome, are refused.
  o.env = nullptr;
  o.output = o.genome;
  EXPECT_EQ(MakeSavedIndex(o, sum).message(), "the index file is the genome file\n" + o.genome);
  o.output = Index();
  ASSERT_TRUE(MakeSavedIndex(o, sum).ok());
  o.genome = Index();
  o.output = dir_.File("again.qvi");
  EXPECT_EQ(MakeSavedIndex(o, sum).message(), "the genome is a saved index already\n" + Index());
}

}  // namespace
}  // namespace quorvane
