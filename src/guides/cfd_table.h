// The published tables of the CFD off-target model (Doench et al. 2016,
// Supplementary Table 19), kept as data in cfd_table.cc with the citation.
// Letters index them in the order A, C, G, T (U for the guide's RNA).
#ifndef QUORVANE_GUIDES_CFD_TABLE_H_
#define QUORVANE_GUIDES_CFD_TABLE_H_

namespace quorvane {

// [guide position 1..20, from its 5' end, less 1][guide letter][the DNA
// letter of the target strand, which pairs with the guide].
extern const double kCfdMismatch[20][4][4];
// [PAM letter 2][PAM letter 3] of an NXY PAM.
extern const double kCfdPam[4][4];
// [position 2..20 of the guide letter after the bulge, less 2][the DNA
// letter of the target strand that has no guide partner].
extern const double kCfdDnaBulge[19][4];
// [position 2..20 of the unpaired guide letter, less 2][that letter].
extern const double kCfdRnaBulge[19][4];

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_CFD_TABLE_H_
