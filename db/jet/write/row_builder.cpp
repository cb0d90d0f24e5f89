// Row encoding (jet4-format.md sections 7.3, 8 and 10).
#include "db/jet/write/row_builder.h"

#include <algorithm>
#include <optional>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

std::string ColumnName(const TableDef& t, const Column& c) {
  return NameForMessage(t.name) + "." + NameForMessage(c.name);
}

template <typename T>
bool Holds(const Value& v) {
  return std::holds_alternative<T>(v);
}

bool KindMatches(const Column& c, const Value& v) {
  switch (c.kind) {
    case ColumnKind::kBoolean: return Holds<bool>(v);
    case ColumnKind::kByte: return Holds<uint8_t>(v);
    case ColumnKind::kInteger: return Holds<int16_t>(v);
    case ColumnKind::kLong: return Holds<int32_t>(v);
    case ColumnKind::kCurrency: return Holds<Currency>(v);
    case ColumnKind::kSingle: return Holds<float>(v);
    case ColumnKind::kDouble: return Holds<double>(v);
    case ColumnKind::kDateTime: return Holds<DateTime>(v);
    case ColumnKind::kBinary: return Holds<Bytes>(v);
    case ColumnKind::kText: return Holds<std::u16string>(v);
    case ColumnKind::kGuid: return Holds<Guid>(v);
    case ColumnKind::kNumeric: return Holds<Decimal>(v);
    default: return false;
  }
}

void Append(std::vector<uint8_t>& out, const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  out.insert(out.end(), b, b + n);
}

// The stored bytes of a non-null value of a fixed or variable column.
std::vector<uint8_t> Encode(const Column& c, const Value& v) {
  std::vector<uint8_t> out;
  uint8_t buf[8];
  switch (c.kind) {
    case ColumnKind::kByte: out.push_back(std::get<uint8_t>(v)); break;
    case ColumnKind::kInteger:
      StoreU16(buf, static_cast<uint16_t>(std::get<int16_t>(v)));
      Append(out, buf, 2);
      break;
    case ColumnKind::kLong:
      StoreU32(buf, static_cast<uint32_t>(std::get<int32_t>(v)));
      Append(out, buf, 4);
      break;
    case ColumnKind::kSingle: {
      uint32_t bits;
      float f = std::get<float>(v);
      std::memcpy(&bits, &f, 4);
      StoreU32(buf, bits);
      Append(out, buf, 4);
      break;
    }
    case ColumnKind::kCurrency:
    case ColumnKind::kDouble:
    case ColumnKind::kDateTime: {
      uint64_t bits;
      if (c.kind == ColumnKind::kCurrency) {
        bits = static_cast<uint64_t>(std::get<Currency>(v).scaled);
      } else {
        double d = c.kind == ColumnKind::kDouble ? std::get<double>(v)
                                                 : std::get<DateTime>(v).days;
        std::memcpy(&bits, &d, 8);
      }
      StoreU32(buf, static_cast<uint32_t>(bits));
      StoreU32(buf + 4, static_cast<uint32_t>(bits >> 32));
      Append(out, buf, 8);
      break;
    }
    case ColumnKind::kGuid: {
      const Guid& g = std::get<Guid>(v);
      Append(out, g.bytes.data(), g.bytes.size());
      break;
    }
    case ColumnKind::kNumeric: {
      const Decimal& d = std::get<Decimal>(v);
      out.push_back(d.negative ? 0x80 : 0x00);
      uint32_t words[4] = {static_cast<uint32_t>(d.high >> 32),
                           static_cast<uint32_t>(d.high),
                           static_cast<uint32_t>(d.low >> 32),
                           static_cast<uint32_t>(d.low)};
      for (uint32_t w : words) {
        StoreU32(buf, w);
        Append(out, buf, 4);
      }
      break;
    }
    case ColumnKind::kBinary: {
      const Bytes& b = std::get<Bytes>(v);
      out.assign(b.begin(), b.end());
      break;
    }
    case ColumnKind::kText: return EncodeText(c, std::get<std::u16string>(v));
    default: break;
  }
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeText(const Column& column, const std::u16string& text) {
  std::vector<uint8_t> out;
  bool narrow = column.compressed && column.kind == ColumnKind::kText &&
                text.size() > 2 &&
                std::all_of(text.begin(), text.end(),
                            [](char16_t ch) { return ch >= 1 && ch <= 0xFF; });
  if (narrow) {
    out.reserve(2 + text.size());
    out.push_back(format::kCompressedMarker[0]);
    out.push_back(format::kCompressedMarker[1]);
    for (char16_t ch : text) out.push_back(static_cast<uint8_t>(ch));
    return out;
  }
  out.reserve(2 * text.size());
  for (char16_t ch : text) {
    out.push_back(static_cast<uint8_t>(ch));
    out.push_back(static_cast<uint8_t>(ch >> 8));
  }
  return out;
}

std::vector<uint8_t> LongValueBytes(const Value& value) {
  if (const auto* bytes = std::get_if<Bytes>(&value)) return *bytes;
  std::vector<uint8_t> out;
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    out.reserve(2 * text->size());
    for (char16_t ch : *text) {
      out.push_back(static_cast<uint8_t>(ch));
      out.push_back(static_cast<uint8_t>(ch >> 8));
    }
  }
  return out;
}

