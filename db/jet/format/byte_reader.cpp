// The out-of-range path of the checked reader, kept out of line.
#include "db/jet/format/byte_reader.h"

#include <string>

#include "db/jet/format/error.h"

namespace jet {

void ByteReader::Fail(const char* what) const { RaiseCorrupt(page_, what); }

void ByteReader::OutOfRange(size_t offset, size_t length) const {
  RaiseCorrupt(page_, std::to_string(length) + " bytes at offset " +
                          std::to_string(offset) + " lie outside the " +
                          std::to_string(bytes_.size()) + "-byte " + what_);
}

}  // namespace jet
