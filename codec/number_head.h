// The stored form of number heads: the keyed cipher written as three decimal
// digits per byte, and the composed operations the commands use.
#ifndef CODEC_NUMBER_HEAD_H_
#define CODEC_NUMBER_HEAD_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace codec {

// Longest text ToDigitTriplets accepts.
inline constexpr size_t kMaxTripletBytes = 255;

// `n` in decimal ("-" for a negative value), widened with leading "0" to
// `width` characters; never cut.
std::string PadNumber(int64_t n, int width);

// Each byte as three decimal digits "000".."255".
// Raises ERangeError "Range check error" when `bytes` is over 255 bytes long.
std::string ToDigitTriplets(std::string_view bytes);

// The inverse: each group of three characters through TextToInteger, keeping
// the low eight bits of its value. A text whose length is not a multiple of
// three gives the empty string.
// Raises EConvertError "'<group>' is not a valid integer value" for a group
// that does not convert.
std::string FromDigitTriplets(std::string_view digits);

// ToDigitTriplets(EncryptText(head, kNumberHeadKey)). Raises as
// ToDigitTriplets.
std::string EncodeNumberHead(std::string_view head);

// DecryptText(FromDigitTriplets(stored), kNumberHeadKey). Raises as
// FromDigitTriplets.
std::string DecodeNumberHead(std::string_view stored);

}  // namespace codec

#endif  // CODEC_NUMBER_HEAD_H_
