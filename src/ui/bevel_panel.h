// A panel: a plain rectangle with an optional caption, framed by an outer
// and an inner bevel and an optional single-line border. It also serves as
// a button: a click on it is reported, and so are Space and Enter while it
// has the keyboard focus (see setFocusPolicy), which it then shows.
#ifndef QUORVANE_UI_BEVEL_PANEL_H_
#define QUORVANE_UI_BEVEL_PANEL_H_

#include <QString>
#include <QWidget>

namespace quorvane {

enum class Bevel { kNone, kLowered, kRaised };

class Panel : public QWidget {
  Q_OBJECT

 public:
  // A panel with an outer raised bevel of width 1, no inner bevel, no
  // border and a centred caption, as panels come by default.
  explicit Panel(const QString& caption, QWidget* parent);

  // The caption drawn inside the bevels.
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);

  // Horizontal alignment of the caption (Qt::AlignLeft or Qt::AlignHCenter).
  void SetCaptionAlignment(Qt::Alignment a);

  Bevel BevelOuter() const { return outer_; }
  void SetBevelOuter(Bevel b);
  Bevel BevelInner() const { return inner_; }
  void SetBevelInner(Bevel b);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int w);
  bool BorderSingle() const { return borderSingle_; }
  void SetBorderSingle(bool single);

 signals:
  // A left click was pressed and released over the panel, or Space or
  // Enter was pressed while it had the focus.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QString caption_;
  Qt::Alignment align_ = Qt::AlignHCenter;
  Bevel outer_ = Bevel::kRaised;  // bevel along the panel's edge
  Bevel inner_ = Bevel::kNone;    // bevel inside the outer one
  int bevelWidth_ = 1;            // width in pixels of each bevel
  bool borderSingle_ = false;     // a dark line around everything
  bool pressed_ = false;          // a left press began on the panel
};

}  // namespace quorvane

#endif  // QUORVANE_UI_BEVEL_PANEL_H_
