// Rectangles in pixels, the layout's scaling rule and docking arithmetic:
// plain values that every renderer of the window shares.
#ifndef UI_GEOMETRY_H_
#define UI_GEOMETRY_H_

#include <cmath>

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  constexpr int Right() const { return left + width; }
  constexpr int Bottom() const { return top + height; }
  constexpr bool Contains(const Rect& inner) const {
    return inner.left >= left && inner.top >= top && inner.Right() <= Right() &&
           inner.Bottom() <= Bottom();
  }
  constexpr bool Overlaps(const Rect& other) const {
    return left < other.Right() && other.left < Right() && top < other.Bottom() &&
           other.top < Bottom();
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Text height (ascent plus descent), in pixels, of the window's font on the
// design screen, and that screen's pixels per inch.
inline constexpr int kDesignTextHeight = 13;
inline constexpr double kDesignDotsPerInch = 96.0;

// Character height of the window's font and of Label9's on the design
// screen; each front end breaks ties between pixel sizes of equal text height
// by the nearer of these.
inline constexpr int kWindowFontPixels = 11;
inline constexpr int kLabel9FontPixels = 13;

// The text height the window's font asks for on a screen of `dots_per_inch`:
// 13 at 96, grown in proportion on denser screens.
inline int TextHeightAt(double dots_per_inch) {
  return static_cast<int>(std::lround(kDesignTextHeight * dots_per_inch / kDesignDotsPerInch));
}

// The layout's scale factor: the text height of the font actually chosen over
// 13. Controls, and the client area with them, grow by it, so that a larger
// font is neither covered nor cut.
inline double LayoutScale(int text_height) {
  return static_cast<double>(text_height) / kDesignTextHeight;
}

// A design length at layout scale `scale`.
inline int Scaled(int design, double scale) {
  return static_cast<int>(std::lround(design * scale));
}
inline Rect Scaled(const Rect& design, double scale) {
  return Rect{Scaled(design.left, scale), Scaled(design.top, scale),
              Scaled(design.width, scale), Scaled(design.height, scale)};
}
inline Size Scaled(const Size& design, double scale) {
  return Size{Scaled(design.width, scale), Scaled(design.height, scale)};
}

// Docking: a docked child keeps fixed distances to chosen edges of its
// parent as the parent is resized; the other controls keep their place and
// size. A non-negative width pins the child to the left edge with that width;
// a non-negative height pins it to the bottom edge with that height.
struct DockRule {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width = -1;
  int height = -1;
  friend constexpr bool operator==(const DockRule&, const DockRule&) = default;
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

// `rule` at layout scale `scale`.
DockRule Scaled(const DockRule& rule, double scale);

// The child's rectangle inside a parent of size `parent` under `rule`; never
// narrower or lower than nothing.
Rect DockedRect(const DockRule& rule, Size parent);

}  // namespace ui

#endif  // UI_GEOMETRY_H_
