// Digit triplets and the number-head codec.
#include "codec/number_head.h"

#include "base/exceptions.h"
#include "base/text_to_integer.h"
#include "codec/cipher.h"

namespace codec {

std::string PadNumber(int64_t n, int width) {
  std::string text = std::to_string(n);
  if (width > 0 && static_cast<size_t>(width) > text.size()) {
    text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  }
  return text;
}

std::string ToDigitTriplets(std::string_view bytes) {
  if (bytes.size() > kMaxTripletBytes) base::RaiseRangeError();
  std::string out(bytes.size() * 3, '0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned v = static_cast<unsigned char>(bytes[i]);
    out[3 * i] = static_cast<char>('0' + v / 100);
    out[3 * i + 1] = static_cast<char>('0' + v / 10 % 10);
    out[3 * i + 2] = static_cast<char>('0' + v % 10);
  }
  return out;
}

std::string FromDigitTriplets(std::string_view digits) {
  std::string out;
  if (digits.size() % 3 != 0) return out;
  out.reserve(digits.size() / 3);
  for (size_t i = 0; i < digits.size(); i += 3) {
    std::string_view group = digits.substr(i, 3);
    int32_t v;
    // Three plain digits are by far the common case.
    if (group[0] >= '0' && group[0] <= '9' && group[1] >= '0' &&
        group[1] <= '9' && group[2] >= '0' && group[2] <= '9') {
      v = (group[0] - '0') * 100 + (group[1] - '0') * 10 + (group[2] - '0');
    } else {
      v = base::TextToInteger(group);
    }
    out.push_back(static_cast<char>(v & 0xFF));
  }
  return out;
}

std::string EncodeNumberHead(std::string_view head) {
  return ToDigitTriplets(EncryptText(head, kNumberHeadKey));
}

std::string DecodeNumberHead(std::string_view stored) {
  return DecryptText(FromDigitTriplets(stored), kNumberHeadKey);
}

}  // namespace codec
