// Guide runs past the memory budget (sorted runs on disk), with bulges,
// scores and an annotation, through RunGuides.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "fault_env.h"
#include "run/guide_run.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::FolderFiles;
using test::ReadFile;
using test::WriteFile;

class Recorder : public RunObserver {
 public:
  void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
  void OnProgress(const RunProgress& p) override { last = p.text; }
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool) override {}
  bool StopRequested() override { return stopAfter >= 0 && ++polls > stopAfter; }
  std::vector<std::string> msgs;
  std::string last;
  int stopAfter = -1, polls = 0;
};

// Whether any sorted run is left in folder.
bool RunsLeft(const std::string& folder) {
  for (const auto& [name, what] : FolderFiles(folder)) {
    if (name.rfind(".sort-", 0) == 0) return true;
  }
  return false;
}

class GuideSitesRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(11);
    WriteFile(dir_.File("gen.fa"), ">a\n" + test::RandomLetters(rng, 60'000) + "\n>b topology=linear\n" +
                                       test::RandomLetters(rng, 20'000) + "\n");
    // Every NGG site, for each of the two guides: about 10,000 sites.
    WriteFile(dir_.File("n.fa"), ">n1\nNNNNNNNNNNNNNNNNNNNN\n>n2\nNNNNNNNNNNNNNNNNNNNN\n");
    mkdir(dir_.File("res").c_str(), 0755);
    mkdir(dir_.File("big").c_str(), 0755);
    o_.PthGnm = dir_.File("gen.fa");
    o_.PthGuides = dir_.File("n.fa");
    ASSERT_TRUE(ParsePam("NGG", false, o_.pam).ok());
    o_.ProcNm = "quorvane-map";
    o_.threads = 2;
  }
  std::string Sites(const std::string& folder) { return ReadFile(dir_.File(folder + "/n_gen_NGG_m0GuideSites.tsv")); }

  test::TempDir dir_;
  GuideOptions o_;
  Recorder obs_;
};

TEST_F(GuideSitesRunTest, SortedRunsOnDiskGiveTheSameFilesAndLeaveNothing) {
  o_.DiRes = dir_.File("big");
  RunSummary whole = RunGuides(o_, obs_);
  ASSERT_EQ(whole.outcome, RunOutcome::kDone);
  // A budget of 4 KiB of sites: hundreds of runs, merged in more than one
  // round.
  o_.DiRes = dir_.File("res");
  o_.sortBudget = 4096;
  o_.samPath = dir_.File("res/n.sam");
  RunSummary small = RunGuides(o_, obs_);
  ASSERT_EQ(small.outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
  EXPECT_EQ(Sites("res"), Sites("big"));
  EXPECT_FALSE(RunsLeft(dir_.File("res")));
  // Every PAM site, for each guide; the last progress text is the count.
  const size_t at = small.report.find("pam sites = ");
  const int64_t pamSites = std::stoll(small.report.substr(at + 12));
  EXPECT_GT(pamSites, 8000);
  EXPECT_NE(small.report.find("\nsites = " + std::to_string(2 * pamSites) + "\n"), std::string::npos);
  EXPECT_EQ(obs_.last, std::to_string(2 * pamSites));
  const std::string sam = ReadFile(dir_.File("res/n.sam"));
  EXPECT_NE(sam.find("\tNH:i:" + std::to_string(pamSites) + "\tHI:i:" + std::to_string(pamSites) + "\n"),
            std::string::npos);
}

TEST_F(GuideSitesRunTest, AFailedOrStoppedRunRemovesItsSortedRuns) {
  o_.DiRes = dir_.File("res");
  o_.sortBudget = 4096;
  ASSERT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kDone);
  const auto before = FolderFiles(dir_.File("res"));
  for (int fault = 0; fault < 3; ++fault) {
    test::FaultEnv env;
    if (fault == 0) env.FailWriteAfter("-3", 100);   // the third sorted run
    if (fault == 1) env.FailOpen("-7");              // the seventh
    if (fault == 2) env.FailReadAfter("-2", 1000);   // the second, read back
    o_.env = &env;
    EXPECT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kFailed) << fault;
    EXPECT_EQ(FolderFiles(dir_.File("res")), before) << fault;
    EXPECT_FALSE(RunsLeft(dir_.File("res"))) << fault;
  }
  EXPECT_NE(obs_.msgs[0].find("can't write " + dir_.File("res/.sort-")), std::string::npos) << obs_.msgs[0];
  o_.env = nullptr;
  obs_.stopAfter = 1;
  EXPECT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kInterrupted);
  EXPECT_EQ(FolderFiles(dir_.File("res")), before);
}

