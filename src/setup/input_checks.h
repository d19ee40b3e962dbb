// The checks that the inputs pass before a run, and the mismatch setting.
#ifndef QUORVANE_SETUP_INPUT_CHECKS_H_
#define QUORVANE_SETUP_INPUT_CHECKS_H_

#include <cstdint>
#include <string>

#include "common/status.h"

namespace quorvane {

// The captions that begin the messages for missing inputs.
inline constexpr const char* kTitInpGnm = " file of Genome";
inline constexpr const char* kTitInpRds = " file of Reads";
inline constexpr const char* kTitDiRes = " dir of Results";
// The caption of a pair run's second file, the mates 2.
inline constexpr const char* kTitInpMates2 = " file of Mates 2";

// The paths as the user gave them; rds2 only for a pair run, whose rds
// holds the mates 1.
struct InputPaths {
  std::string gnm, rds, diRes;
  std::string rds2 = "";
};

// What the checks take over and measure. A failed step leaves the values
// of the steps after it as they were.
struct AcceptedInputs {
  std::string PthGnm, PthRds, DiRes;
  // The genome's letters: a plain file's size, a FASTA file's letters
  // (when measured); -1 for a genome too big to map, or not measured (a
  // stream, which the run reads to its end).
  int64_t gnmLen = 0;
  int64_t gnmSeqs = 1;  // its sequences, when measured
  int64_t rdsSize = 0;  // reads file size, for display; -1 for a stream
  std::string PthRds2;   // a pair run's mates 2; empty for a single-read run
  int64_t rds2Size = 0;  // its size, as rdsSize
};

struct CheckOptions {
  // Read a FASTA or compressed genome through to count its letters and
  // sequences (the window shows them); otherwise only its format is
  // looked at and gnmLen is its size.
  bool countGenome = true;
  // The run writes into a results folder, which must exist; without one
  // (a run that writes only a SAM file) diRes is neither looked at nor
  // taken over.
  bool resultsDir = true;
};

// Hears the checks as they go: each measurement when it is made, each
// failure as a message.
class CheckListener {
 public:
  virtual ~CheckListener() = default;
  virtual void OnMessage(const Status& s) = 0;
  // The genome's letters, grouped by threes, with the number of sequences
  // where there are several ("4,987,422 (2 seq)"); "" when it could not be
  // measured.
  virtual void OnGenomeSize(const std::string&) {}
  // The reads file's size, likewise.
  virtual void OnReadsSize(const std::string&) {}
  // The size of a pair run's second file, likewise.
  virtual void OnReads2Size(const std::string&) {}
};

// Takes the paths over one after another into in, checks that the genome
// and reads files (the mates 1, then the mates 2 of a pair run: " file of
// Mates 2 does not exist") and the results folder exist, measures the
// files and checks that the first line of the reads ends within its first
// 1026 bytes (a read of 1024 letters with CR LF). Files are read as their
// content calls for (compressed or not); a pipe, a FIFO or standard input
// ("-" for the reads) is neither read nor waited on: the run reads it.
// Stops at the first failure but for a file that exists and cannot be
// opened to be measured. Returns true when no step gave a message.
bool CheckInputs(const InputPaths& paths, AcceptedInputs& in, CheckListener& listener,
                 const CheckOptions& opt = CheckOptions());

// Checks that an output file of the run (the SAM file) is none of its
// inputs (a pair run's mates 2 included), under whatever name or link:
// fails with kBadInput, "the output file is the genome or the reads
// file\n" + path.
Status CheckOutputFile(const std::string& path, const AcceptedInputs& in);

// Validates the text of the mismatch box: exactly one digit 0..3. Fails
// with "uknown misNu value" or "misNu is big"; on success stores the
// value in misNu.
Status ParseMisNu(const std::string& text, int32_t& misNu);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_INPUT_CHECKS_H_
