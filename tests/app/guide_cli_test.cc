// `quorvane-map guides`, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>

#include "test_util.h"

namespace quorvane {
namespace {

using test::FolderFiles;
using test::ReadFile;
using test::WriteFile;

struct Outcome {
  int status;
  std::string out, err;
};

class GuideCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("gen.txt"), "CCCCCAGCAGCGCAACACCCTTATCTGGCCCCCC");
    WriteFile(dir_.File("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATC\n>g2\nAGCAGCGCAACACCCTTGGG\n");
    mkdir(dir_.File("res").c_str(), 0755);
  }

  Outcome Run(const std::string& args) {
    const std::string cmd = "cd " + dir_.path() + " && " + QUORVANE_BINARY_DIR "/quorvane-map " + args + " >" +
                            dir_.File("stdout") + " 2>" + dir_.File("stderr");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_.File("stdout")), ReadFile(dir_.File("stderr"))};
  }

  test::TempDir dir_;
};

TEST_F(GuideCliTest, FindsTheSitesAndReports) {
  const Outcome o = Run("guides -g gen.txt -q guides.fa --pam NGG -m 3 -o res -t 2");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("guides = 2\npam = NGG (3')\nmis = 3\n"), std::string::npos) << o.out;
  EXPECT_EQ(ReadFile(dir_.File("res/guides_gen_NGG_m3GuideSites.tsv")),
            "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n"
            "g1\tgen\t6\t+\tAGCAGCGCAACACCCTTATCTGG\t0\tTGG\n"
            "g2\tgen\t6\t+\tAGCAGCGCAACACCCTTatcTGG\t3\tTGG\n");
  EXPECT_EQ(ReadFile(dir_.File("res/guides_gen_NGG_m3GuideSummary.tsv")),
            "guide\tletters\tm0\tm1\tm2\tm3\tsites\ng1\tAGCAGCGCAACACCCTTATC\t1\t0\t0\t0\t1\n"
            "g2\tAGCAGCGCAACACCCTTGGG\t0\t0\t0\t1\t1\n");

  const Outcome sam = Run("guides -g gen.txt -q guides.fa --pam NGG -m 2 --sam - --quiet");
  ASSERT_EQ(sam.status, 0) << sam.err;
  EXPECT_NE(
      sam.out.find("\ng1\t0\tgen\t6\t60\t23M\t*\t0\t0\tAGCAGCGCAACACCCTTATCTGG\t*\tNM:i:0\tMD:Z:23\tNH:i:1\tHI:i:1\n"),
      std::string::npos)
      << sam.out;
  EXPECT_EQ(sam.out.find("\ng2\t"), std::string::npos);

  // A 5' PAM: TTTV before the protospacer; none here.
  const Outcome five = Run("guides -g gen.txt -q guides.fa --pam-5 TTTV -m 5 -o res --quiet");
  ASSERT_EQ(five.status, 0) << five.err;
  EXPECT_EQ(ReadFile(dir_.File("res/guides_gen_5TTTV_m5GuideSites.tsv")),
            "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n");
}

