// The fields of the window's pairs mode: the fragment's MIN and MAX and
// the mates' orientation, side by side in one row.
#ifndef QUORVANE_UI_PAIR_FIELDS_H_
#define QUORVANE_UI_PAIR_FIELDS_H_

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "common/status.h"
#include "pairs/pair_rule.h"

namespace quorvane {

class PairFields : public QWidget {
  Q_OBJECT

 public:
  // A row of 265 x 25: "fragment", MIN (0 at first), MAX (500 at first)
  // and the orientation (fr, rf, ff; fr at first).
  explicit PairFields(QWidget* parent);

  // The rule the fields show. Fails, the rule unchanged, as
  // ParseFragmentLimits fails.
  Status Rule(PairRule& rule) const;

  QLabel* Title;        // "fragment"
  QLineEdit* BxMin;     // MIN, in letters
  QLineEdit* BxMax;     // MAX, in letters
  QComboBox* BxOrient;  // "fr", "rf" or "ff"

 signals:
  // A field's text or the orientation changed.
  void changed();
};

}  // namespace quorvane

#endif  // QUORVANE_UI_PAIR_FIELDS_H_
