// The values a column can hold, as the engine hands them out: exact for
// currency and decimal, the stored double for date/time, UTF-16 for text.
#ifndef DB_JET_FORMAT_VALUES_H_
#define DB_JET_FORMAT_VALUES_H_

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// Currency: the stored integer, the amount times 10 000.
struct Currency {
  int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

// Decimal (Numeric): sign and a 128-bit magnitude, value = ±magnitude /
// 10^scale.
struct Decimal {
  bool negative = false;
  uint8_t precision = 0;
  uint8_t scale = 0;
  uint64_t high = 0;  // upper 64 bits of the magnitude
  uint64_t low = 0;   // lower 64 bits
  bool operator==(const Decimal&) const = default;
};

// Date/time: days since 1899-12-30 00:00, the fraction being the time of day
// (for negative values the fraction still counts forwards in the day).
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// A replication id, its 16 bytes in stored order.
struct Guid {
  std::array<uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};

using Bytes = std::vector<uint8_t>;

// One column value. monostate is null. Booleans are never null. Text and
// memo are std::u16string; binary, OLE and columns of unknown type are Bytes.
using Value = std::variant<std::monostate, bool, uint8_t, int16_t, int32_t,
                           Currency, float, double, DateTime, std::u16string,
                           Bytes, Guid, Decimal>;

inline bool IsNull(const Value& value) {
  return std::holds_alternative<std::monostate>(value);
}

// "-1234.5678": always four decimals.
std::string FormatCurrency(Currency value);
// The exact decimal text, with `scale` digits after the point (none when the
// scale is 0), "-" before a non-zero negative value.
std::string FormatDecimal(const Decimal& value);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the first three groups read as
// little-endian numbers.
std::string FormatGuid(const Guid& value);

// A date/time split into calendar fields (proleptic Gregorian), rounded to
// the millisecond. Raises kInvalidArgument when the value is not finite or
// lies more than 3 000 000 days (some 8 000 years) from 1899-12-30.
struct CivilTime {
  int year, month, day, hour, minute, second, millisecond;
};
CivilTime ToCivilTime(DateTime value);
// "YYYY-MM-DDTHH:MM:SS", with ".mmm" when the milliseconds are not zero.
std::string FormatDateTime(DateTime value);

}  // namespace jet

#endif  // DB_JET_FORMAT_VALUES_H_
