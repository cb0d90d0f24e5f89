// The rows the insert crash test writes: the same values on every run, so
// that the test can tell a whole row from a torn one.
#ifndef DB_JET_TESTING_CRASH_ROWS_H_
#define DB_JET_TESTING_CRASH_ROWS_H_

#include <cstdint>
#include <string>

namespace jet::testing {

// A text of varying length.
inline std::u16string CrashRowText(int32_t id) {
  return u"row " + std::u16string(static_cast<size_t>(id % 30), u'x');
}

// Every third row's memo: from 100 to 999 characters, so that most go to
// long-value pages.
inline std::u16string CrashRowNote(int32_t id) {
  return std::u16string(static_cast<size_t>(100 + id % 900),
                        static_cast<char16_t>(u'a' + id % 26));
}

}  // namespace jet::testing

#endif  // DB_JET_TESTING_CRASH_ROWS_H_
