// GBK <-> UTF-16 through the platform's converter (iconv on POSIX systems,
// the code-page functions on Windows), with a fast path for plain ASCII.
#include "base/gbk.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace base {
namespace {

bool IsAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

#if !defined(_WIN32)

// One converter per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts as much of [*in, *in + *in_left) as possible; see iconv(3).
  size_t Convert(char** in, size_t* in_left, char** out, size_t* out_left) {
    return iconv(cd_, in, in_left, out, out_left);
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

Converter& GbkDecoder() {
  thread_local Converter converter("UTF-16LE", "CP936");
  return converter;
}

Converter& GbkEncoder() {
  thread_local Converter converter("CP936", "UTF-16LE");
  return converter;
}

#endif

}  // namespace

#if defined(_WIN32)

std::u16string GbkToUtf16(std::string_view gbk) {
  std::u16string out(gbk.begin(), gbk.end());
  if (gbk.empty() || IsAscii(gbk)) return out;
  int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()),
                              nullptr, 0);
  out.resize(static_cast<size_t>(n));
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string Utf16ToGbk(std::u16string_view text) {
  std::string out(text.size(), '\0');
  if (text.empty()) return out;
  if (IsAscii(text)) {
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    return out;
  }
  const wchar_t* in = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(936, 0, in, static_cast<int>(text.size()),
                              nullptr, 0, "?", nullptr);
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(936, 0, in, static_cast<int>(text.size()), out.data(), n,
                      "?", nullptr);
  return out;
}

#else

std::u16string GbkToUtf16(std::string_view gbk) {
  std::u16string out;
  if (IsAscii(gbk)) {
    out.assign(gbk.begin(), gbk.end());
    return out;
  }
  Converter& conv = GbkDecoder();
  if (!conv.ok()) {
    for (unsigned char c : gbk) out.push_back(c < 0x80 ? c : u'?');
    return out;
  }
  conv.Reset();
  out.resize(gbk.size());  // never more UTF-16 units than bytes
  char* in = const_cast<char*>(gbk.data());
  size_t in_left = gbk.size();
  char* out_begin = reinterpret_cast<char*>(out.data());
  char* out_ptr = out_begin;
  size_t out_left = out.size() * sizeof(char16_t);
  while (in_left > 0) {
    if (conv.Convert(&in, &in_left, &out_ptr, &out_left) !=
        static_cast<size_t>(-1)) {
      break;
    }
    // An invalid or incomplete sequence: one "?" for its first byte.
    const char16_t question = u'?';
    std::memcpy(out_ptr, &question, sizeof question);
    out_ptr += sizeof question;
    out_left -= sizeof question;
    ++in;
    --in_left;
    conv.Reset();
  }
  out.resize(static_cast<size_t>(out_ptr - out_begin) / sizeof(char16_t));
  return out;
}

std::string Utf16ToGbk(std::u16string_view text) {
  std::string out;
  if (IsAscii(text)) {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    return out;
  }
  Converter& conv = GbkEncoder();
  if (!conv.ok()) {
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
  }
  conv.Reset();
  out.resize(text.size() * 2);  // at most two bytes per UTF-16 unit
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  size_t in_left = text.size() * sizeof(char16_t);
  char* out_ptr = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (conv.Convert(&in, &in_left, &out_ptr, &out_left) !=
        static_cast<size_t>(-1)) {
      break;
    }
    // A character GBK lacks, or a lone surrogate: one "?" for the character.
    char16_t unit;
    std::memcpy(&unit, in, sizeof unit);
    size_t skip = sizeof(char16_t);
    if (unit >= 0xD800 && unit <= 0xDBFF && in_left >= 2 * sizeof(char16_t)) {
      char16_t next;
      std::memcpy(&next, in + sizeof(char16_t), sizeof next);
      if (next >= 0xDC00 && next <= 0xDFFF) skip = 2 * sizeof(char16_t);
    }
    *out_ptr++ = '?';
    --out_left;
    in += skip;
    in_left -= skip;
    conv.Reset();
  }
  out.resize(static_cast<size_t>(out_ptr - out.data()));
  return out;
}

#endif

}  // namespace base
