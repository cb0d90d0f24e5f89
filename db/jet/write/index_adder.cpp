// A new index on a table that holds rows (jet4-format.md sections 4.1, 4.5,
// 4.6, 5.1 and 13): everything is checked and every key computed before the
// first page changes.
#include "db/jet/write/index_adder.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "db/jet/format/byte_reader.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/write/table_def_writer.h"
#include "db/jet/write/usage_map_writer.h"

namespace jet {
namespace {

[[noreturn]] void Refuse(const TableDef& table, std::u16string_view index,
                         const std::string& why) {
  RaiseInvalidArgument("cannot add index " + NameForMessage(index) + " to " +
                       NameForMessage(table.name) + ": " + why);
}

// Runs `body`, raising IndexKey's refusal in the words of AddIndex.
template <typename Body>
void RephraseKeyRefusal(const TableDef& table, const Index& index, Body body) {
  try {
    body();
  } catch (const Error& e) {
    if (e.kind() != ErrorKind::kInvalidArgument) throw;
    std::string what = e.what();
    std::string prefix = IndexRefusalPrefix(table, index);
    Refuse(table, index.name, what.rfind(prefix, 0) == 0 ? what.substr(prefix.size()) : what);
  }
}

// A value of the alternative rows hand out for a column of `kind`, not
// null, so that IndexKey judges the kind even when no row does.
Value SampleValue(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kBoolean: return true;
    case ColumnKind::kByte: return uint8_t{0};
    case ColumnKind::kInteger: return int16_t{0};
    case ColumnKind::kLong: return int32_t{0};
    case ColumnKind::kCurrency: return Currency{};
    case ColumnKind::kSingle: return 0.0f;
    case ColumnKind::kDouble: return 0.0;
    case ColumnKind::kDateTime: return DateTime{};
    case ColumnKind::kText:
    case ColumnKind::kMemo: return std::u16string(u"0");
    case ColumnKind::kGuid: return Guid{};
    case ColumnKind::kNumeric: return Decimal{};
    default: return Bytes{0};
  }
}

// A row's key in an index being built, 16 bytes for the many rows: the
// key lies at `at` in the buffer of keys, after its length in two bytes;
// `prefix` holds its first eight bytes, big-endian (zeros after a shorter
// key), which order most pairs of keys without reading the buffer; `row` is
// the row's page and slot as an index entry stores them (24 and 8 bits), so
// that rows order by it.
struct KeyedRow {
  uint64_t prefix = 0;
  uint32_t at = 0;
  uint32_t row = 0;
};

uint64_t PrefixOf(std::span<const uint8_t> key) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i) prefix = prefix << 8 | (i < key.size() ? key[i] : 0);
  return prefix;
}

// The pages of the TDEF chain of `table` in chain order and, in `buffer`,
// the logical TDEF buffer they hold (section 4.1).
std::vector<uint32_t> TdefChain(PageCache& pages, const TableDef& table,
                                std::vector<uint8_t>& buffer) {
  std::vector<uint32_t> numbers;
  buffer.clear();
  for (uint32_t number = table.tdef_page; number != 0;) {
    if (numbers.size() == table.tdef_page_count) {
      RaiseCorrupt(table.tdef_page, "table definition pages changed while read");
    }
    PageRef page = pages.GetTyped(number, format::kPageTdef, "a table definition page");
    size_t from = numbers.empty() ? 0 : format::kTdefContinuationData;
    buffer.insert(buffer.end(), page->bytes.begin() + static_cast<ptrdiff_t>(from),
                  page->bytes.end());
    numbers.push_back(number);
    number = LoadU32(&page->bytes[format::kTdefNextPageOffset]);
  }
  return numbers;
}

}  // namespace

bool TableDefRewritable(PageCache& pages, const TableDef& table) {
  std::vector<uint8_t> stored;
  TdefChain(pages, table, stored);
  std::vector<uint8_t> encoded = EncodeTableDef(table);
  // The bytes before the length field are the first page's header.
  size_t length = LoadU32(&stored[format::kTdefLengthOffset]);
  return encoded.size() == length && length <= stored.size() &&
         std::equal(encoded.begin() + format::kTdefLengthOffset, encoded.end(),
                    stored.begin() + format::kTdefLengthOffset);
}

