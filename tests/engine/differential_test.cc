// Every engine against the brute-force scan, on random genomes and reads.
#include <gtest/gtest.h>

#include "brute_force.h"
#include "engine_fixture.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::EngineTest;

// Draws a read of the circular genome from either strand, with up to four
// substitutions and now and then a letter that is no nucleotide.
std::string DrawRead(std::mt19937& rng, const std::string& genome, const std::string& rc) {
  std::uniform_int_distribution<int> coin(0, 99);
  const int lenPick = coin(rng);
  std::uniform_int_distribution<int> shortLen(12, 40), midLen(41, 200), longLen(201, 1024);
  const int len = lenPick < 50 ? shortLen(rng) : lenPick < 85 ? midLen(rng) : longLen(rng);
  std::string read;
  if (genome.empty() || coin(rng) < 8) {
    read = test::RandomLetters(rng, len, "ACGTacgt");  // most likely nowhere
  } else {
    const std::string& sq = coin(rng) < 50 ? genome : rc;
    const int g = static_cast<int>(sq.size());
    // Starts near the end are frequent, so that many reads run across it.
    std::uniform_int_distribution<int> any(0, g - 1), nearEnd(std::max(0, g - len), g - 1);
    const int start = coin(rng) < 30 ? nearEnd(rng) : any(rng);
    for (int i = 0; i < len; ++i) read.push_back(sq[(start + i) % g]);
  }
  std::uniform_int_distribution<int> subs(0, 4), at(0, len - 1), letter(0, 3);
  const int n = subs(rng);
  for (int i = 0; i < n; ++i) {
    char& c = read[at(rng)];
    const char fresh = "ACGT"[letter(rng)];
    c = coin(rng) < 50 ? fresh : static_cast<char>(std::tolower(fresh));
  }
  if (coin(rng) < 12) {
    const int nn = 1 + coin(rng) % 3;
    for (int i = 0; i < nn; ++i) read[at(rng)] = coin(rng) < 50 ? 'N' : 'n';
  }
  return read;
}

std::string MixCase(std::mt19937& rng, std::string s) {
  std::uniform_int_distribution<int> coin(0, 1);
  for (char& c : s) {
    if (coin(rng)) c = static_cast<char>(std::tolower(c));
  }
  return s;
}

TEST_P(EngineTest, MatchesTheBruteForceScan) {
  const int lengths[] = {0, 1, 5, 7, 8, 100, 1023, 1024, 3000};
  std::mt19937 rng(20261208);
  int searched = 0, found = 0;
  for (int len : lengths) {
    for (bool mixed : {false, true}) {
      std::string genome = test::RandomLetters(rng, static_cast<size_t>(len));
      if (mixed) genome = MixCase(rng, genome);
      const std::string rc = test::ReverseComplement(genome);
      Load(genome);
      for (int r = 0; r < 40; ++r) {
        const std::string read = DrawRead(rng, genome, rc);
        for (int misNu = 0; misNu <= 3; ++misNu) {
          const std::vector<Hit> want = test::BruteForceHits(genome, read, misNu);
          const std::vector<Hit> got = Search(read, misNu);
          ASSERT_EQ(got, want) << "genome length " << len << " misNu " << misNu << " read " << read;
          int up = 0;
          for (const Hit& m : want) up += m.strand == Strand::kDirect;
          ASSERT_EQ(search_->posUpNu(), up);
          ASSERT_EQ(search_->posLwNu(), static_cast<int>(want.size()) - up);
          ++searched;
          found += !want.empty();
        }
      }
    }
  }
  // The draw must exercise both outcomes.
  EXPECT_GT(found, searched / 3);
  EXPECT_LT(found, searched);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// A genome that holds what real ones do: repeats with a few changes,
// low-complexity stretches, and plain sequence in between.
std::string RepetitiveGenome(std::mt19937& rng, size_t n) {
  std::string g = test::RandomLetters(rng, n);
  std::uniform_int_distribution<size_t> at(0, n - 2000), len(20, 1500), coin(0, 9);
  for (int r = 0; r < 40; ++r) {
    const size_t from = at(rng), to = at(rng), l = len(rng);
    std::string copy = g.substr(from, l);
    for (char& c : copy) {
      if (coin(rng) == 0 && coin(rng) < 3) c = "ACGT"[coin(rng) % 4];
    }
    if (coin(rng) < 5) copy = test::ReverseComplement(copy);
    g.replace(to, copy.size(), copy);
  }
  for (const char* unit : {"A", "AT", "GGC", "ACGTTG"}) {
    const size_t to = at(rng);
    for (size_t i = 0; i < 300; ++i) g[to + i] = unit[i % std::char_traits<char>::length(unit)];
  }
  return g;
}

class FastEngineTest : public ::testing::TestWithParam<int> {};

TEST_P(FastEngineTest, MatchesTheReferenceOnARepetitiveGenome) {
  std::mt19937 rng(77);
  // An odd length, so that placements across the origin change the parity
  // of an index of every second start.
  const std::string genome = RepetitiveGenome(rng, 60001);
  const std::string rc = test::ReverseComplement(genome);
  const std::vector<test::Seq> seqs{{"g", genome, true}};
  auto ref = test::BuiltEngine(EngineKind::kReference, seqs);
  auto fast = test::BuiltEngine(EngineKind::kFast, seqs, 1, GetParam());
  ASSERT_TRUE(ref && fast);
  auto refSearch = ref->NewSearch(), fastSearch = fast->NewSearch();
  int hits = 0;
  for (int r = 0; r < 600; ++r) {
    std::string read = DrawRead(rng, genome, rc);
    if (r % 3 == 0) read.resize(std::min<size_t>(read.size(), 12 + r % 60));  // many short reads
    for (int misNu = 0; misNu <= 3; ++misNu) {
      ASSERT_TRUE(refSearch->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu));
      ASSERT_TRUE(fastSearch->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu));
      ASSERT_EQ(fastSearch->hits(), refSearch->hits()) << "misNu " << misNu << " read " << read;
      ASSERT_EQ(fastSearch->posUpNu(), refSearch->posUpNu());
      hits += refSearch->posUpLwNu();
    }
  }
  EXPECT_GT(hits, 2000);
}

