#include "engine/read_search.h"

#include <new>

namespace quorvane {

// Room for the hits of almost every read; the list grows beyond it when a
// read lies in a repeat.
constexpr size_t kInitialHits = 256;
// A list grown past this for a read of a repeat is given back before the
// next read, so that a worker holds little between such reads.
constexpr size_t kKeptHits = size_t{1} << 16;

ReadSearch::ReadSearch(const GenomeStore& store) : store_(store) {
  try {
    ArrMisMatches_.reserve(kInitialHits);
  } catch (const std::bad_alloc&) {
    // Growing on demand reports the failure at the first read.
  }
}

bool ReadSearch::SearchRead(const char* rd, int32_t rdLen, int32_t misNu) {
  rd_ = rd;
  rdLen_ = rdLen;
  if (ArrMisMatches_.capacity() > kKeptHits) std::vector<Hit>().swap(ArrMisMatches_);
  ArrMisMatches_.clear();
  posUpNu_ = 0;
  misNu_ = misNu;
  if (store_.gnmLen() == 0) return true;
  try {
    if (misNu == 0) {
      FindExact();
    } else {
      FindMis();
    }
  } catch (const std::bad_alloc&) {
    ArrMisMatches_.clear();
    posUpNu_ = 0;
    return false;
  }
  return true;
}

}  // namespace quorvane
