// The guide search with bulges on small genomes and guides made from the
// bytes, against the plain dynamic programme over every stretch beside
// every PAM (tests/support/guide_brute_force.cc): the same sites, site for
// site.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "guide_brute_force.h"
#include "guides/guide_search.h"

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  // Bytes 0-3: limits and shapes; then the guide's 15 to 22 letters; the
  // rest are the genome's letters, two bits each (a byte above 250 an N).
  const int mis = data[0] % 4, dna = data[1] % 3, rna = (data[1] / 3) % 3;
  const bool circular = data[2] & 1, fivePrime = data[2] & 2;
  const int len = 15 + data[3] % 8;
  if (size < static_cast<size_t>(4 + len + 10)) return 0;
  const char* kLetters = "ACGT";
  Guide g{"g", ""};
  for (int i = 0; i < len; ++i) g.letters += kLetters[data[4 + i] & 3];
  std::string genome;
  for (size_t i = static_cast<size_t>(4 + len); i < size && genome.size() < 400; ++i) {
    genome += data[i] > 250 ? 'N' : kLetters[data[i] & 3];
    // Copies of the guide's letters, that sites come up often.
    if ((data[i] & 0xf0) == 0x80) genome += g.letters.substr(data[i] % 5, static_cast<size_t>(len) - 5);
  }
  Pam pam;
  if (!ParsePam(fivePrime ? "TTN" : "NRG", fivePrime, pam).ok()) return 0;
  Reference ref;
  if (!ref.AddSequence("s", genome, circular).ok()) return 0;
  const std::vector<Guide> guides = {g};
  GuideSearchOptions o;
  o.mis = mis;
  o.dnaBulge = dna;
  o.rnaBulge = rna;
  o.blockPositions = 1 + data[2] % 97;
  std::vector<GuideSite> sites;
  FUZZ_CHECK(SearchGuides(ref, guides, pam, o, sites).ok(), "the search failed");
  const std::vector<GuideSite> want = test::BruteBulgeSites(ref, guides, pam, mis, dna, rna);
  FUZZ_CHECK(sites == want, "%zu sites, the scan finds %zu", sites.size(), want.size());
  return 0;
}
