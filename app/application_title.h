// The program's title, shown as the caption of the notice and error boxes,
// derived once from the program file's path.
#ifndef APP_APPLICATION_TITLE_H_
#define APP_APPLICATION_TITLE_H_

#include <string>
#include <string_view>

namespace app {

// Longest program path the title is derived from, in bytes; a longer path is
// cut first.
inline constexpr size_t kMaxProgramPathBytes = 255;

// The title for the program file `path` (GBK bytes): everything after the last
// path separator `separator`, cut at the first full stop, lower-cased from the
// second byte on. Double-byte characters count as one unit: a trail byte is
// never taken for a separator or a full stop and is never lower-cased.
// "/opt/Phone.Lookup" gives "Phone"; "PHONEINFO.EXE" gives "Phoneinfo".
std::string DeriveApplicationTitle(std::string_view path, char separator = '/');

}  // namespace app

#endif  // APP_APPLICATION_TITLE_H_
