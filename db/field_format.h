// Column values as the cursor hands them to the system: FieldText's text
// and FieldInteger's integer for every kind of column.
#ifndef DB_FIELD_FORMAT_H_
#define DB_FIELD_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace db {

// The cursor's kinds of column.
enum class FieldKind {
  kText,   // text
  kWhole,  // byte, integer, long
  kFloat,  // single and double
  kFixed,  // currency and decimal
  kOther,  // yes/no, date and time, long text, binary, OLE, GUID
};

FieldKind FieldKindOf(jet::ColumnKind kind);

// General form with at most 15 significant digits and no trailing zeros;
// scientific ("1E20", "1.5E-7", "-2.5E15") when the decimal exponent is 15
// or more or the magnitude is below 1E-5. "NAN", "INF", "-INF".
std::string FormatFloat(double value);

// A decimal text ("-12.3400") with its trailing fractional zeros and a
// point left bare removed ("-12.34", "12").
std::string StripTrailingZeros(std::string text);

// The text of a non-null value, in GBK: text converted from UTF-16; whole
// numbers in decimal; floating point by FormatFloat; currency and decimal
// exactly; "True"/"False"; dates as "YYYY-MM-DD", with " hh:mm:ss" after
// it unless the time is midnight; GUIDs braced; binary values as their
// bytes. An empty text for null.
std::string FieldTextOf(const jet::Value& value);

// Rounds to the nearest integer, halves to the even neighbour, and wraps to
// 32 bits. Raises ERangeError beyond the 64-bit range.
int32_t RoundToInteger(double value);
int32_t RoundToInteger(jet::Currency value);

// FieldInteger of a non-other column's value: the whole number, the text by
// TextToInteger (raising EConvertError, the empty text for null), the
// rounded number (0 for null). REQUIRES: FieldKindOf(kind) != kOther.
int32_t FieldIntegerOf(const jet::Value& value, FieldKind kind);

// True when two GBK field names are the same without regard to the case of
// ASCII letters; double-byte characters compare exactly.
bool SameFieldName(std::string_view a, std::string_view b);

}  // namespace db

#endif  // DB_FIELD_FORMAT_H_
