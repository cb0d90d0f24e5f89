// Formatting of column values for FieldText and FieldInteger.
#include "db/field_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/text_to_integer.h"
#include "db/jet/format/error.h"

namespace db {
namespace {

std::string DateText(jet::DateTime value) {
  jet::CivilTime t{};
  try {
    t = jet::ToCivilTime(value);
  } catch (const jet::Error&) {
    return FormatFloat(value.days);
  }
  char buffer[48];
  int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.year, t.month, t.day);
  if (t.hour != 0 || t.minute != 0 || t.second != 0) {
    std::snprintf(buffer + n, sizeof buffer - n, " %02d:%02d:%02d", t.hour, t.minute,
                  t.second);
  }
  return buffer;
}

struct TextVisitor {
  std::string operator()(std::monostate) const { return {}; }
  std::string operator()(bool v) const { return v ? "True" : "False"; }
  std::string operator()(uint8_t v) const { return std::to_string(v); }
  std::string operator()(int16_t v) const { return std::to_string(v); }
  std::string operator()(int32_t v) const { return std::to_string(v); }
  std::string operator()(jet::Currency v) const {
    return StripTrailingZeros(jet::FormatCurrency(v));
  }
  std::string operator()(float v) const { return FormatFloat(v); }
  std::string operator()(double v) const { return FormatFloat(v); }
  std::string operator()(jet::DateTime v) const { return DateText(v); }
  std::string operator()(const std::u16string& v) const { return base::Utf16ToGbk(v); }
  std::string operator()(const jet::Bytes& v) const { return std::string(v.begin(), v.end()); }
  std::string operator()(const jet::Guid& v) const { return jet::FormatGuid(v); }
  std::string operator()(const jet::Decimal& v) const {
    return StripTrailingZeros(jet::FormatDecimal(v));
  }
};

}  // namespace

FieldKind FieldKindOf(jet::ColumnKind kind) {
  switch (kind) {
    case jet::ColumnKind::kText: return FieldKind::kText;
    case jet::ColumnKind::kByte:
    case jet::ColumnKind::kInteger:
    case jet::ColumnKind::kLong: return FieldKind::kWhole;
    case jet::ColumnKind::kSingle:
    case jet::ColumnKind::kDouble: return FieldKind::kFloat;
    case jet::ColumnKind::kCurrency:
    case jet::ColumnKind::kNumeric: return FieldKind::kFixed;
    default: break;
  }
  return FieldKind::kOther;
}

std::string FormatFloat(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // d.dddddddddddddde[+-]x: fifteen significant digits, rounded.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  std::string text = buffer;
  size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  bool negative = text[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += "0." + std::string(-exponent - 1, '0') + digits;
    return out;
  }
  size_t whole = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= whole) {
    out += digits + std::string(whole - digits.size(), '0');
  } else {
    out += digits.substr(0, whole) + "." + digits.substr(whole);
  }
  return out;
}

std::string StripTrailingZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

std::string FieldTextOf(const jet::Value& value) {
  return std::visit(TextVisitor{}, value);
}

int32_t RoundToInteger(double value) {
  double rounded = std::nearbyint(value);  // the default mode: halves to even
  if (!(std::fabs(rounded) < 9223372036854775808.0)) base::RaiseRangeError();
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(rounded)));
}

int32_t RoundToInteger(jet::Currency value) {
  int64_t whole = value.scaled / 10000;
  int64_t rest = value.scaled % 10000;  // same sign as the value
  if (rest > 5000 || (rest == 5000 && (whole & 1))) ++whole;
  if (rest < -5000 || (rest == -5000 && (whole & 1))) --whole;
  return static_cast<int32_t>(static_cast<uint32_t>(whole));
}

int32_t FieldIntegerOf(const jet::Value& value, FieldKind kind) {
  if (kind == FieldKind::kText) {
    const auto* text = std::get_if<std::u16string>(&value);
    return base::TextToInteger(text ? base::Utf16ToGbk(*text) : std::string());
  }
  if (jet::IsNull(value)) return 0;
  if (const auto* v = std::get_if<uint8_t>(&value)) return *v;
  if (const auto* v = std::get_if<int16_t>(&value)) return *v;
  if (const auto* v = std::get_if<int32_t>(&value)) return *v;
  if (const auto* v = std::get_if<float>(&value)) return RoundToInteger(*v);
  if (const auto* v = std::get_if<double>(&value)) return RoundToInteger(*v);
  if (const auto* v = std::get_if<jet::Currency>(&value)) return RoundToInteger(*v);
  if (const auto* v = std::get_if<jet::Decimal>(&value)) {
    return RoundToInteger(std::strtod(jet::FormatDecimal(*v).c_str(), nullptr));
  }
  return 0;
}

bool SameFieldName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (base::IsGbkLeadByte(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace db
