// Values written into the attribution tables.
#include "attribution/table_values.h"

#include <charconv>
#include <string>

#include "base/utf.h"
#include "db/jet/format/error.h"

namespace attribution {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw jet::Error(jet::ErrorKind::kInvalidArgument, message);
}

}  // namespace

size_t ColumnOf(const jet::TableDef& table, std::u16string_view name) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return i;
  }
  Refuse("table " + base::Utf16ToUtf8(table.name) + " has no column " +
         base::Utf16ToUtf8(name));
}

jet::Value ValueFor(const jet::TableDef& table, size_t c, std::u16string_view text) {
  const jet::Column& column = table.columns[c];
  if (column.kind == jet::ColumnKind::kText) return std::u16string(text);
  auto refuse = [&] {
    Refuse(base::Utf16ToUtf8(table.name) + "." + base::Utf16ToUtf8(column.name) + " (" +
           jet::ColumnKindName(column.kind) + ") cannot hold '" + base::Utf16ToUtf8(text) + "'");
  };
  if (text.empty()) return std::monostate{};
  std::string ascii = base::Utf16ToUtf8(text);
  int64_t n = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), n);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) refuse();
  switch (column.kind) {
    case jet::ColumnKind::kByte:
      if (n < 0 || n > 255) refuse();
      return static_cast<uint8_t>(n);
    case jet::ColumnKind::kInteger:
      if (n < INT16_MIN || n > INT16_MAX) refuse();
      return static_cast<int16_t>(n);
    case jet::ColumnKind::kLong:
      if (n < INT32_MIN || n > INT32_MAX) refuse();
      return static_cast<int32_t>(n);
    case jet::ColumnKind::kDouble:
      return static_cast<double>(n);
    default:
      refuse();
  }
  return {};
}

jet::Value ValueFor(const jet::TableDef& table, size_t c, int32_t n) {
  if (table.columns[c].kind == jet::ColumnKind::kLong) return n;
  std::string text = std::to_string(n);
  return ValueFor(table, c, std::u16string(text.begin(), text.end()));
}

}  // namespace attribution
