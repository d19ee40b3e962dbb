// Writes a saved index: a genome and its fast index in one file, under a
// temporary name, put in place when whole.
#ifndef QUORVANE_SAVED_INDEX_INDEX_WRITER_H_
#define QUORVANE_SAVED_INDEX_INDEX_WRITER_H_

#include <functional>
#include <string>

#include "common/status.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "env/env.h"
#include "guides/site_table.h"
#include "saved_index/index_layout.h"

namespace quorvane {

// Writes the genome of store and its index as a saved index at path: under
// a temporary name beside it, renamed over path when whole. source names
// the genome file it was made from. progress, when given, hears each
// fraction (0..1) written. tables: the PAM site tables to keep with it,
// counted and written on threads threads; stop, when given, is asked while
// they are built. Fails with kCantOpen or kIoError (the message names the
// file), or kInterrupted; nothing is left at path then, and an earlier
// file there stays as it was.
Status WriteSavedIndex(Env& env, const std::string& path, const GenomeStore& store, const FastIndex& index,
                       const IndexSource& source, const std::function<void(double)>& progress = nullptr,
                       const std::vector<SiteTableShape>& tables = {}, int threads = 1,
                       const std::function<bool()>& stop = nullptr, uint64_t tableBuildBytes = 0);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_WRITER_H_
