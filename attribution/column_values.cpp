// Column values for the lookup and list subcommands, and the strict decoding
// of stored number heads.
#include "attribution/column_values.h"

#include <algorithm>
#include <cstring>

#include "attribution/mobile_number.h"
#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "codec/cipher.h"
#include "db/field_format.h"
#include "db/jet/format/error.h"
#include "db/sql/column_value.h"

namespace attribution {
namespace {

constexpr size_t kStoredHeadDigits = 3 * kHeadDigits;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Seven digits starting with 1, read as an integer.
bool ReadHead(const char16_t* p, uint32_t& head) {
  if (p[0] != u'1') return false;
  uint32_t value = 0;
  for (size_t i = 0; i < kHeadDigits; ++i) {
    if (!IsDigit(p[i])) return false;
    value = value * 10 + static_cast<uint32_t>(p[i] - u'0');
  }
  head = value;
  return true;
}

// One group of three digits, "000" to "255".
bool ReadGroup(const char16_t* p, unsigned& value) {
  const unsigned d0 = static_cast<unsigned>(p[0]) - u'0';
  const unsigned d1 = static_cast<unsigned>(p[1]) - u'0';
  const unsigned d2 = static_cast<unsigned>(p[2]) - u'0';
  value = d0 * 100 + d1 * 10 + d2;
  return d0 <= 9 && d1 <= 9 && d2 <= 9 && value <= 255;
}

}  // namespace

std::u16string ColumnText(const jet::Row& row, size_t column) {
  std::u16string text;
  const jet::ColumnKind kind = row.table().columns[column].kind;
  if (kind == jet::ColumnKind::kText || kind == jet::ColumnKind::kMemo) {
    row.GetText(column, text);
    return text;
  }
  jet::Value value = row.Get(column);
  if (jet::IsNull(value)) return text;
  return base::GbkToUtf16(db::FieldTextOf(value));
}

std::string ColumnUtf8(const jet::Row& row, size_t column) {
  return base::Utf16ToUtf8(ColumnText(row, column));
}

std::optional<int32_t> ColumnInteger(const jet::Row& row, size_t column) {
  const db::FieldKind kind = db::FieldKindOf(row.table().columns[column].kind);
  if (kind == db::FieldKind::kOther) return std::nullopt;
  jet::Value value = row.Get(column);
  if (jet::IsNull(value)) return std::nullopt;
  try {
    return db::FieldIntegerOf(value, kind);
  } catch (const base::Exception&) {
    return std::nullopt;
  }
}

std::optional<double> ColumnNumber(const jet::Row& row, size_t column) {
  const jet::Column& c = row.table().columns[column];
  if (sql::ClassOf(c.kind) != sql::ValueClass::kNumber) {
    jet::RaiseInvalidArgument(base::Utf16ToUtf8(row.table().name) + "." +
                              base::Utf16ToUtf8(c.name) + " is not a number column");
  }
  double number = 0;
  if (!sql::ReadNumber(row, column, number)) return std::nullopt;
  return number;
}

bool StoredHeadDecoder::Decode(std::u16string_view stored, uint32_t& head,
                               bool& plain) {
  plain = stored.size() == kHeadDigits;
  if (plain) return ReadHead(stored.data(), head);
  if (stored.size() != kStoredHeadDigits) return false;
  if (!have_prefix_ || std::memcmp(prefix_, stored.data(), sizeof prefix_) != 0) {
    return DecodeInFull(stored, head);
  }
  unsigned value = 0;
  if (!ReadGroup(stored.data() + kPrefixUnits, value) || !prefix_is_head_) return false;
  const unsigned digit = (value ^ last_key_byte_) - '0';
  if (digit > 9) return false;
  head = prefix_value_ * 10 + digit;
  return true;
}

bool StoredHeadDecoder::DecodeInFull(std::u16string_view stored, uint32_t& head) {
  char cipher[kHeadDigits];
  for (size_t i = 0; i < kHeadDigits; ++i) {
    unsigned value = 0;
    if (!ReadGroup(stored.data() + 3 * i, value)) return false;
    cipher[i] = static_cast<char>(value);
  }
  const std::string digits = codec::DecryptText(std::string_view(cipher, kHeadDigits),
                                                codec::kNumberHeadKey);
  std::copy(stored.begin(), stored.begin() + kPrefixUnits, prefix_);
  have_prefix_ = true;
  last_key_byte_ = static_cast<uint8_t>(cipher[kHeadDigits - 1] ^ digits[kHeadDigits - 1]);
  char16_t wide[kHeadDigits];
  std::copy(digits.begin(), digits.end(), wide);
  for (char16_t& c : wide) c &= 0xFF;
  wide[kHeadDigits - 1] = u'0';  // the prefix alone
  prefix_is_head_ = ReadHead(wide, prefix_value_);
  prefix_value_ /= 10;
  const unsigned last = static_cast<unsigned char>(digits[kHeadDigits - 1]) - '0';
  if (!prefix_is_head_ || last > 9) return false;
  head = prefix_value_ * 10 + last;
  return true;
}

}  // namespace attribution
