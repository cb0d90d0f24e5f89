// Stored text to UTF-16: plain UTF-16LE, or the compressed form that starts
// with FF FE and switches between one-byte and two-byte runs.
#ifndef DB_JET_FORMAT_TEXT_H_
#define DB_JET_FORMAT_TEXT_H_

#include <cstdint>
#include <span>
#include <string>

namespace jet {

// Replaces `out` with the text stored in `bytes` (either form). An odd byte
// at the end of a two-byte run is dropped.
void DecodeText(std::span<const uint8_t> bytes, std::u16string& out);

}  // namespace jet

#endif  // DB_JET_FORMAT_TEXT_H_
