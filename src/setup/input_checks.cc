#include "setup/input_checks.h"

#include <cstdio>
#include <cstring>

#include "common/file_msg.h"
#include "common/show_msg.h"
#include "engine/genome_store.h"

namespace quorvane {

bool CheckInputs(const InputBoxes& boxes, AcceptedInputs& in) {
  bool clean = true;
  in.PthGnm = boxes.gnm;
  if (!FileExists(in.PthGnm)) {
    ShowMsg(boxes.titGnm + " does not exist");
    return false;
  }
  int64_t gnmSize = 0;
  in.gnmSizeCell = FileSizeText(in.PthGnm, gnmSize);
  if (in.gnmSizeCell.empty()) {
    clean = false;
  } else if (gnmSize > kMaxGnmLen) {
    // gnmLen is a signed 32-bit count of letters with room for the wrap.
    in.gnmLen = -1;
    ShowMsg("genome is too big\n" + in.PthGnm);
    return false;
  } else {
    in.gnmLen = static_cast<int32_t>(gnmSize);
  }

  in.PthRds = boxes.rds;
  if (!FileExists(in.PthRds)) {
    ShowMsg(boxes.titRds + " does not exist");
    return false;
  }
  in.rdsSizeCell = FileSizeText(in.PthRds, in.rdsSize);
  clean = clean && !in.rdsSizeCell.empty();

  std::FILE* f = OpenFileMsg(in.PthRds, "rb");
  if (f == nullptr) return false;
  char head[1024];
  const size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (std::memchr(head, '\n', got) == nullptr) {
    ShowMsg("separator of reads '\\n' not found");
    return false;
  }

  in.DiRes = boxes.diRes;
  if (!DirExists(in.DiRes)) {
    ShowMsg(boxes.titDiRes + " does not exist");
    return false;
  }
  return clean;
}

bool ParseMisNu(const std::string& text, int32_t& misNu) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') {
    ShowMsg("uknown misNu value");
    return false;
  }
  const int32_t v = text[0] - '0';
  if (v > 3) {
    ShowMsg("misNu is big");
    return false;
  }
  misNu = v;
  return true;
}

}  // namespace quorvane
