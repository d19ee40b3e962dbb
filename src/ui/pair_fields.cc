#include "ui/pair_fields.h"

namespace quorvane {

PairFields::PairFields(QWidget* parent) : QWidget(parent) {
  setObjectName("PairFields");
  resize(265, 25);
  Title = new QLabel("fragment", this);
  Title->setObjectName("PairFieldsTitle");
  Title->setGeometry(0, 0, 70, 25);
  BxMin = new QLineEdit(QString::number(kDefaultMinFrag), this);
  BxMin->setObjectName("BxFragMin");
  BxMin->setToolTip("MIN: the shortest fragment, in letters");
  BxMin->setGeometry(70, 0, 60, 25);
  BxMax = new QLineEdit(QString::number(kDefaultMaxFrag), this);
  BxMax->setObjectName("BxFragMax");
  BxMax->setToolTip("MAX: the longest fragment, in letters");
  BxMax->setGeometry(135, 0, 60, 25);
  BxOrient = new QComboBox(this);
  BxOrient->setObjectName("BxOrient");
  BxOrient->addItems({"fr", "rf", "ff"});
  BxOrient->setToolTip("fr: the mates face each other; rf: they face away; ff: both read one way");
  BxOrient->setGeometry(200, 0, 65, 25);
  connect(BxMin, &QLineEdit::textChanged, this, &PairFields::changed);
  connect(BxMax, &QLineEdit::textChanged, this, &PairFields::changed);
  connect(BxOrient, &QComboBox::currentIndexChanged, this, &PairFields::changed);
  setTabOrder(BxMin, BxMax);
  setTabOrder(BxMax, BxOrient);
}

Status PairFields::Rule(PairRule& rule) const {
  PairRule r;
  const Status st = ParseFragmentLimits(BxMin->text().trimmed().toStdString(), BxMax->text().trimmed().toStdString(), r);
  if (!st.ok()) return st;
  static constexpr Orientation kOrient[] = {Orientation::kFr, Orientation::kRf, Orientation::kFf};
  r.orientation = kOrient[std::max(0, BxOrient->currentIndex())];
  rule = r;
  return Status::OK();
}

}  // namespace quorvane
