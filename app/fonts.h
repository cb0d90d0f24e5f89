// The window's fonts, with a fallback to an installed CJK-capable sans-serif
// where the named ones are missing, and the scale factor of the layout.
#ifndef APP_FONTS_H_
#define APP_FONTS_H_

#include <QFont>
#include <QString>

namespace app {

// Text height, in pixels, of the window's font on the design screen.
inline constexpr int kDesignTextHeight = 13;

// A font of family `family` with a character height of `pixels`, using the
// family where installed and otherwise an installed CJK-capable sans-serif;
// Chinese glyphs missing from the family come from the fallbacks.
QFont NamedFont(const QString& family, int pixels);

// The window's font: "MS Sans Serif", character height 11 pixels scaled by
// the primary screen's pixels per inch over 96.
QFont WindowFont();

// Label9's own font: "宋体", character height 13 pixels, multiplied by
// `scale` (the layout's scale factor).
QFont Label9Font(double scale);

// The layout's scale factor: the text height of `font` over 13.
double LayoutScale(const QFont& font);

}  // namespace app

#endif  // APP_FONTS_H_
