// Writes a saved index file from its start: the head and names, then the
// body section by section, each cut into checksummed blocks as it goes,
// then the checksums and the tail. The file is written under a temporary
// name beside its own and renamed when whole.
#ifndef QUORVANE_SAVED_INDEX_BODY_WRITER_H_
#define QUORVANE_SAVED_INDEX_BODY_WRITER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "env/env.h"
#include "saved_index/index_layout.h"

namespace quorvane {

class BodyWriter {
 public:
  // path: the index to write; total: the file's bytes, for progress, which
  // hears the fraction written (may be null).
  BodyWriter(Env& env, std::string path, uint64_t total, std::function<void(double)> progress);
  // Removes the temporary file unless Finish succeeded.
  ~BodyWriter();

  // Creates the temporary file and writes meta, the head and names region
  // (every byte before the body). Fails with kCantOpen.
  Status Begin(const std::string& meta, uint32_t blockShift);
  // Pads with zeros up to at (the pad belongs to the section before) and
  // begins a section there.
  Status Section(uint64_t at);
  // Appends n bytes of the current section.
  Status Append(const void* data, uint64_t n);
  // Pads up to sumsAt, ends the last section, writes the checksums and the
  // tail, closes the file and renames it over the path. A failure leaves
  // nothing at the path that was not there before: kIoError "can't write
  // PATH".
  Status Finish(uint64_t sumsAt);

  // The checksums of the blocks so far.
  const std::vector<uint64_t>& sums() const { return sums_; }

 private:
  Status Write(const char* p, uint64_t n);
  // Ends the current block, if it has bytes.
  void CutBlock();
  // The failure as the caller reports it.
  Status Failed(const Status& st);

  Env& env_;
  std::string path_, part_;
  uint64_t total_;
  std::function<void(double)> progress_;
  std::unique_ptr<WritableFile> file_;
  uint64_t written_ = 0;  // bytes of the file so far
  uint64_t blockBytes_ = 0;
  uint64_t inBlock_ = 0;  // bytes of the current block so far
  uint64_t crc_ = 0;      // of them
  std::vector<uint64_t> sums_;
  bool partLeft_ = false;  // the temporary file exists and is to be removed
};

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_BODY_WRITER_H_
