#include "ui/press_key.h"

#include <QObject>

namespace quorvane {
namespace {

// Clicks the watched button on Return or Enter.
class EnterClicks final : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    auto* button = static_cast<QAbstractButton*>(watched);
    if (!IsEnterKey(*key) || !button->isEnabled()) return false;
    if (!key->isAutoRepeat()) button->click();
    return true;
  }
};

}  // namespace

bool IsPressKey(const QKeyEvent& e) {
  const Qt::KeyboardModifiers held = e.modifiers() & ~Qt::KeypadModifier;
  if (held != Qt::NoModifier) return false;
  return e.key() == Qt::Key_Space || e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter;
}

bool IsEnterKey(const QKeyEvent& e) { return IsPressKey(e) && e.key() != Qt::Key_Space; }

void ClickOnEnter(QAbstractButton* button) { button->installEventFilter(new EnterClicks(button)); }

}  // namespace quorvane
