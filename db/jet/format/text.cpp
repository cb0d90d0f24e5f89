// Decoding stored text (jet4-format.md section 8).
#include "db/jet/format/text.h"

#include <cstring>

#include "db/jet/format/format.h"

namespace jet {

void DecodeText(std::span<const uint8_t> bytes, std::u16string& out) {
  out.clear();
  const uint8_t* p = bytes.data();
  size_t n = bytes.size();
  if (n >= 2 && p[0] == format::kCompressedMarker[0] &&
      p[1] == format::kCompressedMarker[1]) {
    // Most text is one-byte characters throughout: no switch byte.
    if (std::memchr(p + 2, 0, n - 2) == nullptr) {
      out.resize(n - 2);
      char16_t* o = out.data();
      for (size_t i = 2; i < n; ++i) *o++ = static_cast<char16_t>(p[i]);
      return;
    }
    out.resize(n - 2);  // at most one character per byte
    char16_t* o = out.data();
    bool compressed = true;
    size_t i = 2;
    while (i < n) {
      if (p[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        *o++ = static_cast<char16_t>(p[i]);
        ++i;
      } else {
        if (i + 1 >= n) break;
        *o++ = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
        i += 2;
      }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return;
  }
  out.resize(n / 2);
  for (size_t i = 0; i < n / 2; ++i) {
    out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }
}

}  // namespace jet
