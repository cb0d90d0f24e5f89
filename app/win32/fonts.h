// The window's fonts: the family the design names where it draws every text
// asked of it, else an installed family that does (Chinese ones known to draw
// well first), at the pixel height whose text height comes closest to the
// one wanted.
#ifndef APP_WIN32_FONTS_H_
#define APP_WIN32_FONTS_H_

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace app_win32 {

// A font the program made, deleted with this object.
class OwnedFont {
 public:
  OwnedFont() = default;
  OwnedFont(HFONT handle, int text_height, std::wstring family)
      : handle_(handle), text_height_(text_height), family_(std::move(family)) {}
  ~OwnedFont();
  OwnedFont(OwnedFont&& other) noexcept;
  OwnedFont& operator=(OwnedFont&& other) noexcept;
  OwnedFont(const OwnedFont&) = delete;
  OwnedFont& operator=(const OwnedFont&) = delete;

  HFONT handle() const { return handle_; }
  // Ascent plus descent (tmHeight), in pixels.
  int text_height() const { return text_height_; }
  const std::wstring& family() const { return family_; }

 private:
  HFONT handle_ = nullptr;
  int text_height_ = 0;
  std::wstring family_;
};

// Whether `font` has a glyph for every character of `sample`. A font whose
// glyphs cannot be asked for (a bitmap font) has none.
bool DrawsAll(HDC dc, HFONT font, std::wstring_view sample);

// `wanted` where it draws all of `sample`; else the first installed family
// that writes Simplified Chinese and draws all of it, the known ones in their
// order first; else `wanted`, for the system to draw as it can.
std::wstring FamilyDrawing(HDC dc, const std::wstring& wanted, std::wstring_view sample);

// `family` at the pixel size whose text height is nearest `text_height`;
// among sizes that come equally near, the one nearest `preferred_pixels`.
OwnedFont FontWithTextHeight(HDC dc, const std::wstring& family, int text_height,
                             int preferred_pixels);

}  // namespace app_win32

#endif  // APP_WIN32_FONTS_H_