INSTANTIATE_TEST_SUITE_P(Steps, FastEngineTest, ::testing::Values(1, 2),
                         [](const auto& info) { return "Step" + std::to_string(info.param); });

// A genome of several sequences: long and short, circular and linear,
// some with runs of N and other letters that are no nucleotide.
std::vector<test::Seq> RandomGenome(std::mt19937& rng) {
  std::uniform_int_distribution<int> count(1, 5), coin(0, 99);
  std::uniform_int_distribution<int> shortLen(1, 40), longLen(41, 2500);
  std::vector<test::Seq> seqs;
  const int n = count(rng);
  for (int i = 0; i < n; ++i) {
    const int len = coin(rng) < 25 ? shortLen(rng) : longLen(rng);
    std::string letters = test::RandomLetters(rng, static_cast<size_t>(len), coin(rng) < 20 ? "ACGTacgt" : "ACGT");
    if (coin(rng) < 40) {
      std::uniform_int_distribution<int> at(0, len - 1), run(1, 60);
      const int from = at(rng);
      const int l = std::min(run(rng), len - from);
      for (int j = from; j < from + l; ++j) letters[static_cast<size_t>(j)] = "NnRY"[coin(rng) % 4];
    }
    seqs.push_back({"s" + std::to_string(i), letters, coin(rng) < 60});
  }
  return seqs;
}

TEST_P(EngineTest, MatchesTheBruteForceScanOnSeveralSequences) {
  std::mt19937 rng(31337);
  int searched = 0, found = 0;
  for (int round = 0; round < 30; ++round) {
    const std::vector<test::Seq> genome = RandomGenome(rng);
    Load(genome);
    std::uniform_int_distribution<size_t> pick(0, genome.size() - 1);
    for (int r = 0; r < 25; ++r) {
      const test::Seq& s = genome[pick(rng)];
      const std::string read = DrawRead(rng, s.letters, test::ReverseComplement(s.letters));
      for (int misNu = 0; misNu <= 3; ++misNu) {
        const std::vector<Hit> want = test::BruteForceHits(genome, read, misNu);
        ASSERT_EQ(Search(read, misNu), want) << "round " << round << " misNu " << misNu << " read " << read;
        ++searched;
        found += !want.empty();
      }
    }
  }
  EXPECT_GT(found, searched / 4);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, ::testing::ValuesIn(test::AllEngines()),
                         [](const auto& info) { return test::KindName(info.param); });

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// A genome whose index keeps only a few low bits of each start, so that
// its entries fall into many segments as those of a genome past 2^32
// letters do; the whole positions must come back from the segments.
TEST(WideIndexTest, PositionsPastTheLowBitsComeBackWhole) {
  std::mt19937 rng(4242);
  std::vector<test::Seq> genome;
  for (int i = 0; i < 6; ++i) {
    genome.push_back({"s" + std::to_string(i), RepetitiveGenome(rng, 9000 + 1001 * i), i % 2 == 0});
  }
  for (int step : {1, 2}) {
    for (int threads : {1, 2}) {
      Engine engine(EngineKind::kFast, threads);
      engine.set_index_step(step);
      engine.set_index_segment_bits(10);  // 1,024 letters a segment: about 70 of them
      ASSERT_TRUE(engine.LoadGenome(test::MakeReference(genome)).ok());
      ASSERT_TRUE(engine.BuildSeedIndex().ok());
      ASSERT_TRUE(engine.fast_index().wide());
      auto search = engine.NewSearch();
      int hits = 0;
      for (int r = 0; r < 100; ++r) {
        const test::Seq& s = genome[static_cast<size_t>(r) % genome.size()];
        const std::string read = DrawRead(rng, s.letters, test::ReverseComplement(s.letters));
        for (int misNu : {0, 2, 3}) {
          const std::vector<Hit> want = test::BruteForceHits(genome, read, misNu);
          ASSERT_TRUE(search->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu));
          ASSERT_EQ(search->hits(), want) << "step " << step << " misNu " << misNu << " read " << read;
          hits += static_cast<int>(want.size());
        }
      }
      EXPECT_GT(hits, 300);
    }
  }
}

}  // namespace
}  // namespace quorvane
