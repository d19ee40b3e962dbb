// A fixed-size line of static text on a coloured background that reports
// clicks. It keeps its text as the bytes it was given (a path on Linux is
// a byte string), and shows them decoded in the local 8-bit encoding.
//
// A text that takes the keyboard focus (see setFocusPolicy) is clicked
// with Space or Enter as well, and shows the focus as buttons do.
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

 signals:
  // A left click was pressed and released over the text, or Space or
  // Enter was pressed while it had the focus.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  std::string text_;      // the bytes shown
  bool pressed_ = false;  // a left press began on the text
};

}  // namespace quorvane

#endif  // QUORVANE_UI_STATIC_TEXT_H_
