// The keyed byte cipher that scrambles number heads: a byte-wise stream cipher
// whose 16-bit key state is fed back from each cipher byte.
#ifndef CODEC_CIPHER_H_
#define CODEC_CIPHER_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace codec {

struct CodecKey {
  uint16_t start;       // initial key state
  uint16_t multiplier;
  uint16_t increment;
};

// The one key of the whole system. Stored heads read back only with it.
inline constexpr CodecKey kNumberHeadKey{347, 629, 853};

// Enciphers `plain` (any bytes, 0 included); the result has the same length.
std::string EncryptText(std::string_view plain, const CodecKey& key);
// Deciphers `cipher`; DecryptText(EncryptText(p, k), k) == p for every p, k.
std::string DecryptText(std::string_view cipher, const CodecKey& key);

}  // namespace codec

#endif  // CODEC_CIPHER_H_
