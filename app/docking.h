// Docking: children that follow their parent's size. Each docked child keeps
// fixed distances to chosen edges of its parent; the rest of the window's
// controls keep their place and size.
#ifndef APP_DOCKING_H_
#define APP_DOCKING_H_

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace app {

// Distances to the parent's edges, in pixels. A non-negative width pins the
// child to the left edge with that width; a non-negative height pins it to
// the bottom edge with that height.
struct DockRule {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width = -1;
  int height = -1;
};

// Fills the parent but for the given distances to its edges.
constexpr DockRule FillInside(int left, int top, int right, int bottom) {
  return DockRule{left, top, right, bottom, -1, -1};
}
// At the left edge with a fixed width, full height.
constexpr DockRule PinLeft(int width) { return DockRule{0, 0, 0, 0, width, -1}; }
// Along the bottom edge with a fixed height, `bottom` above it.
constexpr DockRule PinBottom(int left, int right, int bottom, int height) {
  return DockRule{left, 0, right, bottom, -1, height};
}

// The child's rectangle inside a parent of size `parent` under `rule`.
QRect DockedRect(const DockRule& rule, QSize parent);

class Docker : public QObject {
 public:
  explicit Docker(QObject* owner) : QObject(owner) {}
  // Places `child` by `rule` now and whenever its parent is resized.
  void Dock(QWidget* child, const DockRule& rule);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Docked {
    QWidget* child;
    DockRule rule;
  };
  std::vector<Docked> docked_;
};

}  // namespace app

#endif  // APP_DOCKING_H_
