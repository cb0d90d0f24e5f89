// The LIKE pattern match of the database engine: "*" any run of characters,
// "?" one character, "#" one digit, "[...]" one of a list or range ("[!...]"
// none of them); letters match without regard to case.
#ifndef DB_SQL_LIKE_H_
#define DB_SQL_LIKE_H_

#include <string_view>

namespace sql {

// True when the whole of `text` matches `pattern`. A "[" without its "]"
// matches itself.
bool LikeMatch(std::u16string_view text, std::u16string_view pattern);

}  // namespace sql

#endif  // DB_SQL_LIKE_H_
