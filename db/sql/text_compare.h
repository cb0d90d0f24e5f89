// Text comparison as the database engine makes it in statements: without
// regard to case, for the Latin, Greek, Cyrillic and full-width letters.
#ifndef DB_SQL_TEXT_COMPARE_H_
#define DB_SQL_TEXT_COMPARE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace sql {

// The lower-case form of one UTF-16 unit; other units are returned as they
// are.
char16_t FoldCase(char16_t c);

// True when `a` and `b` are equal without regard to case.
bool TextEqual(std::u16string_view a, std::u16string_view b);

// Orders `a` and `b` by their case-folded units: <0, 0 or >0.
int TextCompare(std::u16string_view a, std::u16string_view b);

// A hash of the case-folded text: texts that are TextEqual hash alike.
uint64_t TextHash(std::u16string_view text);

}  // namespace sql

#endif  // DB_SQL_TEXT_COMPARE_H_
