// The guide search through a saved index's PAM site table against the scan
// of the genome: the same sites, the same counts, whatever the guide
// lengths, mismatches, PAMs and sequences; damaged tables refused.
#include "guides/site_table_search.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "common/iupac.h"
#include "guides/guide_search.h"
#include "run/index_run.h"
#include "saved_index/index_reader.h"
#include "guide_brute_force.h"
#include "guide_fixture.h"
#include "test_util.h"

namespace quorvane {

namespace {

using test::MakePam;
using test::RandomLetters;
using test::ReverseComplement;

struct TestSeq {
  std::string name, letters;
  bool circular;
};

// Sequences that reach every case: linear and circular, letters other
// than A, C, G, T in runs and alone, lower case, a circular sequence too
// short for the longest guide, a linear one barely longer than a site.
std::vector<TestSeq> Genome(std::mt19937& rng) {
  std::vector<TestSeq> s;
  std::string a = RandomLetters(rng, 4000, "ACGT");
  for (int i = 0; i < 4; ++i) a.replace(300 + 900 * static_cast<size_t>(i), 7 + 5 * static_cast<size_t>(i), std::string(7 + 5 * static_cast<size_t>(i), 'N'));
  for (int i = 0; i < 30; ++i) a[std::uniform_int_distribution<size_t>(0, a.size() - 1)(rng)] = "NRYacgt"[i % 7];
  s.push_back({"chrA", a, false});
  s.push_back({"plasmid", RandomLetters(rng, 1700, "ACGT"), true});
  s.push_back({"tiny", RandomLetters(rng, 25, "ACGT"), true});
  s.push_back({"stub", RandomLetters(rng, 31, "ACGT"), false});
  s.push_back({"ring", RandomLetters(rng, 600, "ACGGT"), true});
  return s;
}

std::string Fasta(const std::vector<TestSeq>& seqs) {
  std::string out;
  for (const TestSeq& q : seqs) {
    out += ">" + q.name + (q.circular ? " topology=circular" : " topology=linear") + "\n" + q.letters + "\n";
  }
  return out;
}

// The site's letters on a strand, as the genome holds them there.
std::string Stretch(const TestSeq& q, int64_t start, int len, bool compl_) {
  std::string s;
  const int64_t n = static_cast<int64_t>(q.letters.size());
  for (int k = 0; k < len; ++k) s += q.letters[static_cast<size_t>((start + k) % n)];
  return compl_ ? ReverseComplement(s) : s;
}

// Guides taken from sites of the PAM in the genome, some on the origin of
// a circular sequence, then changed in up to 6 letters and given IUPAC
// letters, of lengths 17 to 24.
std::vector<Guide> PlantedGuides(std::mt19937& rng, const std::vector<TestSeq>& seqs, const Pam& pam, int count) {
  std::vector<Guide> out;
  const int P = static_cast<int>(pam.letters.size());
  for (int tries = 0; static_cast<int>(out.size()) < count && tries < 200000; ++tries) {
    const TestSeq& q = seqs[std::uniform_int_distribution<size_t>(0, seqs.size() - 1)(rng)];
    const int L = std::uniform_int_distribution<int>(17, 24)(rng);
    const int64_t n = static_cast<int64_t>(q.letters.size());
    if (n < L + P) continue;
    int64_t start = std::uniform_int_distribution<int64_t>(0, q.circular ? n - 1 : n - L - P)(rng);
    if (tries % 5 == 0 && q.circular) start = n - L / 2;
    const bool compl_ = tries % 2 == 1;
    std::string site = Stretch(q, start, L + P, compl_);
    for (char& c : site) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string pamPart = pam.fivePrime ? site.substr(0, static_cast<size_t>(P)) : site.substr(static_cast<size_t>(L));
    bool fits = true;
    for (int k = 0; k < P; ++k) {
      fits = fits && (kIupacSet[static_cast<unsigned char>(pam.letters[static_cast<size_t>(k)])] &
                      kBaseBit[static_cast<unsigned char>(pamPart[static_cast<size_t>(k)])]) != 0;
    }
    if (!fits) continue;
    std::string g = site.substr(pam.fivePrime ? static_cast<size_t>(P) : 0, static_cast<size_t>(L));
    for (char& c : g) {
      if (kBaseBit[static_cast<unsigned char>(c)] == 0) c = 'A';
    }
    const int changes = std::uniform_int_distribution<int>(0, 6)(rng);
    for (int k = 0; k < changes; ++k) g[std::uniform_int_distribution<size_t>(0, g.size() - 1)(rng)] = "ACGT"[k % 4];
    if (out.size() % 4 == 1) g[std::uniform_int_distribution<size_t>(0, g.size() - 1)(rng)] = "RYSWKMN"[out.size() % 7];
    out.push_back(Guide{"g" + std::to_string(out.size()), g});
  }
  return out;
}

class SiteTableTest : public ::testing::Test {
 protected:
  // Writes the genome and makes gen.qvi with tables of pams.
  void Make(const std::vector<Pam>& pams, uint64_t buildBytes = 0, const std::string& name = "gen.qvi") {
    if (!written_) test::WriteFile(dir_.File("gen.fa"), Fasta(seqs_));
    written_ = true;
    IndexOptions o;
    o.genome = dir_.File("gen.fa");
    o.output = dir_.File(name);
    o.pams = pams;
    o.threads = 2;
    o.tableBuildBytes = buildBytes;
    IndexSummary sum;
    const Status st = MakeSavedIndex(o, sum);
    ASSERT_TRUE(st.ok()) << st.message();
    ASSERT_EQ(sum.tables.size(), pams.size());
  }

