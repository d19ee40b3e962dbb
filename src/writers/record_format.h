// The text of the records a read leaves in the five result files.
#ifndef QUORVANE_WRITERS_RECORD_FORMAT_H_
#define QUORVANE_WRITERS_RECORD_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/genome_store.h"
#include "engine/hit.h"

namespace quorvane {

// The record texts of consecutive reads, one text per result file that
// takes records.
struct RecordTexts {
  std::string rdsOut;   // "RdsOutPos.txt": the reads without hits
  std::string rdsIn;    // "RdsInPos.txt": the reads with hits
  std::string pos;      // the position file: one line per hit
  std::string tempLog;  // the temporary log: one line per read with hits

  size_t bytes() const { return rdsOut.size() + rdsIn.size() + pos.size() + tempLog.size(); }
  void Clear() {
    rdsOut.clear();
    rdsIn.clear();
    pos.clear();
    tempLog.clear();
  }
};

// Formats records; keeps a display buffer, so one per writer.
class RecordFormatter {
 public:
  // store must stay loaded while the formatter is used; it gives the
  // sequences' lengths and the genome letters of the display copy.
  RecordFormatter(int32_t misNu, bool showRdsMis, const GenomeStore& store);

  // The header of the position file for this misNu and display setting;
  // seqNames: with the column seqName just before pos, for a genome of
  // several sequences.
  static std::string PosHeader(int32_t misNu, bool showRdsMis, bool seqNames);
  // Whether the position file names each hit's sequence.
  void SetSeqNames(bool on) { seqNames_ = on; }
  // The header of the temporary log.
  static const char* TempLogHeader() { return "\n\nrdNom\tread\tposUpNu\tposLwNu\tposUpLwNu"; }

  // A read without hits: its line in "RdsOutPos.txt".
  void RdOut(RecordTexts& t, std::string_view read) const;
  // A read with the n hits at hits and found-read number rdNom: its line
  // in "RdsInPos.txt", its line in the temporary log and one line per hit
  // in the position file, pos counted within the hit's sequence.
  void RdIn(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n);
  // The same in two parts, so that the lines of a read with very many hits
  // can go to the files a slice at a time: its lines in "RdsInPos.txt" and
  // the temporary log (all n hits counted), then the position file's lines
  // of the n hits at hits (any slice of the read's hits, in order).
  void ReadLines(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n);
  void PosLines(RecordTexts& t, int64_t rdNom, std::string_view read, const Hit* hits, size_t n);

 private:
  int32_t misNu_;
  bool showRdsMis_;
  bool seqNames_ = false;
  const GenomeStore& store_;
  std::string genome_;   // the genome letters under one hit
  std::string readMis_;  // the display copy of the read at one hit
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_RECORD_FORMAT_H_
