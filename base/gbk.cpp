// GBK <-> UTF-16: plain ASCII here, everything else through the system's
// converter (platform/code_page.h).
#include "base/gbk.h"

#include "platform/code_page.h"

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

}  // namespace

std::u16string GbkToUtf16(std::string_view gbk) {
  if (IsAscii(gbk)) return std::u16string(gbk.begin(), gbk.end());
  return platform::Cp936ToUtf16(gbk);
}

std::string Utf16ToGbk(std::u16string_view text) {
  if (IsAscii(text)) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i]);
    return out;
  }
  return platform::Utf16ToCp936(text);
}

}  // namespace base
