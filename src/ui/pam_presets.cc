#include "ui/pam_presets.h"

namespace quorvane {

const std::vector<std::string>& PamPresets() {
  static const std::vector<std::string> presets = {"NGG (SpCas9)", "NG (SpCas9-NG)", "NNGRRT (SaCas9)",
                                                   "TTTV 5' (Cas12a)"};
  return presets;
}

Status PamFromText(const std::string& text, Pam& pam) {
  const size_t begin = text.find_first_not_of(" \t");
  const size_t end = begin == std::string::npos ? begin : text.find_first_of(" \t", begin);
  const std::string letters = begin == std::string::npos ? std::string() : text.substr(begin, end - begin);
  const bool fivePrime = end != std::string::npos && text.find("5'", end) != std::string::npos;
  return ParsePam(letters, fivePrime, pam);
}

}  // namespace quorvane
