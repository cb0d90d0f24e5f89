// Docking for Qt widgets: each docked child is placed by its rule (the
// form's description says which children are docked and how) now and
// whenever its parent is resized.
#ifndef APP_QT_DOCKING_H_
#define APP_QT_DOCKING_H_

#include <QObject>
#include <vector>

#include "ui/geometry.h"

class QWidget;

namespace app {

class Docker : public QObject {
 public:
  explicit Docker(QObject* owner) : QObject(owner) {}

  // Places `child` by `rule` now and whenever its parent is resized.
  void Dock(QWidget* child, const ui::DockRule& rule);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Docked {
    QWidget* child;
    ui::DockRule rule;
  };
  void Place(const Docked& docked) const;
  std::vector<Docked> docked_;
};

}  // namespace app

#endif  // APP_QT_DOCKING_H_
