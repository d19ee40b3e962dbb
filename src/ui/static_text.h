// A fixed-size line of static text on a coloured background that reports
// clicks. It keeps its text as the bytes it was given (a path on Linux is
// a byte string), and shows them decoded in the local 8-bit encoding.
//
// A text that takes the keyboard focus (see setFocusPolicy) is clicked
// with Space or Enter as well, and shows the focus as buttons do. A text
// set to elide shows what does not fit with its middle left out, and
// carries its whole text as a tooltip.
#ifndef QUORVANE_UI_STATIC_TEXT_H_
#define QUORVANE_UI_STATIC_TEXT_H_

#include <QLabel>
#include <string>

namespace quorvane {

class StaticText : public QLabel {
  Q_OBJECT

 public:
  StaticText(const std::string& text, QWidget* parent);

  // The text, byte for byte as it was set.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

  // Whether a text too wide for the box is shown elided in the middle,
  // with the whole text as the tooltip. Off at first.
  void SetElided(bool elided);

 signals:
  // A left click was pressed and released over the text, or Space or
  // Enter was pressed while it had the focus.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  // Shows text_, elided to the box's width when elided_ is on.
  void ShowText();

  std::string text_;      // the bytes shown
  bool pressed_ = false;  // a left press began on the text
  bool elided_ = false;   // long texts are elided in the middle
};

}  // namespace quorvane

#endif  // QUORVANE_UI_STATIC_TEXT_H_