TEST_F(GuideSitesRunTest, BulgesScoresAndGenesInTheirColumns) {
  // The guide's own site, a copy with a DNA bulge, one with an RNA bulge,
  // and one with a mismatch, on a linear sequence with a gene.
  const std::string guide = "GACGCATAAAGATGAGACGC";
  const std::string filler(30, 'T');
  const std::string seq = filler + guide + "TGG" + filler + "GACGCATAAAGAATGAGACGC" + "AGG" + filler +
                          "GACGCATAAGATGAGACGC" + "CGG" + filler + "GACGCATAAAGATGAGACCC" + "GGG" + filler;
  WriteFile(dir_.File("one.fa"), ">chr1\n" + seq + "\n");
  WriteFile(dir_.File("g.fa"), ">g\n" + guide + "\n");
  WriteFile(dir_.File("genes.gtf"), "chr1\tt\texon\t31\t60\t.\t+\t.\tgene_id \"E\"; gene_name \"eta\";\n");
  o_.PthGnm = dir_.File("one.fa");
  o_.PthGuides = dir_.File("g.fa");
  o_.DiRes = dir_.File("res");
  o_.linear = true;
  o_.mis = 1;
  o_.dnaBulge = 1;
  o_.rnaBulge = 1;
  o_.scores = true;
  o_.PthAnnotation = dir_.File("genes.gtf");
  const RunSummary r = RunGuides(o_, obs_);
  ASSERT_EQ(r.outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
  EXPECT_EQ(ReadFile(dir_.File("res/g_one_NGG_m1_d1_r1GuideSites.tsv")),
            "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\tbulgeType\tbulgeSize\tguideAln\tsiteAln\tcfd\tmit\t"
            "genes\tfeature\n"
            "g\tchr1\t31\t+\tGACGCATAAAGATGAGACGCTGG\t0\tTGG\tnone\t0\tGACGCATAAAGATGAGACGCTGG\t"
            "GACGCATAAAGATGAGACGCTGG\t1.0000\t100.00\teta\texon\n"
            "g\tchr1\t190\t+\tGACGCATAAAGATGAGACcCGGG\t1\tGGG\tnone\t0\tGACGCATAAAGATGAGACGCGGG\t"
            "GACGCATAAAGATGAGACcCGGG\t0.4483\t31.50\t-\tintergenic\n"
            // The bulges lie as far from the PAM as the repeats let them:
            // r-:dT at 12, then rA:d- at 8 (Doench 2016, Table 19).
            "g\tchr1\t84\t+\tGACGCATAAAGaATGAGACGCAGG\t0\tAGG\tDNA\t1\tGACGCATAAAG-ATGAGACGCAGG\t"
            "GACGCATAAAGaATGAGACGCAGG\t0.0769\t\t-\tintergenic\n"
            "g\tchr1\t138\t+\tGACGCATAAGATGAGACGCCGG\t0\tCGG\tRNA\t1\tGACGCATAAAGATGAGACGCCGG\t"
            "GACGCAT-AAGATGAGACGCCGG\t0.2344\t\t-\tintergenic\n"
            // The last copy's other PAM, a letter before: guide letter 19
            // unpaired.
            "g\tchr1\t190\t+\tGACGCATAAAGATGAGACCCGG\t0\tCGG\tRNA\t1\tGACGCATAAAGATGAGACGCCGG\t"
            "GACGCATAAAGATGAGAC-CCGG\t0.0635\t\t-\tintergenic\n");
  // MIT: 100 * 100 / (100 + 31.5); CFD: the sum of the four off-targets' CFD.
  EXPECT_EQ(ReadFile(dir_.File("res/g_one_NGG_m1_d1_r1GuideSummary.tsv")),
            "guide\tletters\tm0\tm1\tsites\tb1\tb2\tmitSpecificity\tcfdSpecificity\n"
            "g\tGACGCATAAAGATGAGACGC\t4\t1\t5\t3\t0\t76\t99\n");
  EXPECT_NE(r.report.find("\ndna bulge = 1\nrna bulge = 1\n"), std::string::npos) << r.report;
  EXPECT_NE(r.report.find("\nsites b1 = 3\nsites b2 = 0"), std::string::npos) << r.report;
}

TEST_F(GuideSitesRunTest, ABadAnnotationLineIsRefusedBeforeAnythingIsWritten) {
  o_.DiRes = dir_.File("res");
  WriteFile(dir_.File("genes.bed"), "a\t0\t100\tx\na\t200\t150\ty\n");
  o_.PthAnnotation = dir_.File("genes.bed");
  EXPECT_EQ(RunGuides(o_, obs_).outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs.back(),
            "line 2 of " + dir_.File("genes.bed") + ": start and end must be whole numbers, the start not past the end");
  EXPECT_TRUE(FolderFiles(dir_.File("res")).empty());
}

}  // namespace
}  // namespace quorvane
