// The text of the records a read leaves in the result files.
#ifndef QUORVANE_RUN_RECORD_FORMAT_H_
#define QUORVANE_RUN_RECORD_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "common/mis_match.h"
#include "engine/genome_store.h"

namespace quorvane {

// The record texts of consecutive reads, one text per result file that
// takes records.
struct RecordTexts {
  std::string rdsOut;   // "RdsOutPos.txt": the reads without hits
  std::string rdsIn;    // "RdsInPos.txt": the reads with hits
  std::string pos;      // the position file: one line per hit
  std::string tempLog;  // the temporary log: one line per read with hits

  void Clear() {
    rdsOut.clear();
    rdsIn.clear();
    pos.clear();
    tempLog.clear();
  }
};

// One hit list of one read.
struct ReadHits {
  const MisMatch* hits;  // records in the engine's order
  int32_t posUpNu;       // of them on the direct strand
  int32_t posLwNu;       // of them on the complementary strand
  int32_t posUpLwNu;     // all of them
};

// Formats records; one per worker, since it keeps a display buffer.
class RecordFormatter {
 public:
  // store must stay loaded while the formatter is used; it gives the
  // genome letters of the display copy.
  RecordFormatter(int32_t misNu, bool showRdsMis, const GenomeStore& store);

  // The header of the position file for this misNu and display setting.
  static std::string PosHeader(int32_t misNu, bool showRdsMis);
  // The header of the temporary log.
  static const char* TempLogHeader() { return "\n\nrdNom\tread\tposUpNu\tposLwNu\tposUpLwNu"; }

  // A read without hits: its line in "RdsOutPos.txt".
  void RdOut(RecordTexts& t, std::string_view read) const;
  // A read with hits and found-read number rdNom: its line in
  // "RdsInPos.txt", its line in the temporary log and one line per hit in
  // the position file.
  void RdIn(RecordTexts& t, int64_t rdNom, std::string_view read, const ReadHits& h);

 private:
  int32_t misNu_;
  bool showRdsMis_;
  const GenomeStore& store_;
  std::string genome_;   // the genome letters under one hit
  std::string readMis_;  // the display copy of the read at one hit
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RECORD_FORMAT_H_
