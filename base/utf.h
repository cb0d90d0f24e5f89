// UTF-8 <-> UTF-16, for the command-line tool and the tests, which speak UTF-8.
#ifndef BASE_UTF_H_
#define BASE_UTF_H_

#include <string>
#include <string_view>

namespace base {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Appends the UTF-8 form of `text` to `out`.
void AppendUtf8(std::u16string_view text, std::string& out);
// UTF-8 to UTF-16; an invalid sequence becomes U+FFFD for each bad byte.
std::u16string Utf8ToUtf16(std::string_view text);
// Whether `text` is valid UTF-8 (ASCII is answered without converting).
bool IsUtf8(std::string_view text);

}  // namespace base

#endif  // BASE_UTF_H_
