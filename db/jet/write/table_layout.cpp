// Column layout of new tables (jet4-format.md sections 4.4, 4.7 and 14.3).
#include "db/jet/write/table_layout.h"

#include <string>

#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

inline constexpr uint16_t kGeneralSortOrder = 1033;

// Section 4.7: the type code and the stored length of a fixed-size kind;
// 0 for the variable kinds.
std::pair<uint8_t, uint16_t> TypeAndFixedLength(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kBoolean: return {format::kTypeBoolean, 1};
    case ColumnKind::kByte: return {format::kTypeByte, 1};
    case ColumnKind::kInteger: return {format::kTypeInteger, 2};
    case ColumnKind::kLong: return {format::kTypeLong, 4};
    case ColumnKind::kCurrency: return {format::kTypeCurrency, 8};
    case ColumnKind::kSingle: return {format::kTypeSingle, 4};
    case ColumnKind::kDouble: return {format::kTypeDouble, 8};
    case ColumnKind::kDateTime: return {format::kTypeDateTime, 8};
    case ColumnKind::kGuid: return {format::kTypeGuid, 16};
    case ColumnKind::kNumeric: return {format::kTypeNumeric, 17};
    case ColumnKind::kBinary: return {format::kTypeBinary, 0};
    case ColumnKind::kText: return {format::kTypeText, 0};
    case ColumnKind::kOle: return {format::kTypeOle, 0};
    case ColumnKind::kMemo: return {format::kTypeMemo, 0};
    default: return {0, 0};
  }
}

}  // namespace

TableDef LayOutTable(const std::u16string& name, const std::vector<ColumnSpec>& specs) {
  auto refuse = [&](const std::string& why) {
    RaiseInvalidArgument("cannot create " + NameForMessage(name) + ": " + why);
  };
  if (specs.empty()) refuse("no columns");
  TableDef table;
  table.name = name;
  uint16_t fixed_end = 0;
  uint16_t var_slots = 0;
  for (size_t i = 0; i < specs.size(); ++i) {
    const ColumnSpec& spec = specs[i];
    if (spec.name.empty()) refuse("a column has no name");
    for (size_t k = 0; k < i; ++k) {
      if (NamesEqual(specs[k].name, spec.name)) refuse("two columns named " + NameForMessage(spec.name));
    }
    auto [type, fixed_length] = TypeAndFixedLength(spec.kind);
    if (type == 0) refuse("column " + NameForMessage(spec.name) + " has no type");
    if (spec.auto_number && spec.kind != ColumnKind::kLong) {
      refuse("autonumber column " + NameForMessage(spec.name) + " is not LONG");
    }
    Column c;
    c.name = spec.name;
    c.kind = spec.kind;
    c.type_code = type;
    c.number = static_cast<uint16_t>(i);
    c.flags = format::kColumnFlagNullable;
    if (spec.auto_number) {
      c.flags |= format::kColumnFlagAutoLong;
      c.auto_number = true;
    }
    if (fixed_length > 0) {
      c.fixed = true;
      c.flags |= format::kColumnFlagFixed;
      c.length = fixed_length;
      if (spec.kind != ColumnKind::kBoolean) {
        c.fixed_offset = fixed_end;
        fixed_end = static_cast<uint16_t>(fixed_end + fixed_length);
      }
      if (spec.kind == ColumnKind::kNumeric) {
        c.precision = spec.precision;
        c.scale = spec.scale;
      }
    } else if (spec.kind == ColumnKind::kText || spec.kind == ColumnKind::kBinary) {
      uint16_t most = spec.kind == ColumnKind::kText ? 255 : 510;
      if (spec.size < 1 || spec.size > most) {
        refuse("column " + NameForMessage(spec.name) + " has size " + std::to_string(spec.size));
      }
      c.length = spec.kind == ColumnKind::kText ? static_cast<uint16_t>(2 * spec.size)
                                                : spec.size;
      c.var_index = var_slots++;
    }
    if (spec.kind == ColumnKind::kText || spec.kind == ColumnKind::kMemo) {
      c.sort_order = kGeneralSortOrder;
      c.compressed = spec.compressed;
    }
    table.columns.push_back(std::move(c));
  }
  // Section 14.3: the long-value columns take the slots after the others.
  for (Column& c : table.columns) {
    if (c.IsLongValue()) c.var_index = var_slots++;
  }
  table.max_columns = static_cast<uint16_t>(specs.size());
  table.max_var_columns = var_slots;
  return table;
}

}  // namespace jet
