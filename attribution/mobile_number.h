// Mobile numbers as people write them: "+86 138-0013-8000", "0086...",
// "86...", with blanks and dashes anywhere, reduced to the eleven digits of a
// mainland mobile number.
#ifndef ATTRIBUTION_MOBILE_NUMBER_H_
#define ATTRIBUTION_MOBILE_NUMBER_H_

#include <cstdint>
#include <string_view>

namespace attribution {

inline constexpr size_t kMobileDigits = 11;
inline constexpr size_t kHeadDigits = 7;
// Every head of a mobile number lies in [kFirstHead, kFirstHead + kHeadSpan).
inline constexpr uint32_t kFirstHead = 1000000;
inline constexpr uint32_t kHeadSpan = 1000000;

// Writes into `digits` the eleven digits of `text` when it is a mainland
// mobile number once blanks (space, tab) and dashes are dropped: eleven
// digits starting with 1, optionally after "+86", "0086" or "86" (a prefix
// is dropped only when eleven such digits remain). Returns false otherwise,
// leaving `digits` unspecified.
bool NormalizeMobile(std::string_view text, char (&digits)[kMobileDigits]);

// The number head of eleven normalized digits as an integer, the first seven
// digits read in decimal (in [kFirstHead, kFirstHead + kHeadSpan)).
inline uint32_t HeadOf(const char (&digits)[kMobileDigits]) {
  uint32_t head = 0;
  for (size_t i = 0; i < kHeadDigits; ++i) {
    head = head * 10 + static_cast<uint32_t>(digits[i] - '0');
  }
  return head;
}

}  // namespace attribution

#endif  // ATTRIBUTION_MOBILE_NUMBER_H_