  std::unique_ptr<SavedIndex> Open(IndexOpenOptions::Verify v = IndexOpenOptions::Verify::kBySize) {
    std::unique_ptr<SavedIndex> idx;
    IndexOpenOptions o;
    o.verify = v;
    o.lettersAtOpen = false;
    const Status st = SavedIndex::Open(dir_.File("gen.qvi"), idx, o);
    EXPECT_TRUE(st.ok()) << st.message();
    return idx;
  }

  // The table's sites and the scan's, sorted, with their PAM site counts.
  void Compare(const SavedIndex& idx, const std::vector<Guide>& guides, const Pam& pam, int mis,
               size_t* found = nullptr) {
    SiteTableView view;
    ASSERT_TRUE(idx.FindSiteTable(pam, view));
    GuideSearchOptions o;
    o.mis = mis;
    o.threads = 2;
    ASSERT_TRUE(TableAnswers(view, pam, guides, o));
    ASSERT_TRUE(CheckSiteTable(view, "gen.qvi").ok());
    const Reference ref = idx.MakeReference();
    std::vector<GuideSite> scanned, looked;
    GuideSearchCounts sc, lc;
    ASSERT_TRUE(SearchGuides(ref, guides, pam, o, scanned, &sc).ok());
    test::SiteCollector into;
    const Status st = SearchSiteTable(ref, view, guides, o, into, &lc);
    looked = std::move(into.sites);
    ASSERT_TRUE(st.ok()) << st.message();
    std::sort(looked.begin(), looked.end(), GuideSiteBefore);
    EXPECT_EQ(looked, scanned) << pam.letters << " mis " << mis;
    EXPECT_EQ(lc.pamSites, sc.pamSites) << pam.letters << " mis " << mis;
    if (found != nullptr) *found += scanned.size();
  }

