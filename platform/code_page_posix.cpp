// Code page 936 through iconv.
#include <iconv.h>

#include <cstring>

#include "platform/code_page.h"

namespace platform {
namespace {

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

}  // namespace

std::u16string Cp936ToUtf16(std::string_view gbk) {
  std::u16string out;
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

std::string Utf16ToCp936(std::u16string_view text) {
  std::string out;
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

}  // namespace platform
