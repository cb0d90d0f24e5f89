// Docked children are placed again on every resize of their parent, in the
// order in which they were docked.
#include "app/qt/docking.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace app {

void Docker::Place(const Docked& docked) const {
  const QSize size = docked.child->parentWidget()->size();
  const ui::Rect rect = ui::DockedRect(docked.rule, ui::Size{size.width(), size.height()});
  docked.child->setGeometry(rect.left, rect.top, rect.width, rect.height);
}

void Docker::Dock(QWidget* child, const ui::DockRule& rule) {
  QWidget* parent = child->parentWidget();
  const bool watched = std::any_of(
      docked_.begin(), docked_.end(),
      [&](const Docked& d) { return d.child->parentWidget() == parent; });
  if (!watched) parent->installEventFilter(this);
  docked_.push_back({child, rule});
  Place(docked_.back());
}

bool Docker::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    for (const Docked& d : docked_) {
      if (d.child->parentWidget() == watched) Place(d);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace app
