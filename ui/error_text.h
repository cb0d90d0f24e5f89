// The texts of the two error reports, built from an error's class name and
// GBK message. Plain functions, so they are tested without a window.
#ifndef UI_ERROR_TEXT_H_
#define UI_ERROR_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// Longest fatal report text in bytes; a longer text is cut.
inline constexpr size_t kMaxFatalTextBytes = 1023;

// The command error box's text: `message` with "." appended when it is not
// empty and its last byte, unsigned, is greater than '.' (so a message that
// ends in a double-byte character, a letter, a digit, ":", ";", "?" or "/"
// gets one; "!", ",", ")", quotes and blanks do not).
std::string CommandErrorText(std::string_view message);

// "Exception <class_name> in module <module_file> at <offset>." LF
// "<message><stop>", with the offset in (at least) eight upper-case
// hexadecimal digits and <stop> "." when `message` is not empty and does not
// already end in ".". Cut to kMaxFatalTextBytes.
std::string FatalErrorText(std::string_view class_name,
                           std::string_view module_file, uintptr_t offset,
                           std::string_view message);

}  // namespace ui

#endif  // UI_ERROR_TEXT_H_
