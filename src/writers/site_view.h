// A site of a guide as the outputs show it: its letters on its strand and
// its alignment with the guide, in the site's own 5' to 3' order.
#ifndef QUORVANE_WRITERS_SITE_VIEW_H_
#define QUORVANE_WRITERS_SITE_VIEW_H_

#include <string>

#include "engine/reference.h"
#include "guides/bulge_align.h"
#include "guides/guide_query.h"
#include "guides/guide_search.h"

namespace quorvane {

struct SiteView {
  std::string letters;   // protospacer and PAM as they read on the site's strand, upper case
  std::string marked;    // the same, the protospacer's mismatching and DNA-bulged letters in lower case
  int protoAt = 0;       // first protospacer letter within letters
  int protoLen = 0;      // protospacer letters
  int pamAt = 0;         // first PAM letter within letters
  // The alignment over the protospacer, one letter a column: the guide's
  // letters with '-' at DNA bulges, and the genome's with '-' at RNA
  // bulges, its mismatching letters in lower case.
  std::string guideAln, siteAln;
  std::string pamLetters() const { return letters.substr(static_cast<size_t>(pamAt), letters.size() - protoLen); }
};

// The view of site, a site of guide found with pam within lim (the limits
// of its search, with which its best alignment is found again).
SiteView ViewSite(const Reference& ref, const Guide& guide, const Pam& pam, const GuideSite& site,
                  const BulgeLimits& lim);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SITE_VIEW_H_
