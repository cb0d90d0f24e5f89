// Family choice through the font database, and the pixel size chosen by the
// text height it gives; Qt fills missing glyphs from the later families.
#include "app/qt/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/geometry.h"

namespace app {
namespace {

const QStringList& KnownCjkFallbacks() {
  static const QStringList families = {
      "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC",
      "Droid Sans Fallback", "WenQuanYi Zen Hei", "AR PL UMing CN"};
  return families;
}

bool Installed(const QStringList& installed, const QString& family) {
  return installed.contains(family, Qt::CaseInsensitive);
}

bool LooksSerif(const QString& family) {
  for (const char* mark : {"Serif", "Ming", "Song", "Kai", "Fangsong"}) {
    if (family.contains(QLatin1String(mark), Qt::CaseInsensitive) &&
        !family.contains(QLatin1String("Sans"), Qt::CaseInsensitive)) {
      return true;
    }
  }
  return false;
}

int Rounded(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

QStringList FamiliesFor(const QString& family) {
  const QStringList installed = QFontDatabase::families();
  QStringList families;
  if (Installed(installed, family)) families << family;
  for (const QString& fallback : KnownCjkFallbacks()) {
    if (Installed(installed, fallback)) families << fallback;
  }
  if (families.size() <= 1) {
    // None of the known fallbacks: any family that writes Chinese, sans-serif
    // ones first.
    QStringList serif;
    for (const QString& other :
         QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
      if (families.contains(other)) continue;
      (LooksSerif(other) ? serif : families) << other;
    }
    families << serif;
  }
  return families;
}

QFont FontWithTextHeight(const QStringList& families, int text_height,
                         int preferred_pixels) {
  QFont font;
  if (!families.isEmpty()) font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  text_height = std::max(text_height, 1);

  // Text height grows with the pixel size, though not always by one step
  // for one pixel: try each size up to twice the target height.
  int best_pixels = std::max(preferred_pixels, 1);
  int best_distance = -1;
  for (int pixels = 1; pixels <= 2 * text_height; ++pixels) {
    font.setPixelSize(pixels);
    const int distance = std::abs(QFontMetrics(font).height() - text_height);
    const bool nearer_preferred = std::abs(pixels - preferred_pixels) <
                                  std::abs(best_pixels - preferred_pixels);
    if (best_distance < 0 || distance < best_distance ||
        (distance == best_distance && nearer_preferred)) {
      best_distance = distance;
      best_pixels = pixels;
    }
  }
  font.setPixelSize(best_pixels);
  return font;
}

QFont WindowFontAt(double dots_per_inch, const QStringList& families) {
  const double ratio = dots_per_inch / ui::kDesignDotsPerInch;
  return FontWithTextHeight(families, ui::TextHeightAt(dots_per_inch),
                            Rounded(ui::kWindowFontPixels * ratio));
}

QFont WindowFont() {
  double dpi = ui::kDesignDotsPerInch;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi = screen->logicalDotsPerInchY();
  }
  return WindowFontAt(dpi, FamiliesFor(QStringLiteral("MS Sans Serif")));
}

QFont Label9Font(double scale) {
  return FontWithTextHeight(FamiliesFor(QString::fromUtf8("宋体")),
                            ui::Scaled(ui::kDesignTextHeight, scale),
                            Rounded(ui::kLabel9FontPixels * scale));
}

double LayoutScale(const QFont& font) {
  return ui::LayoutScale(QFontMetrics(font).height());
}

}  // namespace app
