// Index key encoding (jet4-format.md section 13.4), for the kinds and the
// text collation whose codes are known exactly.
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/index_entries.h"

namespace jet {
namespace {

// General (legacy) codes of printable ASCII, or 0 where the code is not a
// single inline byte.
uint8_t GeneralCode(char16_t ch) {
  static constexpr char kPunctuation[] = "!\"#$%&()*,./:;?@[\\]+<=>";
  static constexpr uint8_t kPunctuationCodes[] = {
      0x09, 0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x14, 0x16, 0x18, 0x1A, 0x1C, 0x1E,
      0x20, 0x22, 0x24, 0x26, 0x27, 0x29, 0x2A, 0x2C, 0x2E, 0x30, 0x32};
  static constexpr uint8_t kLetterCodes[26] = {
      0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
      0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
  if (ch >= u'0' && ch <= u'9') return static_cast<uint8_t>(0x36 + 2 * (ch - u'0'));
  if (ch >= u'A' && ch <= u'Z') return kLetterCodes[ch - u'A'];
  if (ch >= u'a' && ch <= u'z') return kLetterCodes[ch - u'a'];
  if (ch == u' ') return 0x07;
  for (size_t i = 0; i + 1 < sizeof kPunctuation; ++i) {
    if (ch == static_cast<char16_t>(kPunctuation[i])) return kPunctuationCodes[i];
  }
  return 0;
}

// Two-byte General codes: ^ _ ` { | } ~.
bool GeneralPair(char16_t ch, uint8_t& second) {
  static constexpr char16_t kChars[] = u"^_`{|}~";
  static constexpr uint8_t kSeconds[] = {0x02, 0x03, 0x07, 0x09, 0x0B, 0x0D, 0x0F};
  for (size_t i = 0; i < 7; ++i) {
    if (ch == kChars[i]) {
      second = kSeconds[i];
      return true;
    }
  }
  return false;
}

void AppendBigEndian(std::vector<uint8_t>& out, uint64_t v, size_t size) {
  for (size_t i = size; i-- > 0;) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::string IndexRefusalPrefix(const TableDef& table, const Index& index) {
  return "cannot update index " + NameForMessage(index.name) + " of " +
         NameForMessage(table.name) + ": ";
}

void RefuseIndexUpdate(const TableDef& table, const Index& index, std::string_view why) {
  RaiseInvalidArgument(IndexRefusalPrefix(table, index) + std::string(why));
}

size_t IndexColumnPosition(const TableDef& table, const Index& index,
                           const IndexColumn& column) {
  for (size_t pos = 0; pos < table.columns.size(); ++pos) {
    if (table.columns[pos].number == column.column_number) return pos;
  }
  RefuseIndexUpdate(table, index, "it names a missing column");
}

std::vector<uint8_t> IndexKey(const TableDef& table, const Index& index,
                              const std::vector<Value>& values) {
  std::vector<uint8_t> key;
  IndexKeyInto(table, index, values, key);
  return key;
}

void IndexKeyInto(const TableDef& table, const Index& index, const std::vector<Value>& values,
                  std::vector<uint8_t>& key) {
  key.clear();
  for (size_t k = 0; k < index.columns.size(); ++k) {
    const IndexColumn& ic = index.columns[k];
    const Column* column = &table.columns[IndexColumnPosition(table, index, ic)];
    const Value& v = values[k];
    if (IsNull(v)) {
      key.push_back(ic.ascending ? format::kKeyNull : format::kKeyNullDescending);
      continue;
    }
    key.push_back(ic.ascending ? format::kKeyAscending : format::kKeyDescending);
    const size_t body = key.size();  // where the column's value codes start
    bool text = false;
    switch (column->kind) {
      case ColumnKind::kByte: key.push_back(std::get<uint8_t>(v)); break;
      case ColumnKind::kInteger:
        AppendBigEndian(key, static_cast<uint16_t>(std::get<int16_t>(v)), 2);
        key[body] ^= 0x80;
        break;
      case ColumnKind::kLong:
        AppendBigEndian(key, static_cast<uint32_t>(std::get<int32_t>(v)), 4);
        key[body] ^= 0x80;
        break;
      case ColumnKind::kCurrency:
        AppendBigEndian(key, static_cast<uint64_t>(std::get<Currency>(v).scaled), 8);
        key[body] ^= 0x80;
        break;
      case ColumnKind::kDouble:
      case ColumnKind::kDateTime: {
        double d = column->kind == ColumnKind::kDouble ? std::get<double>(v)
                                                       : std::get<DateTime>(v).days;
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        AppendBigEndian(key, bits, 8);
        if (std::signbit(d)) {
          for (size_t i = body; i < key.size(); ++i) key[i] = static_cast<uint8_t>(~key[i]);
        } else {
          key[body] ^= 0x80;
        }
        break;
      }
      case ColumnKind::kText: {
        if (column->sort_order != format::kGeneralSortOrder) {
          RefuseIndexUpdate(table, index, "text collation " +
                                              std::to_string(column->sort_order) +
                                              " has no known key codes");
        }
        std::u16string_view s = std::get<std::u16string>(v);
        while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
        s = s.substr(0, 255);
        key.reserve(key.size() + s.size() + 3);
        for (char16_t ch : s) {
          uint8_t code = GeneralCode(ch), second;
          if (code != 0) {
            key.push_back(code);
          } else if (GeneralPair(ch, second)) {
            key.push_back(0x2B);
            key.push_back(second);
          } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(ch));
            RefuseIndexUpdate(table, index,
                              std::string("no known key code for character U+") + hex);
          }
        }
        key.push_back(format::kKeyTextEnd);
        key.push_back(format::kKeyTextTerminator);
        text = true;
        break;
      }
      default:
        RefuseIndexUpdate(table, index, std::string("keys of ") +
                                            ColumnKindName(column->kind) +
                                            " columns are not handled");
    }
    if (!ic.ascending) {
      for (size_t i = body; i < key.size(); ++i) key[i] = static_cast<uint8_t>(~key[i]);
      if (text) key.push_back(format::kKeyTextTerminator);
    }
  }
}

}  // namespace jet
