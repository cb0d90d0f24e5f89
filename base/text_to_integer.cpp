// TextToInteger: decimal and hexadecimal text to a 32-bit signed integer.
#include "base/text_to_integer.h"

#include "base/exceptions.h"

namespace base {
namespace {

constexpr int kMaxHexDigits = 8;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> TryTextToInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view rest = text.substr(i);

  size_t hex_prefix = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex_prefix = 1;
  } else if (rest.size() >= 2 && rest[0] == '0' &&
             (rest[1] == 'x' || rest[1] == 'X')) {
    hex_prefix = 2;
  }

  if (hex_prefix != 0) {
    std::string_view digits = rest.substr(hex_prefix);
    if (digits.empty() || digits.size() > kMaxHexDigits) return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
      int d = HexDigitValue(c);
      if (d < 0) return std::nullopt;
      value = (value << 4) | static_cast<uint32_t>(d);
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }

  if (rest.empty()) return std::nullopt;
  // Accumulate as a magnitude so that -2147483648 fits.
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  uint64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    if (magnitude > limit) return std::nullopt;
  }
  uint32_t value = static_cast<uint32_t>(magnitude);
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

int32_t TextToInteger(std::string_view text) {
  std::optional<int32_t> value = TryTextToInteger(text);
  if (!value) RaiseNotAnInteger(text);
  return *value;
}

}  // namespace base
