#include "readers/input_file.h"

#include "readers/fastx_source.h"
#include "readers/inflating_file.h"
#include "readers/line_source.h"

namespace quorvane {

InputFormat SniffFormat(std::string_view head) {
  for (char c : head) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '>') return InputFormat::kFasta;
    if (c == '@') return InputFormat::kFastq;
    return InputFormat::kPlain;
  }
  return InputFormat::kPlain;
}

Status OpenInput(Env& env, const std::string& path, std::unique_ptr<LineCursor>& cursor, bool* compressed,
                 WaitAbort abort) {
  std::unique_ptr<SequentialFile> raw;
  Status st = env.NewSequentialFile(path == kStdinPath ? "/dev/stdin" : path, raw);
  if (!st.ok()) return Status::CantOpen("");
  if (abort) raw->SetWaitAbort(std::move(abort));
  std::unique_ptr<SequentialFile> file;
  bool gz = false;
  st = OpenInflating(std::move(raw), path, file, gz);
  if (!st.ok()) return st;
  if (gz) file = NewReadAheadFile(std::move(file));
  if (compressed != nullptr) *compressed = gz;
  cursor = std::make_unique<LineCursor>(std::move(file), path);
  return Status::OK();
}

Status OpenReadSource(Env& env, const std::string& path, std::unique_ptr<ReadSource>& source, WaitAbort abort) {
  std::unique_ptr<LineCursor> cursor;
  Status st = OpenInput(env, path, cursor, nullptr, std::move(abort));
  if (st.code() == Status::Code::kCantOpen) return Status::CantOpen("i can't open\n" + path);
  if (!st.ok()) return st;
  return NewReadSource(std::move(cursor), source);
}

Status NewReadSource(std::unique_ptr<LineCursor> cursor, std::unique_ptr<ReadSource>& source) {
  std::string_view head;
  Status st = cursor->Peek(head);
  if (!st.ok()) return st;
  switch (SniffFormat(head)) {
    case InputFormat::kFasta:
      source = std::make_unique<FastxSource>(std::move(cursor), FastxSource::Kind::kFasta);
      break;
    case InputFormat::kFastq:
      source = std::make_unique<FastxSource>(std::move(cursor), FastxSource::Kind::kFastq);
      break;
    case InputFormat::kPlain:
      source = std::make_unique<LineSource>(std::move(cursor));
      break;
  }
  return Status::OK();
}

}  // namespace quorvane
