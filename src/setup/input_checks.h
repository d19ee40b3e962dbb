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

// The three paths as the user gave them.
struct InputPaths {
  std::string gnm, rds, diRes;
};

// What the checks take over and measure. A failed step leaves the values
// of the steps after it as they were.
struct AcceptedInputs {
  std::string PthGnm, PthRds, DiRes;
  int64_t gnmLen = 0;   // genome file size; -1 after a genome too big to map
  int64_t rdsSize = 0;  // reads file size, for display
};

// Hears the checks as they go: each measurement when it is made, each
// failure as a message.
class CheckListener {
 public:
  virtual ~CheckListener() = default;
  virtual void OnMessage(const Status& s) = 0;
  // The genome's size, grouped by threes; "" when it could not be measured.
  virtual void OnGenomeSize(const std::string&) {}
  // The reads file's size, likewise.
  virtual void OnReadsSize(const std::string&) {}
};

// Takes the paths over one after another into in, checks that the genome
// and reads files and the results folder exist, measures both files and
// checks that the first reads line ends within 1024 bytes (in a regular
// file: a pipe's bytes are left to the run, which alone reads them once).
// Stops at the first failure but for a file that exists and cannot be
// opened to be measured. Returns true when no step gave a message.
bool CheckInputs(const InputPaths& paths, AcceptedInputs& in, CheckListener& listener);

// Validates the text of the mismatch box: exactly one digit 0..3. Fails
// with "uknown misNu value" or "misNu is big"; on success stores the
// value in misNu.
Status ParseMisNu(const std::string& text, int32_t& misNu);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_INPUT_CHECKS_H_
