// The keyed byte cipher. All key arithmetic wraps at 65536; only the high
// byte of the state is mixed into the text.
#include "codec/cipher.h"

namespace codec {
namespace {

uint16_t NextState(uint16_t state, unsigned char cipher_byte,
                   const CodecKey& key) {
  return static_cast<uint16_t>(
      (static_cast<uint32_t>(static_cast<uint16_t>(state + cipher_byte)) *
           key.multiplier +
       key.increment) &
      0xFFFFu);
}

}  // namespace

std::string EncryptText(std::string_view plain, const CodecKey& key) {
  std::string out(plain.size(), '\0');
  uint16_t state = key.start;
  for (size_t i = 0; i < plain.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(plain[i]) ^
                      static_cast<unsigned char>(state >> 8);
    out[i] = static_cast<char>(c);
    state = NextState(state, c, key);
  }
  return out;
}

std::string DecryptText(std::string_view cipher, const CodecKey& key) {
  std::string out(cipher.size(), '\0');
  uint16_t state = key.start;
  for (size_t i = 0; i < cipher.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(cipher[i]);
    out[i] = static_cast<char>(c ^ static_cast<unsigned char>(state >> 8));
    state = NextState(state, c, key);
  }
  return out;
}

}  // namespace codec
