// Text in code page 936 (GBK) to UTF-16 and back, through the system's own
// converter (iconv, or the code-page functions on Windows). base/gbk.h is
// the interface the rest of the program uses; this is its platform part.
#ifndef PLATFORM_CODE_PAGE_H_
#define PLATFORM_CODE_PAGE_H_

#include <string>
#include <string_view>

namespace platform {

// GBK bytes to UTF-16. Each byte that cannot start a valid character (an
// invalid or cut-off sequence) becomes one "?"; decoding goes on after it.
std::u16string Cp936ToUtf16(std::string_view gbk);

// UTF-16 to GBK bytes. A character GBK cannot hold, or a lone surrogate,
// becomes one "?" per character (a surrogate pair is one character).
std::string Utf16ToCp936(std::u16string_view text);

}  // namespace platform

#endif  // PLATFORM_CODE_PAGE_H_
