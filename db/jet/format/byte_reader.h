// Little-endian reads and writes. ByteReader checks every read against the
// end of its bytes and raises the corrupt error naming the page; the Load and
// Store functions are for ranges the caller has already checked.
#ifndef DB_JET_FORMAT_BYTE_READER_H_
#define DB_JET_FORMAT_BYTE_READER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace jet {

inline uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadU24(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
}
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
         (uint32_t{p[3]} << 24);
}
inline uint64_t LoadU64(const uint8_t* p) {
  return uint64_t{LoadU32(p)} | (uint64_t{LoadU32(p + 4)} << 32);
}
inline float LoadF32(const uint8_t* p) {
  uint32_t bits = LoadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline double LoadF64(const uint8_t* p) {
  uint64_t bits = LoadU64(p);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A bounded view of bytes that belong to one page (or to a buffer assembled
// from pages, such as a table definition). Reads outside it raise kCorrupt
// "damaged database: page <page>: <n> bytes at offset <o> lie outside the
// <size>-byte <what>".
class ByteReader {
 public:
  ByteReader(std::span<const uint8_t> bytes, uint32_t page, const char* what)
      : bytes_(bytes), page_(page), what_(what) {}

  size_t size() const { return bytes_.size(); }
  uint32_t page() const { return page_; }

  uint8_t U8(size_t offset) const { return *At(offset, 1); }
  uint16_t U16(size_t offset) const { return LoadU16(At(offset, 2)); }
  uint32_t U32(size_t offset) const { return LoadU32(At(offset, 4)); }
  uint64_t U64(size_t offset) const { return LoadU64(At(offset, 8)); }
  double F64(size_t offset) const { return LoadF64(At(offset, 8)); }
  // The `length` bytes at `offset`.
  std::span<const uint8_t> Bytes(size_t offset, size_t length) const {
    return {At(offset, length), length};
  }
  // A reader over the `length` bytes at `offset`, for the same page.
  ByteReader Sub(size_t offset, size_t length, const char* what) const {
    return ByteReader(Bytes(offset, length), page_, what);
  }
  // Raises kCorrupt "damaged database: page <page>: <what>".
  [[noreturn]] void Fail(const char* what) const;

 private:
  const uint8_t* At(size_t offset, size_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      OutOfRange(offset, length);
    }
    return bytes_.data() + offset;
  }
  [[noreturn]] void OutOfRange(size_t offset, size_t length) const;

  std::span<const uint8_t> bytes_;
  uint32_t page_;
  const char* what_;
};

}  // namespace jet

#endif  // DB_JET_FORMAT_BYTE_READER_H_
