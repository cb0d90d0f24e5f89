// Names of column kinds, declared sizes and name lookups.
#include "db/jet/format/error.h"
#include "db/jet/read/table_def.h"

namespace jet {
namespace {

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

}  // namespace

const char* ColumnKindName(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kBoolean: return "BOOLEAN";
    case ColumnKind::kByte: return "BYTE";
    case ColumnKind::kInteger: return "INT";
    case ColumnKind::kLong: return "LONG";
    case ColumnKind::kCurrency: return "MONEY";
    case ColumnKind::kSingle: return "FLOAT";
    case ColumnKind::kDouble: return "DOUBLE";
    case ColumnKind::kDateTime: return "SHORT_DATE_TIME";
    case ColumnKind::kBinary: return "BINARY";
    case ColumnKind::kText: return "TEXT";
    case ColumnKind::kOle: return "OLE";
    case ColumnKind::kMemo: return "MEMO";
    case ColumnKind::kGuid: return "GUID";
    case ColumnKind::kNumeric: return "NUMERIC";
    case ColumnKind::kUnknown: break;
  }
  return "UNKNOWN";
}

uint32_t Column::Size() const {
  if (kind == ColumnKind::kText || kind == ColumnKind::kMemo) return length / 2u;
  return length;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::optional<size_t> TableDef::FindColumn(std::u16string_view wanted) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (NamesEqual(columns[i].name, wanted)) return i;
  }
  return std::nullopt;
}

size_t TableDef::ColumnIndex(std::u16string_view wanted) const {
  std::optional<size_t> found = FindColumn(wanted);
  if (!found) RaiseNoSuchColumn(name, wanted);
  return *found;
}

}  // namespace jet
