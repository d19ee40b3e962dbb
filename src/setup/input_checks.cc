#include "setup/input_checks.h"

#include <sys/stat.h>

#include <functional>
#include <memory>

#include "common/file_msg.h"
#include "common/number_text.h"
#include "engine/reference.h"
#include "env/env.h"
#include "readers/genome_file.h"
#include "readers/input_file.h"
#include "saved_index/index_reader.h"

namespace quorvane {
namespace {

// Bytes within which the first line of the reads must end: a read of 1024
// letters, a CR and the LF.
constexpr size_t kFirstLineBytes = 1026;

// Whether path is a regular file, which the checks may read; anything else
// (a pipe, a FIFO, a device) is left to the run.
bool IsRegular(const std::string& path) {
  int64_t size = 0;
  return Env::Default()->GetFileSize(path, size).ok();
}

// Measures the genome: its letters, and for FASTA its sequences.
bool MeasureGenome(const std::string& path, AcceptedInputs& in, CheckListener& listener, const CheckOptions& opt,
                   const std::function<void(const Status&)>& fail) {
  Status st;
  int64_t size = 0;
  const std::string sizeText = FileSizeText(path, size, st);
  if (!st.ok()) {
    listener.OnGenomeSize("");
    fail(st);
    return true;
  }
  if (!IsRegular(path)) {
    in.gnmLen = -1;
    listener.OnGenomeSize("");
    return true;
  }
  GenomeShape shape;
  shape.letters = size;
  shape.sequences = 1;
  if (IsSavedIndexFile(*Env::Default(), path)) {
    // A saved index tells its genome's size in its head.
    st = ReadSavedIndexShape(path, shape.letters, shape.sequences);
    if (!st.ok()) {
      listener.OnGenomeSize("");
      fail(st);
      return false;
    }
  } else if (opt.countGenome) {
    st = ScanGenome(*Env::Default(), path, shape);
    if (!st.ok()) {
      listener.OnGenomeSize("");
      fail(st);
      return false;
    }
  }
  std::string text = GroupedNumberText(shape.letters);
  if (shape.sequences > 1) text += " (" + std::to_string(shape.sequences) + " seq)";
  listener.OnGenomeSize(text);
  if (shape.letters > kMaxGnmLen) {
    // The index holds positions of at most kMaxGnmLen letters.
    in.gnmLen = -1;
    fail(Status::BadInput("genome is too big\n" + path));
    return false;
  }
  in.gnmLen = shape.letters;
  in.gnmSeqs = shape.sequences;
  return true;
}

// Measures a reads file into size (shown through show) and checks where
// its first line ends.
bool MeasureReads(const std::string& path, int64_t& size, const std::function<void(const std::string&)>& show,
                  const std::function<void(const Status&)>& fail) {
  if (path == kStdinPath || !IsRegular(path)) {
    size = -1;
    show("");
    return true;
  }
  Status st;
  show(FileSizeText(path, size, st));
  if (!st.ok()) fail(st);
  std::unique_ptr<LineCursor> cursor;
  if (!OpenInput(*Env::Default(), path, cursor).ok()) {
    fail(Status::CantOpen("can't open " + path));
    return false;
  }
  std::string head(kFirstLineBytes, '\0');
  size_t have = 0;
  for (size_t got = 1; have < head.size() && got > 0; have += got) {
    if (!cursor->ReadRaw(head.data() + have, head.size() - have, got).ok()) {
      fail(Status::CantOpen("can't open " + path));
      return false;
    }
  }
  if (head.substr(0, have).find('\n') == std::string::npos) {
    fail(Status::BadInput("separator of reads '\\n' not found"));
    return false;
  }
  return true;
}

}  // namespace

bool CheckInputs(const InputPaths& paths, AcceptedInputs& in, CheckListener& listener, const CheckOptions& opt) {
  bool clean = true;
  auto fail = [&](const Status& st) {
    listener.OnMessage(st);
    clean = false;
  };
  in.PthGnm = paths.gnm;
  if (!FileExists(in.PthGnm)) {
    fail(Status::CantOpen(std::string(kTitInpGnm) + " does not exist"));
    return false;
  }
  if (!MeasureGenome(in.PthGnm, in, listener, opt, fail)) return false;

  in.PthRds = paths.rds;
  if (in.PthRds != kStdinPath && !FileExists(in.PthRds)) {
    fail(Status::CantOpen(std::string(kTitInpRds) + " does not exist"));
    return false;
  }
  if (!MeasureReads(
          in.PthRds, in.rdsSize, [&](const std::string& t) { listener.OnReadsSize(t); }, fail)) {
    return false;
  }
  in.PthRds2 = paths.rds2;
  if (!paths.rds2.empty()) {
    if (in.PthRds2 != kStdinPath && !FileExists(in.PthRds2)) {
      fail(Status::CantOpen(std::string(kTitInpMates2) + " does not exist"));
      return false;
    }
    if (!MeasureReads(
            in.PthRds2, in.rds2Size, [&](const std::string& t) { listener.OnReads2Size(t); }, fail)) {
      return false;
    }
  }

  if (!opt.resultsDir) return clean;
  in.DiRes = paths.diRes;
  if (!DirExists(in.DiRes)) {
    fail(Status::CantOpen(std::string(kTitDiRes) + " does not exist"));
    return false;
  }
  return clean;
}

Status CheckOutputFile(const std::string& path, const AcceptedInputs& in) {
  struct stat out {};
  if (::stat(path.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return Status::OK();
  for (const std::string* input : {&in.PthGnm, &in.PthRds, &in.PthRds2}) {
    if (!input->empty() && Env::Default()->SameFile(path, *input)) {
      return Status::BadInput("the output file is the genome or the reads file\n" + path);
    }
  }
  return Status::OK();
}

Status ParseMisNu(const std::string& text, int32_t& misNu) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return Status::BadInput("uknown misNu value");
  const int32_t v = text[0] - '0';
  if (v > 3) return Status::BadInput("misNu is big");
  misNu = v;
  return Status::OK();
}

}  // namespace quorvane
