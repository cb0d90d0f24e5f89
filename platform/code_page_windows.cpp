// Code page 936 through the system's code-page functions. Whole texts go in
// one call; a text with bad bytes or characters GBK lacks is done again one
// character at a time, so each fault becomes one "?" as iconv's does.
#include <windows.h>

#include <climits>

#include "platform/code_page.h"

namespace platform {
namespace {

constexpr UINT kGbk = 936;

// Decodes `bytes` strictly; false when any of them is invalid.
bool Decode(const char* bytes, size_t size, std::u16string* out) {
  if (size == 0) return true;
  const int in_size = static_cast<int>(size);
  const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, in_size,
                                    nullptr, 0);
  if (n <= 0) return false;
  const size_t start = out->size();
  out->resize(start + static_cast<size_t>(n));
  MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, in_size,
                      reinterpret_cast<wchar_t*>(out->data() + start), n);
  return true;
}

// Encodes `text` exactly; false when any character has no GBK form.
bool Encode(const char16_t* text, size_t size, std::string* out) {
  if (size == 0) return true;
  const auto* in = reinterpret_cast<const wchar_t*>(text);
  const int in_size = static_cast<int>(size);
  BOOL defaulted = FALSE;
  const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, in, in_size,
                                    nullptr, 0, nullptr, &defaulted);
  if (n <= 0 || defaulted) return false;
  const size_t start = out->size();
  out->resize(start + static_cast<size_t>(n));
  WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, in, in_size, out->data() + start,
                      n, nullptr, &defaulted);
  return true;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::u16string Cp936ToUtf16(std::string_view gbk) {
  std::u16string out;
  if (gbk.size() > INT_MAX / 2) return out;
  // The system maps 0xFF to a private-use character; iconv, and so this
  // program, takes it as invalid.
  if (gbk.find('\xff') == std::string_view::npos &&
      Decode(gbk.data(), gbk.size(), &out)) {
    return out;
  }
  out.clear();
  size_t i = 0;
  while (i < gbk.size()) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    if (byte < 0x80) {
      out.push_back(byte);
      ++i;
      continue;
    }
    // 0x80 is the euro sign alone; 0x81-0xFE lead a two-byte character.
    const size_t width = byte >= 0x81 && byte <= 0xFE ? 2 : 1;
    if (byte != 0xFF && i + width <= gbk.size() &&
        Decode(gbk.data() + i, width, &out)) {
      i += width;
    } else {
      out.push_back(u'?');
      ++i;
    }
  }
  return out;
}

std::string Utf16ToCp936(std::u16string_view text) {
  std::string out;
  if (text.size() > INT_MAX / 2) return out;
  if (Encode(text.data(), text.size(), &out)) return out;
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      // GBK holds nothing beyond the basic plane.
      out.push_back('?');
      i += 2;
      continue;
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c) || !Encode(&text[i], 1, &out)) {
      out.push_back('?');
    }
    ++i;
  }
  return out;
}

}  // namespace platform
