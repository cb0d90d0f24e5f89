// Normalizing typed mobile numbers; the plain eleven-digit form is taken on
// a fast path since batch input is mostly that.
#include "attribution/mobile_number.h"

#include <cstring>

namespace attribution {
namespace {

// Longest cleaned text that can still be a number: "0086" and eleven digits.
constexpr size_t kMaxCleaned = 4 + kMobileDigits;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsElevenDigitMobile(const char* p) {
  if (p[0] != '1') return false;
  for (size_t i = 1; i < kMobileDigits; ++i) {
    if (!IsDigit(p[i])) return false;
  }
  return true;
}

}  // namespace

bool NormalizeMobile(std::string_view text, char (&digits)[kMobileDigits]) {
  if (text.size() == kMobileDigits && IsElevenDigitMobile(text.data())) {
    std::memcpy(digits, text.data(), kMobileDigits);
    return true;
  }
  char cleaned[kMaxCleaned];
  size_t n = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '-') continue;
    // Only digits follow, but for one "+" in front.
    if (!IsDigit(c) && !(c == '+' && n == 0)) return false;
    if (n == kMaxCleaned) return false;
    cleaned[n++] = c;
  }
  std::string_view rest(cleaned, n);
  if (rest.starts_with("+86")) {
    rest.remove_prefix(3);
  } else if (rest.size() == 4 + kMobileDigits && rest.starts_with("0086")) {
    rest.remove_prefix(4);
  } else if (rest.size() == 2 + kMobileDigits && rest.starts_with("86")) {
    rest.remove_prefix(2);
  }
  if (rest.size() != kMobileDigits || !IsElevenDigitMobile(rest.data())) return false;
  std::memcpy(digits, rest.data(), kMobileDigits);
  return true;
}

}  // namespace attribution
