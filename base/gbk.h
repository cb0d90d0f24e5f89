// The one place where text changes between code page 936 (GBK) bytes, the
// system's text, and UTF-16, the text of the database engine and the window.
#ifndef BASE_GBK_H_
#define BASE_GBK_H_

#include <string>
#include <string_view>

namespace base {

// GBK bytes to UTF-16. A byte sequence that is not valid GBK becomes "?" for
// each byte that cannot start a character.
std::u16string GbkToUtf16(std::string_view gbk);

// UTF-16 to GBK bytes. A character that GBK cannot hold, or a lone surrogate,
// becomes "?" (one per character), as the platform's conversion does.
std::string Utf16ToGbk(std::u16string_view text);

// True when `byte` is a lead byte of a double-byte character of code page 936.
constexpr bool IsGbkLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace base

#endif  // BASE_GBK_H_
