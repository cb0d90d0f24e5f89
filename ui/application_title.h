// The program's title, shown as the caption of the notice and error boxes,
// derived once from the program file's path.
#ifndef UI_APPLICATION_TITLE_H_
#define UI_APPLICATION_TITLE_H_

#include <string>
#include <string_view>

namespace ui {

// Longest program path the title is derived from, in bytes; a longer path is
// cut first.
inline constexpr size_t kMaxProgramPathBytes = 255;

// The title for the program file `path` (GBK bytes): everything after the last
// path separator (any byte of `separators`: "/" on Linux, both "\\" and "/"
// on Windows, where the system may give either), cut at the first full stop, lower-cased from the
// second byte on. Double-byte characters count as one unit: a trail byte is
// never taken for a separator or a full stop and is never lower-cased.
// "/opt/Phone.Lookup" gives "Phone"; "PHONEINFO.EXE" gives "Phoneinfo".
std::string DeriveApplicationTitle(std::string_view path,
                                   std::string_view separators = "/");

// The title of this program, from its file's path with the system's
// separators.
std::string ThisProgramsTitle();

}  // namespace ui

#endif  // UI_APPLICATION_TITLE_H_