std::shared_ptr<const TableDef> AddIndex(Database& db, Writer& writer,
                                         std::u16string_view table_name,
                                         const IndexSpec& spec, size_t* entries) {
  PageCache& pages = db.pages();
  // The definition as the batch's pages hold it: rows the batch added
  // changed its counters.
  std::shared_ptr<const TableDef> found = db.GetTable(table_name);
  TableDef table = ReadTableDef(pages, found->tdef_page, found->name);

  if (spec.name.empty()) Refuse(table, spec.name, "the name is empty");
  if (spec.columns.empty() || spec.columns.size() > format::kRealIndexMaxColumns) {
    Refuse(table, spec.name, "it names no column or more than " +
                                 std::to_string(format::kRealIndexMaxColumns));
  }
  Index index;
  index.name = spec.name;
  index.unique = spec.unique;
  std::vector<size_t> positions;
  for (const std::u16string& column : spec.columns) {
    std::optional<size_t> pos = table.FindColumn(column);
    if (!pos) Refuse(table, spec.name, "no column " + NameForMessage(column));
    positions.push_back(*pos);
    index.columns.push_back({table.columns[*pos].number, true});
  }
  for (const Index& other : table.indexes) {
    if (NamesEqual(other.name, spec.name)) {
      Refuse(table, spec.name, "an index of that name exists");
    }
    index.number = std::max(index.number, other.number + 1);
    index.real_index = std::max(index.real_index, other.real_index + 1);
  }
  if (!TableDefRewritable(pages, table)) {
    Refuse(table, spec.name, "its definition holds parts this engine does not rewrite");
  }

  // Section 13.4: every key, refused before any page changes. The keys are
  // short and many: they lie end to end in one buffer.
  std::vector<uint8_t> key_bytes;
  std::vector<KeyedRow> keyed;
  keyed.reserve(std::min<size_t>(table.row_count, size_t{1} << 20));  // a count from the file
  RephraseKeyRefusal(table, index, [&] {
    std::vector<Value> values;
    for (size_t pos : positions) values.push_back(SampleValue(table.columns[pos].kind));
    IndexKey(table, index, values);
    RowCursor cursor = db.Scan(std::make_shared<const TableDef>(table));
    while (cursor.Next()) {
      for (size_t k = 0; k < positions.size(); ++k) values[k] = cursor.row().Get(positions[k]);
      const std::vector<uint8_t> key = IndexKey(table, index, values);
      const RowLocation row = cursor.row().location();
      if (key.size() > format::kPageSize || key_bytes.size() > UINT32_MAX - 2 - key.size() ||
          row.page >= (1u << 24) || row.slot > 0xFF) {
        Refuse(table, spec.name, "the table is too large to index");
      }
      keyed.push_back({PrefixOf(key), static_cast<uint32_t>(key_bytes.size()),
                       row.page << 8 | row.slot});
      key_bytes.push_back(static_cast<uint8_t>(key.size() >> 8));
      key_bytes.push_back(static_cast<uint8_t>(key.size()));
      key_bytes.insert(key_bytes.end(), key.begin(), key.end());
    }
  });
  const auto key_of = [&](const KeyedRow& k) {
    const uint8_t* at = key_bytes.data() + k.at;
    return std::span<const uint8_t>(at + 2, size_t{at[0]} << 8 | at[1]);
  };
  // As IndexEntry orders: by key bytes, a shorter key before a longer one
  // it begins, then by row.
  const auto before = [&](const KeyedRow& a, const KeyedRow& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const std::span<const uint8_t> x = key_of(a), y = key_of(b);
    const size_t n = std::min(x.size(), y.size());
    if (n > 8) {
      const int c = std::memcmp(x.data() + 8, y.data() + 8, n - 8);
      if (c != 0) return c < 0;
    }
    if (x.size() != y.size()) return x.size() < y.size();
    return a.row < b.row;
  };
  // Rows are read in page order: an index on a column the rows were given
  // in order of needs no sort.
  if (!std::is_sorted(keyed.begin(), keyed.end(), before)) {
    std::sort(keyed.begin(), keyed.end(), before);
  }
  if (spec.unique) {
    for (size_t i = 1; i < keyed.size(); ++i) {
      const std::span<const uint8_t> key = key_of(keyed[i]), previous = key_of(keyed[i - 1]);
      if (std::equal(key.begin(), key.end(), previous.begin(), previous.end()) &&
          !IsNullKey(std::vector<uint8_t>(key.begin(), key.end()), positions.size())) {
        Refuse(table, spec.name, "duplicate key in a unique index");
      }
    }
  }
  if (entries) *entries = keyed.size();

  try {
    // The empty root leaf, and a page for the row of its usage map.
    Page root;
    FormatEmptyLeaf(root, table.tdef_page);
    index.root_page = AppendPage(pages, root);
    Page maps;
    FormatDataPage(maps, 0);
    uint32_t map_page = AppendPage(pages, maps);
    std::optional<uint16_t> slot = AppendRow(maps, InlineMapRow(index.root_page, true), 0);
    if (!slot) Refuse(table, spec.name, "no room for its page map");
    pages.Write(maps);
    index.page_map = RowPointer{(map_page << format::kRowPointerPageShift) | *slot};
    table.indexes.push_back(std::move(index));

    // Section 4.1: the definition over its own pages, and new ones after.
    std::vector<uint8_t> stored;
    std::vector<uint32_t> numbers = TdefChain(pages, table, stored);
    for (size_t count = TableDefPageCount(table); numbers.size() < count;) {
      Page continuation;
      FormatDataPage(continuation, 0);  // replaced below
      numbers.push_back(AppendPage(pages, continuation));
    }
    table.tdef_page_count = static_cast<uint32_t>(numbers.size());
    for (const Page& page : TableDefPages(table, numbers)) pages.Write(page);

    // Section 13.6: the entries in key order, then leaves and nodes.
    IndexEditor editor(pages, table, table.indexes.back());
    for (const KeyedRow& k : keyed) {
      editor.Append(key_of(k), RowLocation{k.row >> 8, static_cast<uint16_t>(k.row & 0xFF)});
    }
    editor.Write(pages);
    db.DropDefinitions();
    return db.GetTable(table.name);
  } catch (...) {
    writer.Rollback();
    throw;
  }
}

}  // namespace jet
