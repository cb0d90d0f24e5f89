// Comparing engine values the way a round trip must keep them (floating
// values by their bits, so that a NaN equals itself and -0 differs from 0),
// and formatting them as the tools show them.
#ifndef FUZZ_VALUE_COMPARE_H_
#define FUZZ_VALUE_COMPARE_H_

#include <string>

#include "db/jet/format/values.h"

namespace fuzz {

// True when `a` and `b` hold the same alternative and the same stored value.
bool SameValue(const jet::Value& a, const jet::Value& b);

// Formats `value` as the export and the command-line tool show it (money,
// decimals, GUIDs, dates); a date too far from 1899 may be refused with
// jet::Error kInvalidArgument, which is taken as an answer.
void FormatValue(const jet::Value& value);

// A short description of `value` for failure messages.
std::string DescribeValue(const jet::Value& value);

}  // namespace fuzz

#endif  // FUZZ_VALUE_COMPARE_H_