TEST_F(GuideCliTest, BulgesInTheSamRecordsAndTheSitesFile) {
  // The protospacer of g1 with a G put in (a DNA bulge) and, on the
  // complementary strand, with an A taken out (an RNA bulge).
  WriteFile(dir_.File("gen.txt"), "CCCCCAGCAGCGCAACAGCCCTTATCTGGCCCCCCCCCCCCCCACCAGATAAGGGGTTGCGCTGCTCCCC");
  WriteFile(dir_.File("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATC\n");
  Outcome o = Run("guides -g gen.txt -q guides.fa --pam NGG --dna-bulge 1 --rna-bulge 1 --sam - -o res --quiet");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string records = o.out.substr(o.out.rfind("@PG"));
  EXPECT_EQ(records.substr(records.find('\n') + 1),
            "g1\t0\tgen\t6\t0\t12M1D11M\t*\t0\t0\tAGCAGCGCAACACCCTTATCTGG\t*\tNM:i:1\tMD:Z:12^G11\tNH:i:2\tHI:i:1\n"
            "g1\t272\tgen\t45\t0\t11M1I11M\t*\t0\t0\tCCAGATAAGGGTGTTGCGCTGCT\t*\tNM:i:1\tMD:Z:22\tNH:i:2\tHI:i:2\n");
  EXPECT_EQ(ReadFile(dir_.File("res/guides_gen_NGG_m0_d1_r1GuideSites.tsv")),
            "guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\tbulgeType\tbulgeSize\tguideAln\tsiteAln\n"
            "g1\tgen\t6\t+\tAGCAGCGCAACAgCCCTTATCTGG\t0\tTGG\tDNA\t1\tAGCAGCGCAACA-CCCTTATCTGG\t"
            "AGCAGCGCAACAgCCCTTATCTGG\n"
            "g1\tgen\t45\t-\tAGCAGCGCAACCCCTTATCTGG\t0\tTGG\tRNA\t1\tAGCAGCGCAACACCCTTATCTGG\t"
            "AGCAGCGCAAC-CCCTTATCTGG\n");
  // Without bulges neither is a site.
  o = Run("guides -g gen.txt -q guides.fa --pam NGG -m 0 --sam - --quiet");
  EXPECT_EQ(o.out.find("\ng1\t"), std::string::npos);
}

TEST_F(GuideCliTest, ASavedIndexServesAsTheGenome) {
  ASSERT_EQ(Run("guides -g gen.txt -q guides.fa --pam NGG -m 3 -o res --quiet").status, 0);
  const auto fromGenome = FolderFiles(dir_.File("res"));
  ASSERT_EQ(Run("index gen.txt -o gen.qvi -q").status, 0);
  const Outcome o = Run("guides -g gen.qvi -q guides.fa --pam NGG -m 3 -o res --quiet");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(FolderFiles(dir_.File("res")), fromGenome);
}

TEST_F(GuideCliTest, RefusesBadPamGuidesAndLimitsWithoutTouchingResults) {
  ASSERT_EQ(Run("guides -g gen.txt -q guides.fa --pam NGG -m 3 -o res").status, 0);
  const auto before = FolderFiles(dir_.File("res"));
  Outcome o = Run("guides -g gen.txt -q guides.fa --pam NGZ -m 3 -o res");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "bad PAM letter 'Z' in NGZ: a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG -m 6 -o res");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "a guide search allows at most 5 mismatches, not 6\n");
  o = Run("guides -g gen.txt -q guides.fa -m 3 -o res");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "give the PAM: --pam PATTERN (3') or --pam-5 PATTERN (5')\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG --pam-5 TTTV -o res");
  EXPECT_EQ(o.status, 2);
  o = Run("guides -g gen.txt -q guides.fa --pam NGG");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "give -o RESULTS_DIR, --sam FILE or both\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG --dna-bulge 3 -o res");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "a guide search allows DNA bulges of at most 2 letters, not 3\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG --rna-bulge x -o res");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "RNA bulges must be a number from 0 to 2, not x\n");
  WriteFile(dir_.File("genes.gtf"), "gen\tt\texon\t1\t10\t.\t+\t.\tgene_id \"A\";\ngen\tt\texon\t1\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG --annotate genes.gtf -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "line 2 of genes.gtf: a GTF line has 9 fields separated by tabs\n");

  WriteFile(dir_.File("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATC\n>bad\nAGCAGCGCAACACCCTTAXC\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG -m 3 -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "bad letter 'X' in guide bad (line 4): a guide holds the IUPAC letters A C G T R Y S W K M B D H V N\n");
  WriteFile(dir_.File("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATCAGCAGCGCAACACCCTTATCA\n");
  o = Run("guides -g gen.txt -q guides.fa --pam NGG -m 3 -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "guide g1 (line 1) has 41 letters; a guide has 15 to 40\n");
  EXPECT_EQ(FolderFiles(dir_.File("res")), before);
}

TEST_F(GuideCliTest, HelpNamesTheOptionsAndTheMappingStaysAsItWas) {
  Outcome o = Run("guides --help");
  EXPECT_EQ(o.status, 0);
  for (const char* opt : {"--pam", "--pam-5", "--guides", "--mismatches", "--results", "--sam", "--linear",
                          "--dna-bulge", "--rna-bulge", "--scores", "--annotate"}) {
    EXPECT_NE(o.out.find(opt), std::string::npos) << opt;
  }
  o = Run("--help");
  EXPECT_NE(o.out.find("quorvane-map guides --help"), std::string::npos);
  WriteFile(dir_.File("reads.txt"), "CAGCAGCGCAACACCC\n");
  o = Run("-g gen.txt -r reads.txt -o res -m 0 -q");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/reads_gen_m0MapRdsPos.txt")), "rdNom\tread\tpos\n1\tCAGCAGCGCAACACCC\t+5");
}

}  // namespace
}  // namespace quorvane