  std::mt19937 rng_{20261209};
  std::vector<TestSeq> seqs_ = Genome(rng_);
  test::TempDir dir_;
  bool written_ = false;  // gen.fa, once: its time goes into every index
};

TEST_F(SiteTableTest, TheTableFindsWhatTheScanFindsForEveryLengthMismatchAndPam) {
  const std::vector<Pam> pams = {MakePam("NGG", false), MakePam("TTTV", true), MakePam("NNGRRT", false),
                                 MakePam("TTN", true)};
  // A small build budget: each order is written a few keys at a time.
  Make(pams, 4096);
  const auto idx = Open();
  ASSERT_NE(idx, nullptr);
  for (const Pam& pam : pams) {
    const std::vector<Guide> guides = PlantedGuides(rng_, seqs_, pam, 60);
    ASSERT_GE(guides.size(), 40u);
    size_t found = 0;
    for (int mis = 0; mis <= kMaxGuideMis; ++mis) Compare(*idx, guides, pam, mis, &found);
    EXPECT_GT(found, 200u) << pam.letters;
  }
}

TEST_F(SiteTableTest, GuidesOfManyIupacLettersAreComparedWithEverySite) {
  const Pam pam = MakePam("NGG", false);
  Make({pam});
  const auto idx = Open();
  ASSERT_NE(idx, nullptr);
  std::vector<Guide> guides = PlantedGuides(rng_, seqs_, pam, 6);
  guides.push_back(Guide{"wild", "NNNNNNNNNNNNACGTACGT"});
  guides.push_back(Guide{"half", "ACGTNNNNNNNNNNNNNNNN"});
  guides.push_back(Guide{"short", "NNNNNNNNNNNNNNNNN"});
  for (int mis : {0, 2, 5}) Compare(*idx, guides, pam, mis);
}

TEST_F(SiteTableTest, TheTableIsTheSameWhateverItsBuildBudget) {
  const std::vector<Pam> pams = {MakePam("NGG", false), MakePam("TTTV", true)};
  Make(pams, 0, "whole.qvi");
  Make(pams, 512, "pieces.qvi");
  EXPECT_EQ(test::ReadFile(dir_.File("whole.qvi")), test::ReadFile(dir_.File("pieces.qvi")));
}

TEST_F(SiteTableTest, OnlyTheTableOfThePamAndItsLengthsAnswer) {
  const Pam ngg = MakePam("NGG", false);
  Make({ngg});
  const auto idx = Open();
  ASSERT_NE(idx, nullptr);
  SiteTableView view;
  EXPECT_FALSE(idx->FindSiteTable(MakePam("NGG", true), view));
  EXPECT_FALSE(idx->FindSiteTable(MakePam("NAG", false), view));
  ASSERT_TRUE(idx->FindSiteTable(ngg, view));
  GuideSearchOptions o;
  o.mis = 3;
  EXPECT_TRUE(TableAnswers(view, ngg, {Guide{"a", std::string(24, 'A')}}, o));
  EXPECT_FALSE(TableAnswers(view, ngg, {Guide{"a", std::string(25, 'A')}}, o));
  o.dnaBulge = 1;
  EXPECT_FALSE(TableAnswers(view, ngg, {Guide{"a", std::string(20, 'A')}}, o));
}

// Flips one byte at offset at of the index file.
void Flip(const std::string& path, uint64_t at) {
  FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, static_cast<long>(at), SEEK_SET);
  const int c = std::fgetc(f);
  std::fseek(f, static_cast<long>(at), SEEK_SET);
  std::fputc(c ^ 0x5a, f);
  std::fclose(f);
}

TEST_F(SiteTableTest, ADamagedTableIsRefusedWhenOpenedOrWhenTouched) {
  const Pam pam = MakePam("NGG", false);
  Make({pam});
  uint64_t nearAt = 0;
  {
    const auto idx = Open();
    ASSERT_NE(idx, nullptr);
    ASSERT_EQ(idx->pamTables().size(), 1u);
    nearAt = idx->pamTables()[0].nearAt;
  }
  Flip(dir_.File("gen.qvi"), nearAt + 40);
  // Read whole: the damage is found at opening.
  std::unique_ptr<SavedIndex> idx;
  Status st = SavedIndex::Open(dir_.File("gen.qvi"), idx);
  EXPECT_EQ(st.code(), Status::Code::kBadInput);
  EXPECT_NE(st.message().find("near keys of its NGG sites"), std::string::npos) << st.message();
  // Mapped and verified as touched: a search that reads the block fails.
  idx = Open(IndexOpenOptions::Verify::kWhenTouched);
  ASSERT_NE(idx, nullptr);
  SiteTableView view;
  ASSERT_TRUE(idx->FindSiteTable(pam, view));
  ASSERT_NE(view.check, nullptr);
  ASSERT_TRUE(CheckSiteTable(view, "gen.qvi").ok());
  GuideSearchOptions o;
  o.mis = 5;
  test::SiteCollector drop;
  // Guides with every letter unknown look at every site, the damaged one
  // among them.
  st = SearchSiteTable(idx->MakeReference(), view, {Guide{"all", std::string(20, 'N')}}, o, drop);
  EXPECT_EQ(st.code(), Status::Code::kBadInput);
  EXPECT_NE(st.message().find("saved index is damaged"), std::string::npos) << st.message();
}

TEST_F(SiteTableTest, ATruncatedOrStaleIndexWithTablesIsRefused) {
  Make({MakePam("NGG", false)});
  const std::string whole = test::ReadFile(dir_.File("gen.qvi"));
  // Cut inside the table's sections.
  test::WriteFile(dir_.File("cut.qvi"), whole.substr(0, whole.size() - 5000));
  std::unique_ptr<SavedIndex> idx;
  Status st = SavedIndex::Open(dir_.File("cut.qvi"), idx);
  EXPECT_EQ(st.message(), "saved index is truncated\n" + dir_.File("cut.qvi"));
  // The genome changed after the index was made.
  test::WriteFile(dir_.File("gen.fa"), Fasta(seqs_) + ">more\nACGTACGTACGTACGTACGTACGTACGTACGT\n");
  IndexOpenOptions o;
  o.verify = IndexOpenOptions::Verify::kWhenTouched;
  o.lettersAtOpen = false;
  st = SavedIndex::Open(dir_.File("gen.qvi"), idx, o);
  EXPECT_EQ(st.code(), Status::Code::kBadInput);
  EXPECT_EQ(st.message().rfind("saved index is stale", 0), 0u) << st.message();
}

TEST_F(SiteTableTest, KeyStartsThatDoNotAddUpAreRefused) {
  const Pam pam = MakePam("NGG", false);
  Make({pam});
  const auto idx = Open();
  ASSERT_NE(idx, nullptr);
  SiteTableView view;
  ASSERT_TRUE(idx->FindSiteTable(pam, view));
  std::vector<uint64_t> starts(view.nearStarts, view.nearStarts + view.shape.keys() + 1);
  std::swap(starts[10], starts[starts.size() - 10]);
  view.nearStarts = starts.data();
  const Status st = CheckSiteTable(view, "gen.qvi");
  EXPECT_EQ(st.message(),
            "saved index is damaged: its PAM site table does not add up: make it again with quorvane-map index\ngen.qvi");
}

TEST(SiteTableShapeTest, KeysGrowWithTheGenomeWithinTheirBounds) {
  Pam ngg;
  ASSERT_TRUE(ParsePam("NGG", false, ngg).ok());
  EXPECT_EQ(TableShapeFor(ngg, 24, 1000).keyLetters, kMinTableKey);
  EXPECT_EQ(TableShapeFor(ngg, 24, 4'600'000).keyLetters, 9);
  const SiteTableShape big = TableShapeFor(ngg, 24, 3'000'000'000);
  EXPECT_EQ(big.keyLetters, kMaxTableKey);
  EXPECT_EQ(big.positionBits, 63 - 2 * kMaxTableKey);
  const uint64_t e = big.Entry(2'999'999'999, true, (1u << 20) - 3);
  EXPECT_EQ(big.AnchorOf(e), 2'999'999'999u);
  EXPECT_TRUE(big.ComplOf(e));
  EXPECT_EQ(big.OtherKeyOf(e), (1u << 20) - 3);
}

}  // namespace
}  // namespace quorvane
