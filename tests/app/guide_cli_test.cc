// `quorvane-map guides`, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <random>

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

// A genome of two sequences with the guides' sites planted in it, near
// matches among them; the index of it with site tables of NGG and TTTV.
class SiteTableCliTest : public GuideCliTest {
 protected:
  void SetUp() override {
    GuideCliTest::SetUp();
    std::mt19937 rng(25);
    const std::string g1 = "AGCAGCGCAACACCCTTATC", g2 = "TTGACCTAGGACCATGACTGAGTC";
    std::string a = test::RandomLetters(rng, 5000), b = test::RandomLetters(rng, 1200);
    for (int i = 0; i < 12; ++i) {
      std::string site = (i % 2 == 0 ? g1 : g2) + "TGG";
      site[static_cast<size_t>(i * 3) % 18] = 'A';
      if (i % 3 == 0) site[5] = 'T';
      a.replace(static_cast<size_t>(200 + 380 * i), site.size(), i % 4 == 3 ? test::ReverseComplement(site) : site);
    }
    // One across the origin of the circular one.
    const std::string across = g1 + "AGG";
    b.replace(b.size() - 10, 10, across.substr(0, 10));
    b.replace(0, across.size() - 10, across.substr(10));
    WriteFile(dir_.File("gen.fa"), ">chr topology=linear\n" + a + "\n>ring topology=circular\n" + b + "\n");
    WriteFile(dir_.File("guides.fa"), ">g1\n" + g1 + "\n>g2\n" + g2 + "\n>g3\nNNNNNCAACACCCTTATCNN\n");
  }
};

TEST_F(SiteTableCliTest, AnIndexWithASiteTableAnswersWithTheFilesOfTheScan) {
  Outcome o = Run("index gen.fa -o gen.qvi --pam NGG --pam-5 TTTV");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("  site table NGG (3'): "), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  site table TTTV (5'): "), std::string::npos) << o.out;
  for (const char* search : {"--pam NGG -m 4", "--pam-5 TTTV -m 5", "--pam NGG -m 0"}) {
    mkdir(dir_.File("scan").c_str(), 0755);
    mkdir(dir_.File("table").c_str(), 0755);
    o = Run(std::string("guides -g gen.fa -q guides.fa ") + search + " -o scan --sam scan/s.sam");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("pam search = genome scan"), std::string::npos) << o.out;
    const std::string scanned = o.out;
    o = Run(std::string("guides -g gen.qvi -q guides.fa ") + search + " -o table --sam table/s.sam");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("pam search = site table of the saved index"), std::string::npos) << o.out;
    const std::string pamSites = scanned.substr(scanned.find("pam sites = "));
    EXPECT_EQ(o.out.substr(o.out.find("pam sites = "), pamSites.find('\n')), pamSites.substr(0, pamSites.find('\n')));
    auto scan = FolderFiles(dir_.File("scan")), table = FolderFiles(dir_.File("table"));
    ASSERT_EQ(scan.size(), 3u);
    // The SAM files differ only in the command line of their @PG line.
    auto noPg = [](std::string sam) {
      const size_t at = sam.find("@PG");
      return at == std::string::npos ? sam : sam.erase(at, sam.find('\n', at) - at);
    };
    const std::string samScan = ReadFile(dir_.File("scan/s.sam"));
    EXPECT_EQ(noPg(ReadFile(dir_.File("table/s.sam"))), noPg(samScan)) << search;
    // The site planted across the origin.
    if (std::string(search) == "--pam NGG -m 4") {
      EXPECT_NE(samScan.find("\tring\t1191\t"), std::string::npos) << samScan;
    }
    scan.erase("s.sam");
    table.erase("s.sam");
    EXPECT_EQ(table, scan) << search;
    std::system(("rm -rf " + dir_.File("scan") + " " + dir_.File("table")).c_str());
  }
  // Bulges, and a guide longer than the table's, are scanned for.
  o = Run("guides -g gen.qvi -q guides.fa --pam NGG -m 2 --dna-bulge 1 -o res --quiet");
  ASSERT_EQ(o.status, 0) << o.err;
  o = Run("guides -g gen.qvi -q guides.fa --pam NGG -m 2 --dna-bulge 1 -o res");
  EXPECT_NE(o.out.find("pam search = genome scan"), std::string::npos) << o.out;
  WriteFile(dir_.File("long.fa"), ">long\nAGCAGCGCAACACCCTTATCAGCAG\n");
  o = Run("guides -g gen.qvi -q long.fa --pam NGG -m 2 -o res");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("pam search = genome scan"), std::string::npos) << o.out;

  // A list with a guide longer than the table's: the table for the others,
  // the scan for it, the files of a scan of them all.
  WriteFile(dir_.File("mixed.fa"), ReadFile(dir_.File("guides.fa")) + ">long\nAGCAGCGCAACACCCTTATCAGCAG\n");
  mkdir(dir_.File("scan").c_str(), 0755);
  mkdir(dir_.File("table").c_str(), 0755);
  o = Run("guides -g gen.fa -q mixed.fa --pam NGG -m 4 -o scan");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string scanned = o.out;
  o = Run("guides -g gen.qvi -q mixed.fa --pam NGG -m 4 -o table");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("pam search = site table of the saved index for 3 guides, genome scan for 1 longer than 24 "
                       "letters\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(o.out.substr(o.out.find("pam sites = "), 30), scanned.substr(scanned.find("pam sites = "), 30));
  EXPECT_EQ(FolderFiles(dir_.File("table")), FolderFiles(dir_.File("scan")));

  o = Run("index --verify gen.qvi");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("  site table NGG (3'): "), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("near keys of its NGG sites: 1 block, whole"), std::string::npos) << o.out;
}

TEST_F(SiteTableCliTest, BadTableOptionsAndADamagedTableAreRefused) {
  Outcome o = Run("index gen.fa -o gen.qvi --pam NGZ");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "bad PAM letter 'Z' in NGZ: a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N\n");
  o = Run("index gen.fa -o gen.qvi --pam NGG --pam ngg");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "PAM NGG is given twice\n");
  o = Run("index gen.fa -o gen.qvi --pam NGG --max-guide 19");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "the longest guide of a site table is 20 to 40 letters, not 19\n");
  struct stat st;
  EXPECT_NE(stat(dir_.File("gen.qvi").c_str(), &st), 0);

  ASSERT_EQ(Run("index gen.fa -o gen.qvi --pam NGG --max-guide 30 -q").status, 0);
  ASSERT_EQ(Run("guides -g gen.qvi -q guides.fa --pam NGG -m 3 -o res --quiet").status, 0);
  const auto before = FolderFiles(dir_.File("res"));
  // One byte of the far keys changed: the run writes nothing.
  o = Run("index --verify gen.qvi");
  const size_t at = o.out.find("far keys of its NGG sites");
  ASSERT_NE(at, std::string::npos) << o.out;
  FILE* f = std::fopen(dir_.File("gen.qvi").c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, -200000, SEEK_END);
  std::fputc(0x55, f);
  std::fputc(0xAA, f);
  std::fclose(f);
  o = Run("guides -g gen.qvi -q guides.fa --pam NGG -m 3 -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("saved index is damaged: "), std::string::npos) << o.err;
  EXPECT_EQ(FolderFiles(dir_.File("res")), before);
  o = Run("index --verify gen.qvi");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("damaged: block"), std::string::npos) << o.out;
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