void CheckColumnValue(const TableDef& table, size_t column, const Value& value,
                      bool inserting) {
  if (column >= table.columns.size()) {
    RaiseInvalidArgument("no column " + std::to_string(column) + " in " +
                         NameForMessage(table.name));
  }
  const Column& c = table.columns[column];
  if (inserting && c.IsLongValue()) {
    if (IsNull(value)) return;
    bool memo = c.kind == ColumnKind::kMemo;
    if (memo ? !Holds<std::u16string>(value) : !Holds<Bytes>(value)) {
      RaiseInvalidArgument("wrong kind of value for " + ColumnName(table, c) + " (" +
                           ColumnKindName(c.kind) + ")");
    }
    size_t length = memo ? 2 * std::get<std::u16string>(value).size()
                         : std::get<Bytes>(value).size();
    if (length > format::kLongValueLengthMask) {
      RaiseInvalidArgument("value too long for " + ColumnName(table, c) + ": " +
                           std::to_string(length) + " bytes");
    }
    return;
  }
  if (!ColumnWritable(c)) {
    RaiseInvalidArgument("column " + ColumnName(table, c) + " cannot be changed");
  }
  if (IsNull(value)) {
    if (c.kind == ColumnKind::kBoolean) {
      RaiseInvalidArgument("null not allowed in " + ColumnName(table, c));
    }
    return;
  }
  if (!KindMatches(c, value)) {
    RaiseInvalidArgument("wrong kind of value for " + ColumnName(table, c) +
                         " (" + ColumnKindName(c.kind) + ")");
  }
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    if (text->size() > c.Size()) {
      RaiseInvalidArgument("value too long for " + ColumnName(table, c) + ": " +
                           std::to_string(text->size()) + " characters, at most " +
                           std::to_string(c.Size()));
    }
    if (!text->empty() && (*text)[0] == 0xFEFF) {
      RaiseInvalidArgument("text for " + ColumnName(table, c) +
                           " cannot start with U+FEFF");
    }
  }
  if (const auto* bytes = std::get_if<Bytes>(&value)) {
    if (bytes->size() > c.length) {
      RaiseInvalidArgument("value too long for " + ColumnName(table, c) + ": " +
                           std::to_string(bytes->size()) + " bytes, at most " +
                           std::to_string(c.length));
    }
  }
}

std::vector<uint8_t> BuildRow(const TableDef& table, const Row& old,
                              const ColumnChanges& changes, const RawColumns& raw) {
  const size_t ncols = std::max<size_t>(table.max_columns, table.columns.empty()
                                            ? 0 : table.columns.back().number + 1u);
  size_t fixed_size = 0;
  size_t nvar = table.max_var_columns;
  for (const Column& c : table.columns) {
    if (c.kind == ColumnKind::kBoolean) continue;
    if (c.fixed) fixed_size = std::max<size_t>(fixed_size, c.fixed_offset + size_t{c.length});
    else nvar = std::max<size_t>(nvar, c.var_index + size_t{1});
  }
  std::vector<uint8_t> mask((ncols + 7) / 8, 0);
  std::vector<uint8_t> fixed(fixed_size, 0);
  std::vector<std::optional<std::vector<uint8_t>>> vars(nvar);

  for (size_t i = 0; i < table.columns.size(); ++i) {
    const Column& c = table.columns[i];
    const Value* changed = nullptr;
    for (const auto& [column, value] : changes) {
      if (column == i) changed = &value;
    }
    bool present;
    std::vector<uint8_t> bytes;
    auto given = std::find_if(raw.begin(), raw.end(),
                              [&](const auto& entry) { return entry.first == i; });
    if (given != raw.end()) {
      present = true;
      bytes = given->second;
    } else if (c.kind == ColumnKind::kBoolean) {
      present = changed ? std::get<bool>(*changed)
                        : std::get<bool>(old.Get(i));
    } else if (changed) {
      present = !IsNull(*changed);
      if (present) bytes = Encode(c, *changed);
    } else {
      present = !old.IsNull(i);
      if (present) {
        auto raw = old.RawBytes(i);
        bytes.assign(raw.begin(), raw.end());
      }
    }
    if (present) mask[c.number / 8] |= static_cast<uint8_t>(1u << (c.number % 8));
    if (!present || c.kind == ColumnKind::kBoolean) continue;
    if (c.fixed) {
      std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), c.length),
                  fixed.begin() + c.fixed_offset);
    } else {
      vars[c.var_index] = std::move(bytes);
    }
  }

  std::vector<uint8_t> row;
  uint8_t buf[2];
  StoreU16(buf, static_cast<uint16_t>(ncols));
  Append(row, buf, 2);
  row.insert(row.end(), fixed.begin(), fixed.end());
  if (nvar > 0) {
    std::vector<uint16_t> offsets(nvar + 1);
    for (size_t k = 0; k < nvar; ++k) {
      offsets[k] = static_cast<uint16_t>(row.size());
      if (vars[k]) row.insert(row.end(), vars[k]->begin(), vars[k]->end());
    }
    offsets[nvar] = static_cast<uint16_t>(row.size());
    for (size_t k = nvar + 1; k-- > 0;) {
      StoreU16(buf, offsets[k]);
      Append(row, buf, 2);
    }
    StoreU16(buf, static_cast<uint16_t>(nvar));
    Append(row, buf, 2);
  }
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

}  // namespace jet
