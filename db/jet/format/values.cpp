// Text forms of the exact value types (jet4-format.md section 10).
#include "db/jet/format/values.h"

#include <cmath>
#include <cstdio>

#include "db/jet/format/error.h"

namespace jet {
namespace {

// Days from 1970-01-01 to 1899-12-30, the zero of stored dates.
constexpr int64_t kEpochOffsetDays = -25569;
constexpr int64_t kMillisPerDay = 86400000;

// The civil date of `days` since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string FormatCurrency(Currency value) {
  bool negative = value.scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value.scaled)
                                : static_cast<uint64_t>(value.scaled);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  return buffer;
}

std::string FormatDecimal(const Decimal& value) {
  // Four 32-bit limbs, most significant first, divided by ten repeatedly.
  uint32_t limbs[4] = {static_cast<uint32_t>(value.high >> 32),
                       static_cast<uint32_t>(value.high),
                       static_cast<uint32_t>(value.low >> 32),
                       static_cast<uint32_t>(value.low)};
  std::string digits;  // least significant first
  bool zero = false;
  while (!zero) {
    uint64_t remainder = 0;
    zero = true;
    for (uint32_t& limb : limbs) {
      uint64_t current = (remainder << 32) | limb;
      limb = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
      if (limb != 0) zero = false;
    }
    digits.push_back(static_cast<char>('0' + remainder));
  }
  while (digits.size() < size_t{value.scale} + 1) digits.push_back('0');
  bool all_zero = digits.find_first_not_of('0') == std::string::npos;
  std::string out;
  if (value.negative && !all_zero) out.push_back('-');
  for (size_t i = digits.size(); i-- > 0;) {
    out.push_back(digits[i]);
    if (i == value.scale && i != 0) out.push_back('.');
  }
  return out;
}

std::string FormatGuid(const Guid& value) {
  const uint8_t* b = value.bytes.data();
  char buffer[40];
  std::snprintf(buffer, sizeof buffer,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-"
                "%02X%02X%02X%02X%02X%02X}",
                b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9],
                b[10], b[11], b[12], b[13], b[14], b[15]);
  return buffer;
}

CivilTime ToCivilTime(DateTime value) {
  double days = value.days;
  if (!std::isfinite(days) || std::fabs(days) > 3000000.0) {
    RaiseInvalidArgument("date/time value out of range");
  }
  double whole = std::trunc(days);
  int64_t day_number = static_cast<int64_t>(whole);
  int64_t millis = std::llround(std::fabs(days - whole) * kMillisPerDay);
  if (millis >= kMillisPerDay) {
    millis -= kMillisPerDay;
    day_number += 1;
  }
  CivilTime t;
  CivilFromDays(day_number + kEpochOffsetDays, t.year, t.month, t.day);
  t.hour = static_cast<int>(millis / 3600000);
  t.minute = static_cast<int>(millis / 60000 % 60);
  t.second = static_cast<int>(millis / 1000 % 60);
  t.millisecond = static_cast<int>(millis % 1000);
  return t;
}

std::string FormatDateTime(DateTime value) {
  CivilTime t = ToCivilTime(value);
  char buffer[48];
  int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d",
                        t.year, t.month, t.day, t.hour, t.minute, t.second);
  if (t.millisecond != 0) {
    std::snprintf(buffer + n, sizeof buffer - n, ".%03d", t.millisecond);
  }
  return buffer;
}

}  // namespace jet
