// The PAMs the window offers, and how a text of its PAM box becomes one.
#ifndef QUORVANE_UI_PAM_PRESETS_H_
#define QUORVANE_UI_PAM_PRESETS_H_

#include <string>
#include <vector>

#include "common/status.h"
#include "guides/guide_query.h"

namespace quorvane {

// The presets as the PAM box lists them, the first the default: the PAM's
// letters, "5'" for a PAM before the protospacer, and the enzyme.
const std::vector<std::string>& PamPresets();

// Reads a PAM box text: its first word is the PAM's letters (see
// ParsePam); "5'" anywhere after it places the PAM 5' of the protospacer.
// Fails as ParsePam does.
Status PamFromText(const std::string& text, Pam& pam);

}  // namespace quorvane

#endif  // QUORVANE_UI_PAM_PRESETS_H_
