// Docked children are placed again on every resize of their parent, in the
// order in which they were docked.
#include "app/docking.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace app {

QRect DockedRect(const DockRule& rule, QSize parent) {
  const int width = rule.width >= 0
                        ? rule.width
                        : parent.width() - rule.left - rule.right;
  const int height = rule.height >= 0
                         ? rule.height
                         : parent.height() - rule.top - rule.bottom;
  const int top = rule.height >= 0 ? parent.height() - rule.bottom - height
                                   : rule.top;
  return QRect(rule.left, top, std::max(width, 0), std::max(height, 0));
}

void Docker::Dock(QWidget* child, const DockRule& rule) {
  QWidget* parent = child->parentWidget();
  const bool watched = std::any_of(
      docked_.begin(), docked_.end(),
      [&](const Docked& d) { return d.child->parentWidget() == parent; });
  if (!watched) parent->installEventFilter(this);
  docked_.push_back({child, rule});
  child->setGeometry(DockedRect(rule, parent->size()));
}

bool Docker::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    for (const Docked& d : docked_) {
      if (d.child->parentWidget() == watched) {
        d.child->setGeometry(DockedRect(d.rule, d.child->parentWidget()->size()));
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace app
