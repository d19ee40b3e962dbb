// Every engine against the brute-force scan for every read length from 12
// to 40 letters at every mismatch limit: the lengths where the fast search
// lays its pieces out differently for nearly every length.
#include <gtest/gtest.h>

#include "brute_force.h"
#include "common/nucleotide.h"
#include "engine_fixture.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::EngineTest;
using test::Seq;

// Sequences with what makes short reads hard: copies of one stretch with
// a few changes (many hits near the limit), low-complexity runs, runs of
// N and other letters, lower case, circular and linear topologies, and
// sequences shorter than a read.
std::vector<Seq> ShortReadGenome(std::mt19937& rng) {
  std::string motif = test::RandomLetters(rng, 60);
  std::string a = test::RandomLetters(rng, 3000);
  std::uniform_int_distribution<int> at(0, 2900), coin(0, 99), letter(0, 3);
  for (int r = 0; r < 30; ++r) {
    std::string copy = motif;
    for (int c = coin(rng) % 4; c > 0; --c) copy[static_cast<size_t>(coin(rng) % 60)] = "ACGT"[letter(rng)];
    if (coin(rng) < 50) copy = test::ReverseComplement(copy);
    a.replace(static_cast<size_t>(at(rng)), copy.size(), copy);
  }
  for (int i = 0; i < 80; ++i) a[static_cast<size_t>(1000 + i)] = "AT"[i % 2];
  for (int i = 0; i < 12; ++i) a[static_cast<size_t>(2000 + i)] = "NnRY"[i % 4];
  std::string b = test::RandomLetters(rng, 700, "ACGTacgt");
  b.replace(100, 60, motif);
  return {{"a", a, true}, {"b", b, false}, {"c", motif.substr(0, 25), true}, {"d", motif.substr(10, 15), false}};
}

// A read of len letters from either strand of one of the sequences (or
// nowhere), with exactly subs letters changed and now and then an N.
std::string DrawShortRead(std::mt19937& rng, const std::vector<Seq>& genome, int len, int subs) {
  std::uniform_int_distribution<int> coin(0, 99), letter(0, 3);
  std::string read;
  if (coin(rng) < 5) {
    read = test::RandomLetters(rng, static_cast<size_t>(len));
  } else {
    const Seq& s = genome[static_cast<size_t>(coin(rng) % 10 < 7 ? 0 : coin(rng) % genome.size())];
    const std::string sq = coin(rng) < 50 ? s.letters : test::ReverseComplement(s.letters);
    const int n = static_cast<int>(sq.size());
    const int start = std::uniform_int_distribution<int>(0, n - 1)(rng);
    for (int i = 0; i < len; ++i) read.push_back(sq[static_cast<size_t>((start + i) % n)]);
  }
  std::uniform_int_distribution<int> pos(0, len - 1);
  for (int i = 0; i < subs; ++i) {
    char& c = read[static_cast<size_t>(pos(rng))];
    c = "ACGT"[(CodeOf(c) == kNoCode ? 0 : CodeOf(c) + 1 + letter(rng) % 3) % 4];
  }
  if (coin(rng) < 8) read[static_cast<size_t>(pos(rng))] = 'N';
  return read;
}

TEST_P(EngineTest, EveryShortLengthAtEveryMismatchLimit) {
  std::mt19937 rng(20261212);
  const std::vector<Seq> genome = ShortReadGenome(rng);
  Load(genome);
  int searched = 0, found = 0;
  for (int len = 12; len <= 40; ++len) {
    for (int misNu = 0; misNu <= 3; ++misNu) {
      // Reads with fewer, as many and more changed letters than allowed.
      for (int r = 0; r < 24; ++r) {
        const std::string read = DrawShortRead(rng, genome, len, r % (misNu + 2));
        const std::vector<Hit> want = test::BruteForceHits(genome, read, misNu);
        ASSERT_EQ(Search(read, misNu), want) << "length " << len << " misNu " << misNu << " read " << read;
        ++searched;
        found += !want.empty();
      }
    }
  }
  EXPECT_GT(found, searched / 2);
  EXPECT_LT(found, searched);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, ::testing::ValuesIn(test::AllEngines()),
                         [](const auto& info) { return test::KindName(info.param); });

}  // namespace
}  // namespace quorvane
