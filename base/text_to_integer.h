// The one conversion of text to a 32-bit signed integer.
#ifndef BASE_TEXT_TO_INTEGER_H_
#define BASE_TEXT_TO_INTEGER_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace base {

// Converts `text`: leading blanks, an optional "+" or "-", then decimal digits
// or "$", "x", "X", "0x", "0X" followed by one to eight hexadecimal digits
// (taken as a 32-bit two's-complement value); nothing may follow the digits.
// A decimal value must fit a 32-bit signed integer. A minus sign negates
// either form (wrapping for the hexadecimal 0x80000000).
// Raises EConvertError "'<text>' is not a valid integer value" otherwise.
int32_t TextToInteger(std::string_view text);

// As TextToInteger, but gives nothing instead of raising.
std::optional<int32_t> TryTextToInteger(std::string_view text);

}  // namespace base

#endif  // BASE_TEXT_TO_INTEGER_H_
