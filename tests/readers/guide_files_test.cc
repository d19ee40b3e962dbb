// The guides file in its three layouts, and a whole guide run's files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "guides/guide_query.h"
#include "fault_env.h"
#include "readers/guide_file.h"
#include "run/guide_run.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::FolderFiles;
using test::ReadFile;
using test::WriteFile;

std::vector<Guide> Read(const std::string& path, Status* status = nullptr) {
  std::vector<Guide> g;
  const Status st = ReadGuides(*Env::Default(), path, g);
  if (status != nullptr) *status = st;
  if (status == nullptr) {
    EXPECT_TRUE(st.ok()) << st.message();
  }
  return g;
}

std::vector<std::string> Names(const std::vector<Guide>& g) {
  std::vector<std::string> out;
  for (const Guide& x : g) out.push_back(x.name + "=" + x.letters);
  return out;
}

TEST(GuideFileTest, ReadsFastaTableAndLines) {
  test::TempDir dir;
  WriteFile(dir.File("g.fa"), ">one first guide\r\nACGTACGTAC\r\ngtacgtacgt\n\n>two\nRYSWKMBDHVNACGTA\n");
  EXPECT_EQ(Names(Read(dir.File("g.fa"))),
            (std::vector<std::string>{"one=ACGTACGTACGTACGTACGT", "two=RYSWKMBDHVNACGTA"}));
  WriteFile(dir.File("g.tsv"), "name\tsequence\n# a comment\nx 1\tACGTACGTACGTACGT \n\ny\tTTTTTTTTTTTTTTTTTTTT");
  EXPECT_EQ(Names(Read(dir.File("g.tsv"))),
            (std::vector<std::string>{"x 1=ACGTACGTACGTACGT", "y=TTTTTTTTTTTTTTTTTTTT"}));
  test::WriteGzip(dir.File("g.txt.gz"), "acgtacgtacgtacgt\n\nCCCCCCCCCCCCCCCCCCCCC\n");
  EXPECT_EQ(
      Names(Read(dir.File("g.txt.gz"))),
      (std::vector<std::string>{"acgtacgtacgtacgt=ACGTACGTACGTACGT", "CCCCCCCCCCCCCCCCCCCCC=CCCCCCCCCCCCCCCCCCCCC"}));
}

TEST(GuideFileTest, RefusesBadGuidesWithTheirPlace) {
  test::TempDir dir;
  Status st;
  WriteFile(dir.File("a.txt"), "ACGTACGTACGTACGT\nACGTACGTACGTACGUA\n");
  Read(dir.File("a.txt"), &st);
  EXPECT_EQ(st.message(),
            "bad letter 'U' in guide ACGTACGTACGTACGUA (line 2): a guide holds the IUPAC letters A C G T R Y S W K "
            "M B D H V N");
  WriteFile(dir.File("b.fa"), ">ok\nACGTACGTACGTACGT\n>tiny\nACGT\n");
  Read(dir.File("b.fa"), &st);
  EXPECT_EQ(st.message(), "guide tiny (line 3) has 4 letters; a guide has 15 to 40");
  // A FASTA guide over several lines: the message names the line that
  // holds the bad letter, not the header's.
  WriteFile(dir.File("d.fa"), ">ok\nACGTACGTACGTACGT\n>split\nACGTACGTAC\nGTACGT\nACXTAC\n");
  Read(dir.File("d.fa"), &st);
  EXPECT_EQ(st.message(),
            "bad letter 'X' in guide split (line 6): a guide holds the IUPAC letters A C G T R Y S W K M B D H V N");
  WriteFile(dir.File("c.txt"), "\n# nothing\n");
  Read(dir.File("c.txt"), &st);
  EXPECT_EQ(st.message(), "no guide in " + dir.File("c.txt"));
  Read(dir.File("missing.txt"), &st);
  EXPECT_EQ(st.code(), Status::Code::kCantOpen);
  EXPECT_EQ(st.message(), "can't open " + dir.File("missing.txt"));
}

class RecordingObserver : public RunObserver {
 public:
  void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
  void OnProgress(const RunProgress&) override {}
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool d) override { ends.push_back(d); }
  std::vector<std::string> msgs;
  std::vector<bool> ends;
};

class GuideRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One site of g1 across the origin, one of g2 on the complementary strand.
    WriteFile(dir_.File("gen.fa"),
              ">c\nCATTACTTGGAAAAAAAAAAAAAAAAAAAAAAAAAAAAACTACTTA\n>p topology=linear\nAAAACCAAGTAATGTAAGTAGTAAAA\n");
    WriteFile(dir_.File("guides.txt"), "ACTACTTACATTACT\nACTACTTACATTACG\n");
    mkdir(dir_.File("res").c_str(), 0755);
    o_.PthGnm = dir_.File("gen.fa");
    o_.PthGuides = dir_.File("guides.txt");
    o_.DiRes = dir_.File("res");
    ASSERT_TRUE(ParsePam("NGG", false, o_.pam).ok());
    o_.mis = 1;
    o_.ProcNm = "quorvane-map";
  }
  std::string Res(const std::string& name) { return dir_.File("res/guides_gen_NGG_m1" + name); }

  test::TempDir dir_;
  GuideOptions o_;
  RecordingObserver obs_;
};

TEST_F(GuideRunTest, WritesSitesSummaryAndSam) {
  o_.samPath = dir_.File("sites.sam");
  const RunSummary r = RunGuides(o_, obs_);
  ASSERT_EQ(r.outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
  EXPECT_EQ(ReadFile(Res("GuideSites.tsv")),
            "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n"
            "ACTACTTACATTACT\tc\t39\t+\tACTACTTACATTACTTGG\t0\tTGG\n"
            "ACTACTTACATTACT\tp\t5\t-\tACTACTTACATTACTTGG\t0\tTGG\n"
            "ACTACTTACATTACG\tc\t39\t+\tACTACTTACATTACtTGG\t1\tTGG\n"
            "ACTACTTACATTACG\tp\t5\t-\tACTACTTACATTACtTGG\t1\tTGG\n");
  EXPECT_EQ(ReadFile(Res("GuideSummary.tsv")),
            "guide\tletters\tm0\tm1\tsites\nACTACTTACATTACT\tACTACTTACATTACT\t2\t0\t2\n"
            "ACTACTTACATTACG\tACTACTTACATTACG\t0\t2\t2\n");
  const std::string sam = ReadFile(dir_.File("sites.sam"));
  EXPECT_NE(sam.find("@SQ\tSN:c\tLN:46\tTP:circular\n@SQ\tSN:p\tLN:26\n"), std::string::npos);
  EXPECT_NE(sam.find("\nACTACTTACATTACT\t272\tp\t5\t0\t18M\t*\t0\t0\tCCAAGTAATGTAAGTAGT"), std::string::npos) << sam;
  EXPECT_NE(r.report.find("\nsites = 4\nsites m0 = 2\nsites m1 = 2"), std::string::npos) << r.report;
  EXPECT_EQ(obs_.ends, std::vector<bool>{true});
}

TEST_F(GuideRunTest, AFailedRunLeavesEarlierResults) {
  ASSERT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kDone);
  const auto before = FolderFiles(dir_.File("res"));
  // A bad guide: refused before anything is written.
  WriteFile(dir_.File("guides.txt"), "ACTACTTACATTACT\nACTACTTACATTAC\n");
  EXPECT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs.back(), "guide ACTACTTACATTAC (line 2) has 14 letters; a guide has 15 to 40");
  EXPECT_EQ(FolderFiles(dir_.File("res")), before);
  // A write that fails, a close that fails, a rename that fails.
  WriteFile(dir_.File("guides.txt"), "ACTACTTACATTACT\n");
  for (int fault = 0; fault < 3; ++fault) {
    test::FaultEnv env;
    if (fault == 0) env.FailWriteAfter("GuideSites.tsv", 10);
    if (fault == 1) env.FailClose("GuideSummary.tsv");
    if (fault == 2) env.FailRename("GuideSummary.tsv");
    o_.env = &env;
    EXPECT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kFailed) << fault;
    EXPECT_EQ(FolderFiles(dir_.File("res")), before) << fault;
  }
  EXPECT_EQ(obs_.ends.back(), false);
}

}  // namespace
}  // namespace quorvane
