// The scan of a statement text for parameter markers (":name"), which turns
// the text into the command text the engine is given.
#ifndef DB_PARAMETER_SCAN_H_
#define DB_PARAMETER_SCAN_H_

#include <string>
#include <string_view>
#include <vector>

namespace db {

struct ScannedStatement {
  std::string command_text;             // markers replaced by "?"
  std::vector<std::string> parameters;  // the markers' names, in order
};

// Walks the GBK text byte by byte. A double-byte character is passed over
// whole. Each of the quote characters ' " ` flips one in-quotes flag. Outside
// quotes "::" becomes ":", and ":" followed by anything else starts a marker
// that runs to the end of the text or to the first blank, ",", ";", ")",
// CR or LF met outside quotes; the marker becomes "?" and its name (less a
// quote at each end when it began with one) is listed.
ScannedStatement ScanParameters(std::string_view text);

}  // namespace db

#endif  // DB_PARAMETER_SCAN_H_
