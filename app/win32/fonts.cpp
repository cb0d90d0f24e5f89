// Glyph coverage through GetGlyphIndicesW, families through
// EnumFontFamiliesExW, sizes by trying each pixel height.
#include "app/win32/fonts.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace app_win32 {
namespace {

// Fallbacks that draw the window well, in the order they are preferred.
constexpr const wchar_t* kKnownChineseFamilies[] = {
    L"SimSun", L"Microsoft YaHei", L"SimHei", L"NSimSun", L"WenQuanYi Micro Hei",
    L"Noto Sans CJK SC", L"Source Han Sans SC", L"WenQuanYi Zen Hei"};

HFONT MakeFont(const std::wstring& family, int pixels) {
  LOGFONTW request{};
  request.lfHeight = -pixels;  // the character height, as a pixel size
  request.lfWeight = FW_NORMAL;
  request.lfCharSet = DEFAULT_CHARSET;
  request.lfOutPrecision = OUT_DEFAULT_PRECIS;
  request.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  request.lfQuality = DEFAULT_QUALITY;
  request.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  family.copy(request.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&request);
}

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
  auto* families = reinterpret_cast<std::vector<std::wstring>*>(list);
  // Nothing raised may unwind through the system's frames: out of memory,
  // the enumeration stops with the families found so far.
  try {
    const std::wstring name = font->lfFaceName;
    // "@" names the same family written vertically.
    if (!name.empty() && name[0] != L'@' &&
        std::find(families->begin(), families->end(), name) == families->end()) {
      families->push_back(name);
    }
  } catch (...) {
    return 0;
  }
  return 1;
}

// Installed families that write Simplified Chinese, the known ones first.
std::vector<std::wstring> ChineseFamilies(HDC dc) {
  std::vector<std::wstring> installed;
  LOGFONTW query{};
  query.lfCharSet = GB2312_CHARSET;
  EnumFontFamiliesExW(dc, &query, CollectFamily, reinterpret_cast<LPARAM>(&installed), 0);
  std::vector<std::wstring> ordered;
  for (const wchar_t* known : kKnownChineseFamilies) {
    const auto found = std::find_if(installed.begin(), installed.end(), [&](const auto& name) {
      return CompareStringOrdinal(name.c_str(), -1, known, -1, TRUE) == CSTR_EQUAL;
    });
    if (found != installed.end()) {
      ordered.push_back(*found);
      installed.erase(found);
    }
  }
  ordered.insert(ordered.end(), installed.begin(), installed.end());
  return ordered;
}

bool FamilyDrawsAll(HDC dc, const std::wstring& family, std::wstring_view sample) {
  const HFONT font = MakeFont(family, 13);
  const bool all = DrawsAll(dc, font, sample);
  DeleteObject(font);
  return all;
}

}  // namespace

OwnedFont::~OwnedFont() {
  if (handle_ != nullptr) DeleteObject(handle_);
}

OwnedFont::OwnedFont(OwnedFont&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      text_height_(other.text_height_),
      family_(std::move(other.family_)) {}

OwnedFont& OwnedFont::operator=(OwnedFont&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
    text_height_ = other.text_height_;
    family_ = std::move(other.family_);
  }
  return *this;
}

bool DrawsAll(HDC dc, HFONT font, std::wstring_view sample) {
  if (sample.empty()) return true;
  const HGDIOBJ previous = SelectObject(dc, font);
  std::vector<WORD> glyphs(sample.size());
  const DWORD done = GetGlyphIndicesW(dc, sample.data(), static_cast<int>(sample.size()),
                                      glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, previous);
  return done == sample.size() &&
         std::find(glyphs.begin(), glyphs.end(), WORD{0xFFFF}) == glyphs.end();
}

std::wstring FamilyDrawing(HDC dc, const std::wstring& wanted, std::wstring_view sample) {
  if (FamilyDrawsAll(dc, wanted, sample)) return wanted;
  for (const std::wstring& family : ChineseFamilies(dc)) {
    if (FamilyDrawsAll(dc, family, sample)) return family;
  }
  return wanted;
}

OwnedFont FontWithTextHeight(HDC dc, const std::wstring& family, int text_height,
                             int preferred_pixels) {
  text_height = std::max(text_height, 1);
  // The text height grows with the pixel size, though not always one step
  // for one pixel: try each size up to twice the height wanted.
  int best_pixels = std::max(preferred_pixels, 1);
  int best_height = 0;
  int best_distance = -1;
  for (int pixels = 1; pixels <= 2 * text_height; ++pixels) {
    const HFONT font = MakeFont(family, pixels);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
    const int distance = std::abs(static_cast<int>(metrics.tmHeight) - text_height);
    const bool nearer_preferred =
        std::abs(pixels - preferred_pixels) < std::abs(best_pixels - preferred_pixels);
    if (best_distance < 0 || distance < best_distance ||
        (distance == best_distance && nearer_preferred)) {
      best_distance = distance;
      best_pixels = pixels;
      best_height = static_cast<int>(metrics.tmHeight);
    }
  }
  return OwnedFont(MakeFont(family, best_pixels), best_height, family);
}

}  // namespace app_win32
