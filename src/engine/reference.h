// The genome of a run as named sequences, each circular or linear, their
// letters back to back in one buffer.
#ifndef QUORVANE_ENGINE_REFERENCE_H_
#define QUORVANE_ENGINE_REFERENCE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "common/big_array.h"

namespace quorvane {

// Largest number of letters of all sequences together (64 Gi): positions
// are 64-bit everywhere; the index keeps the low 32 bits of each and finds
// the rest from its bucket (see FastIndex).
inline constexpr int64_t kMaxGnmLen = int64_t{1} << 36;

// Readable bytes past the last letter, so that scans may read whole words.
inline constexpr int64_t kLetterPad = 64;

// One sequence of the genome.
struct RefSeq {
  std::string name;      // its name: the first word of a FASTA header, the stem of a plain file
  int64_t offset = 0;    // index of its first letter in Reference::letters()
  int64_t length = 0;    // its letters
  bool circular = true;  // a read may run past its last letter into its first ones
};

// Built once by a loader, then handed to the engine and only read. A
// letter other than A, C, G, T (either case) is kept as it was given; it
// matches no read letter.
class Reference {
 public:
  Reference() = default;
  Reference(Reference&&) noexcept = default;
  Reference& operator=(Reference&&) noexcept = default;

  // Makes room for n more letters at once, so that a loader that knows its
  // size allocates once. Fails with kNoMemory ("no mem sqD and sqC").
  Status Reserve(int64_t n);

  // Begins a new sequence; the letters appended next belong to it.
  void BeginSequence(std::string name, bool circular);
  // Appends letters to the last sequence begun. Fails with kNoMemory, or
  // with kBadInput when the genome would pass kMaxGnmLen letters.
  Status Append(const char* letters, size_t n);
  // A writable run of n letters at the end of the last sequence, for a
  // loader that reads straight into the buffer; nullptr on failure
  // (status set as by Append).
  char* Extend(size_t n, Status& status);
  // Drops the last n letters of the last sequence (what Extend gave and
  // the loader did not fill).
  void Shrink(size_t n);

  // A reference that views letters laid out elsewhere (a mapped index
  // file): total letters at letters, with kLetterPad readable bytes after
  // them; keep holds whatever keeps them there. Nothing may be appended.
  static Reference View(std::vector<RefSeq> seqs, const char* letters, int64_t total, std::shared_ptr<const void> keep);

  // Gives back the room that growing left past the letters, where that is
  // more than a sixteenth of them, so that what is built next has it; keeps
  // the buffer as it is when a fitting one cannot be had.
  void ShrinkToFit();

  // Adds a whole sequence; for tests and small genomes.
  Status AddSequence(std::string name, std::string_view letters, bool circular);

  size_t count() const { return seqs_.size(); }
  const RefSeq& seq(size_t i) const { return seqs_[i]; }
  const std::vector<RefSeq>& seqs() const { return seqs_; }
  // Letters of every sequence together.
  int64_t total() const { return total_; }
  // The letters of all sequences back to back, kLetterPad readable bytes
  // after them.
  const char* letters() const { return view_ != nullptr ? view_ : letters_.get(); }
  char* mutable_letters() { return letters_.get(); }

  // The sequence that holds letter g (0 <= g < total()) of letters().
  uint32_t SeqAt(int64_t g) const { return seqs_.size() == 1 ? 0 : FindSeq(g); }

 private:
  Status Grow(int64_t need);
  uint32_t FindSeq(int64_t g) const;

  std::vector<RefSeq> seqs_;
  BigArray<char> letters_;
  int64_t total_ = 0;     // letters in use
  int64_t capacity_ = 0;  // letters that fit before the buffer must grow
  const char* view_ = nullptr;        // the letters of a view, else null
  std::shared_ptr<const void> keep_;  // what keeps a view's letters there
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_REFERENCE_H_
