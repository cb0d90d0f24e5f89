// Family choice through the font database; Qt fills missing glyphs from the
// later families of the list.
#include "app/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <cmath>

namespace app {
namespace {

constexpr int kWindowFontPixels = 11;
constexpr int kLabel9FontPixels = 13;
constexpr double kDesignDotsPerInch = 96.0;

const QStringList& CjkFallbacks() {
  static const QStringList families = {
      "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC",
      "Droid Sans Fallback", "WenQuanYi Zen Hei", "AR PL UMing CN"};
  return families;
}

bool Installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

QFont NamedFont(const QString& family, int pixels) {
  QStringList families;
  if (Installed(family)) families << family;
  for (const QString& fallback : CjkFallbacks()) {
    if (Installed(fallback)) families << fallback;
  }
  QFont font;
  if (!families.isEmpty()) font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

QFont WindowFont() {
  double dpi = kDesignDotsPerInch;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dpi = screen->logicalDotsPerInchY();
  }
  const int pixels = static_cast<int>(
      std::lround(kWindowFontPixels * dpi / kDesignDotsPerInch));
  return NamedFont(QStringLiteral("MS Sans Serif"), std::max(pixels, 1));
}

QFont Label9Font(double scale) {
  const int pixels = static_cast<int>(std::lround(kLabel9FontPixels * scale));
  return NamedFont(QString::fromUtf8("宋体"), std::max(pixels, 1));
}

double LayoutScale(const QFont& font) {
  return static_cast<double>(QFontMetrics(font).height()) / kDesignTextHeight;
}

}  // namespace app
