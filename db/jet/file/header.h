// The file header (page 0): the checks that decide whether a file is a Jet 4
// database this engine can read, and the few fields it uses.
#ifndef DB_JET_FILE_HEADER_H_
#define DB_JET_FILE_HEADER_H_

#include <cstdint>

#include "db/jet/file/page_file.h"

namespace jet {

struct HeaderInfo {
  uint8_t version = 0;       // 1 for Jet 4
  uint16_t code_page = 0;    // default code page (no bearing on stored text)
  uint16_t sort_order = 0;   // collation LCID
  uint8_t sort_version = 0;
  double creation_date = 0;  // Access date
};

// Reads and checks page 0 and the size of `file`. Raises, naming the file:
// kNotADatabase for an empty file, a file too small or without the Jet
// signature; kUnsupportedVersion for Jet 3, ACE and unknown versions;
// kEncrypted for page encryption or a password; kCorrupt for a size that is
// not a whole number of pages; kIo when reading fails.
HeaderInfo ReadHeader(PageFile& file);

}  // namespace jet

#endif  // DB_JET_FILE_HEADER_H_
