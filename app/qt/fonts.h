// The window's fonts, with a fallback to an installed CJK-capable sans-serif
// where the named ones are missing, sized by their text height, and the
// scale factor of the layout.
#ifndef APP_QT_FONTS_H_
#define APP_QT_FONTS_H_

#include <QFont>
#include <QString>
#include <QStringList>

namespace app {

// The families that draw a font named `family`: the family itself where
// installed, then the installed CJK-capable sans-serif fallbacks (known ones
// first, then any other that the font database says writes Simplified
// Chinese). Empty when none is installed: the platform then draws as it can.
QStringList FamiliesFor(const QString& family);

// A font drawn by `families` whose text height (ascent plus descent) is as
// close to `text_height` as the fonts allow; among pixel sizes that come
// equally close, the one nearest `preferred_pixels`.
QFont FontWithTextHeight(const QStringList& families, int text_height,
                         int preferred_pixels);

// The window's font ("MS Sans Serif", 8 points) on a screen of
// `dots_per_inch`: text height 13 at 96 pixels per inch, grown in proportion
// on denser screens. `families` draws it (FamiliesFor by default).
QFont WindowFontAt(double dots_per_inch, const QStringList& families);
// The same on the primary screen with the installed fonts.
QFont WindowFont();

// Label9's own font: "宋体", text height 13 pixels multiplied by `scale`
// (the layout's scale factor).
QFont Label9Font(double scale);

// The layout's scale factor: the text height of `font` over 13.
double LayoutScale(const QFont& font);

}  // namespace app

#endif  // APP_QT_FONTS_H_
