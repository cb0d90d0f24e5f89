// Values of the attribution tables as the lookup and list subcommands read
// them: text of any column as the window's FieldText gives it (but in UTF-16,
// so nothing is lost on the way to UTF-8), city keys as FieldInteger gives
// them, and number heads decoded from their stored form.
#ifndef ATTRIBUTION_COLUMN_VALUES_H_
#define ATTRIBUTION_COLUMN_VALUES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "db/jet/read/row.h"

namespace attribution {

// The column's value as text: text as stored, other kinds formatted as the
// query cursor formats them (db/field_format.h); empty for null. Raises
// jet::Error for a damaged value.
std::u16string ColumnText(const jet::Row& row, size_t column);
// ColumnText in UTF-8.
std::string ColumnUtf8(const jet::Row& row, size_t column);

// The column's value as the query cursor's FieldInteger reads it; nothing
// where FieldInteger would fail (text that is no integer, a kind it refuses)
// and for null. Raises jet::Error for a damaged value.
std::optional<int32_t> ColumnInteger(const jet::Row& row, size_t column);

// The column's value as the number a statement compares with "index=<n>";
// nothing for null. Raises jet::Error kInvalidArgument
// "<table>.<column> is not a number column" for a column statements cannot
// compare with a number.
std::optional<double> ColumnNumber(const jet::Row& row, size_t column);

// Number heads as stored: 21 decimal digits, each group of three a byte of
// the scrambled head (EncodeNumberHead), or seven plain digits.
class StoredHeadDecoder {
 public:
  // Sets `head` to the seven digits read as an integer and `plain` to
  // whether they were stored plain, and returns true, when `stored` is a
  // head of seven digits starting with 1; returns false for anything else.
  // Only the form EncodeNumberHead writes ("000" to "255" per byte) is
  // taken: it is the only form a lookup of the encoded head can match.
  bool Decode(std::u16string_view stored, uint32_t& head, bool& plain);

 private:
  static constexpr size_t kPrefixUnits = 18;  // the first six bytes' digits

  bool DecodeInFull(std::u16string_view stored, uint32_t& head);

  // Of the last scrambled head decoded in full. Scrambling is a stream
  // cipher fed back from the cipher bytes, so a head with the same first six
  // cipher bytes has the same first six digits, and its seventh is its
  // seventh cipher byte XOR the same key byte.
  char16_t prefix_[kPrefixUnits] = {};
  bool have_prefix_ = false;
  bool prefix_is_head_ = false;  // six digits starting with 1
  uint32_t prefix_value_ = 0;    // those six digits as an integer
  uint8_t last_key_byte_ = 0;
};

}  // namespace attribution

#endif  // ATTRIBUTION_COLUMN_VALUES_H_
