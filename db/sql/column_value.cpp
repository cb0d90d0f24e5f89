// Column values as numbers and as comparison keys.
#include "db/sql/column_value.h"

#include <cstring>
#include <variant>

#include "db/sql/text_compare.h"

namespace sql {
namespace {

struct NumberVisitor {
  double operator()(bool b) const { return b ? -1 : 0; }
  double operator()(uint8_t v) const { return v; }
  double operator()(int16_t v) const { return v; }
  double operator()(int32_t v) const { return v; }
  double operator()(jet::Currency v) const {
    return static_cast<double>(v.scaled) / 10000.0;
  }
  double operator()(float v) const { return v; }
  double operator()(double v) const { return v; }
  double operator()(jet::DateTime v) const { return v.days; }
  double operator()(const jet::Decimal& v) const {
    long double magnitude =
        static_cast<long double>(v.high) * 18446744073709551616.0L +
        static_cast<long double>(v.low);
    for (int i = 0; i < v.scale; ++i) magnitude /= 10;
    return static_cast<double>(v.negative ? -magnitude : magnitude);
  }
  double operator()(const auto&) const { return 0; }
};

}  // namespace


ValueClass ClassOf(jet::ColumnKind kind) {
  switch (kind) {
    case jet::ColumnKind::kText:
    case jet::ColumnKind::kMemo:
      return ValueClass::kText;
    case jet::ColumnKind::kBoolean:
    case jet::ColumnKind::kByte:
    case jet::ColumnKind::kInteger:
    case jet::ColumnKind::kLong:
    case jet::ColumnKind::kCurrency:
    case jet::ColumnKind::kSingle:
    case jet::ColumnKind::kDouble:
    case jet::ColumnKind::kDateTime:
    case jet::ColumnKind::kNumeric:
      return ValueClass::kNumber;
    case jet::ColumnKind::kBinary:
    case jet::ColumnKind::kOle:
    case jet::ColumnKind::kGuid:
    case jet::ColumnKind::kUnknown:
      break;
  }
  return ValueClass::kOther;
}

double NumberOf(const jet::Value& value) {
  return std::visit(NumberVisitor{}, value);
}

bool ReadNumber(const jet::Row& row, size_t column, double& out) {
  int64_t whole = 0;
  switch (row.table().columns[column].kind) {
    case jet::ColumnKind::kByte:
    case jet::ColumnKind::kInteger:
    case jet::ColumnKind::kLong:
      if (!row.GetInteger(column, whole)) return false;
      out = static_cast<double>(whole);
      return true;
    default:
      break;
  }
  jet::Value value = row.Get(column);
  if (jet::IsNull(value)) return false;
  out = NumberOf(value);
  return true;
}

void AppendNumberKey(double value, std::u16string& key) {
  if (value == 0) value = 0;  // -0 and 0 alike
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 4; ++i) {
    key += static_cast<char16_t>(bits >> (16 * i));
  }
}

void AppendValueKey(const jet::Row& row, size_t column, ValueClass value_class,
                    std::u16string& key) {
  if (row.IsNull(column)) {
    key += u'\0';
    return;
  }
  switch (value_class) {
    case ValueClass::kText: {
      std::u16string text;
      row.GetText(column, text);
      key += u'T';
      key += static_cast<char16_t>(text.size());
      key += static_cast<char16_t>(text.size() >> 16);
      for (char16_t c : text) key += FoldCase(c);
      return;
    }
    case ValueClass::kNumber: {
      double number = 0;
      ReadNumber(row, column, number);
      key += u'N';
      AppendNumberKey(number, key);
      return;
    }
    case ValueClass::kOther: {
      jet::Value value = row.Get(column);
      jet::Bytes bytes;
      if (const auto* b = std::get_if<jet::Bytes>(&value)) {
        bytes = *b;
      } else if (const auto* g = std::get_if<jet::Guid>(&value)) {
        bytes.assign(g->bytes.begin(), g->bytes.end());
      }
      key += u'B';
      key += static_cast<char16_t>(bytes.size());
      key += static_cast<char16_t>(bytes.size() >> 16);
      for (uint8_t b : bytes) key += static_cast<char16_t>(b);
      return;
    }
  }
}

uint64_t KeyHash(std::u16string_view key) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (char16_t c : key) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash ^ (hash >> 29);
}

}  // namespace sql
