// Docking arithmetic.
#include "ui/geometry.h"

#include <algorithm>

namespace ui {

DockRule Scaled(const DockRule& rule, double scale) {
  return DockRule{Scaled(rule.left, scale),
                  Scaled(rule.top, scale),
                  Scaled(rule.right, scale),
                  Scaled(rule.bottom, scale),
                  rule.width < 0 ? -1 : Scaled(rule.width, scale),
                  rule.height < 0 ? -1 : Scaled(rule.height, scale)};
}

Rect DockedRect(const DockRule& rule, Size parent) {
  const int width = rule.width >= 0 ? rule.width : parent.width - rule.left - rule.right;
  const int height = rule.height >= 0 ? rule.height : parent.height - rule.top - rule.bottom;
  const int top = rule.height >= 0 ? parent.height - rule.bottom - height : rule.top;
  return Rect{rule.left, top, std::max(width, 0), std::max(height, 0)};
}

}  // namespace ui
