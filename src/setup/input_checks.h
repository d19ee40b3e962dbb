// The checks that the inputs pass before a run, and the mismatch setting.
#ifndef QUORVANE_SETUP_INPUT_CHECKS_H_
#define QUORVANE_SETUP_INPUT_CHECKS_H_

#include <cstdint>
#include <string>

namespace quorvane {

// The captions that begin the messages for missing inputs.
inline constexpr const char* kTitInpGnm = " file of Genome";
inline constexpr const char* kTitInpRds = " file of Reads";
inline constexpr const char* kTitDiRes = " dir of Results";

// The texts of the three path boxes and their title captions.
struct InputBoxes {
  std::string gnm, rds, diRes;
  std::string titGnm = kTitInpGnm, titRds = kTitInpRds, titDiRes = kTitDiRes;
};

// What the checks take over and measure. A failed step leaves the values
// of the steps after it as they were.
struct AcceptedInputs {
  std::string PthGnm, PthRds, DiRes;
  int32_t gnmLen = 0;      // genome file size; -1 after a genome too big to map
  int64_t rdsSize = 0;     // reads file size, for display
  std::string gnmSizeCell; // the genome size as text
  std::string rdsSizeCell; // the reads file size as text
};

// Takes the box texts over one after another, checks that the genome and
// reads files and the results directory exist, measures both files and
// checks that the first reads line ends within 1024 bytes. Each failure is
// shown through ShowMsg. Returns true when no step showed a message.
bool CheckInputs(const InputBoxes& boxes, AcceptedInputs& in);

// Validates the text of the mismatch box: exactly one digit 0..3. Shows
// "uknown misNu value" or "misNu is big" otherwise and returns false;
// on success stores the value in misNu.
bool ParseMisNu(const std::string& text, int32_t& misNu);

}  // namespace quorvane

#endif  // QUORVANE_SETUP_INPUT_CHECKS_H_
