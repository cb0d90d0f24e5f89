// A program of changes read from the bytes, run by jet::Writer on a small
// database in memory and mirrored in a model of every table's rows; the
// database must always read back as the model says, and the checker must
// find nothing wrong with it.
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/write/writer.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/sample_database.h"
#include "fuzz/value_compare.h"

namespace fuzz {
namespace {

constexpr const char16_t* kTables[] = {u"city", u"cardtype", u"numindex", kKindsTable};
constexpr size_t kTableCount = std::size(kTables);
// Bounds that keep one input cheap: operations per program, and the length
// of a generated MEMO (characters) or OLE value (bytes).
constexpr size_t kMaxOperations = 64;
constexpr size_t kMaxLongLength = 5000;

// The program's bytes; past the end every read gives zeros.
class Program {
 public:
  Program(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return next_ >= size_; }
  uint8_t Byte() { return next_ < size_ ? data_[next_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t U32() { return U16() | static_cast<uint32_t>(U16()) << 16; }
  uint64_t U64() { return U32() | static_cast<uint64_t>(U32()) << 32; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
};

struct TableModel {
  std::map<jet::RowLocation, std::vector<jet::Value>> rows;
  uint32_t last_autonumber = 0;
};
using Model = std::array<TableModel, kTableCount>;

// Characters an index key can hold, then a few it cannot.
constexpr char16_t kTextCharacters[] =
    u"0123456789abcxyzABCXYZ ,.()+*!?_#'-\u00e9\u00df\u5317\u4eac\u5e7f\u4e1c";

std::u16string MakeText(Program& program, size_t length) {
  std::u16string text;
  for (size_t i = 0; i < length; ++i) {
    uint8_t b = program.Byte();
    if (b < 0xE0) {
      text.push_back(kTextCharacters[b % (std::size(kTextCharacters) - 1)]);
    } else if (b < 0xF8) {
      text.push_back(static_cast<char16_t>(0x4E00 + (b * 37 + i) % 2000));
    } else {
      text.push_back(static_cast<char16_t>(program.U16()));  // surrogates and NUL too
    }
  }
  return text;
}

std::u16string MakeLongText(Program& program) {
  size_t length = program.U16() % kMaxLongLength;
  uint8_t seed = program.Byte();
  std::u16string text;
  for (size_t i = 0; i < length; ++i) {
    text.push_back(i % 13 == seed % 13 ? static_cast<char16_t>(0x4E00 + (i + seed) % 900)
                                       : static_cast<char16_t>(u'a' + (i + seed) % 26));
  }
  return text;
}

jet::Bytes MakeBytes(Program& program, size_t length) {
  jet::Bytes bytes(length);
  for (uint8_t& b : bytes) b = program.Byte();
  return bytes;
}

jet::Bytes MakeLongBytes(Program& program) {
  size_t length = program.U16() % kMaxLongLength;
  uint8_t seed = program.Byte();
  jet::Bytes bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * seed + i / 7);
  return bytes;
}

// A value for `column`: mostly of its kind, sometimes null, now and then of
// another kind (which the writer must refuse).
jet::Value MakeValue(Program& program, const jet::Column& column) {
  using jet::ColumnKind;
  const uint8_t how = program.Byte();
  if (how < 0x20) return std::monostate{};
  if (how >= 0xF8) {
    if (column.kind == ColumnKind::kText || column.kind == ColumnKind::kMemo) return int32_t{7};
    return std::u16string(u"7");
  }
  const bool narrow = (how & 1) != 0;  // few distinct values, so that keys repeat
  switch (column.kind) {
    case ColumnKind::kBoolean: return (how & 2) != 0;
    case ColumnKind::kByte: return program.Byte();
    case ColumnKind::kInteger:
      return narrow ? static_cast<int16_t>(program.Byte() % 4)
                    : static_cast<int16_t>(program.U16());
    case ColumnKind::kLong:
      return narrow ? static_cast<int32_t>(program.Byte() % 4)
                    : static_cast<int32_t>(program.U32());
    case ColumnKind::kCurrency: return jet::Currency{static_cast<int64_t>(program.U64())};
    case ColumnKind::kSingle: return std::bit_cast<float>(program.U32());
    case ColumnKind::kDouble: return std::bit_cast<double>(program.U64());
    case ColumnKind::kDateTime: return jet::DateTime{std::bit_cast<double>(program.U64())};
    case ColumnKind::kBinary: return MakeBytes(program, program.Byte() % (column.length + 4u));
    case ColumnKind::kText:
      return narrow ? MakeText(program, program.Byte() % 3)
                    : MakeText(program, program.Byte() % (column.Size() + 3u));
    case ColumnKind::kNumeric: {
      jet::Decimal d{(how & 2) != 0, column.precision, column.scale, 0, program.U64()};
      if ((how & 4) != 0) d.high = program.U64();
      return d;
    }
    case ColumnKind::kGuid: {
      jet::Guid guid;
      for (uint8_t& b : guid.bytes) b = program.Byte();
      return guid;
    }
    case ColumnKind::kMemo: return MakeLongText(program);
    case ColumnKind::kOle: return MakeLongBytes(program);
    case ColumnKind::kUnknown: break;
  }
  return std::monostate{};
}

std::string Where(size_t table, jet::RowLocation location) {
  return jet::NameForMessage(kTables[table]) + " page " + std::to_string(location.page) +
         " row " + std::to_string(location.slot);
}

// Every table of `db` against `model`. Row counts and autonumbers are
// compared only when `counters` (the definitions of an open batch may be
// cached from before it).
void CompareWithModel(jet::Database& db, const Model& model, bool counters) {
  for (size_t t = 0; t < kTableCount; ++t) {
    auto table = db.GetTable(kTables[t]);
    const auto& expected = model[t].rows;
    size_t seen = 0;
    jet::RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      const jet::Row& row = cursor.row();
      auto it = expected.find(row.location());
      if (it == expected.end()) Fail("a row the model does not have: " + Where(t, row.location()));
      ++seen;
      for (size_t c = 0; c < table->columns.size(); ++c) {
        jet::Value value = row.Get(c);
        FormatValue(value);
        if (!SameValue(value, it->second[c])) {
          Fail("wrong value at " + Where(t, row.location()) + " column " +
               jet::NameForMessage(table->columns[c].name) + ": read " + DescribeValue(value) +
               ", written " + DescribeValue(it->second[c]));
        }
      }
    }
    if (seen != expected.size()) {
      Fail(std::to_string(expected.size() - seen) + " rows of " +
           jet::NameForMessage(kTables[t]) + " missing");
    }
    if (counters && table->row_count != expected.size()) {
      Fail("row count of " + jet::NameForMessage(kTables[t]) + " is " +
           std::to_string(table->row_count) + ", rows " + std::to_string(expected.size()));
    }
    if (counters && table->last_autonumber != model[t].last_autonumber) {
      Fail("last autonumber of " + jet::NameForMessage(kTables[t]) + " is " +
           std::to_string(table->last_autonumber) + ", expected " +
           std::to_string(model[t].last_autonumber));
    }
  }
}

void RequireSound(jet::Database& db) {
  std::vector<std::string> problems = jet::CheckDatabase(db);
  if (!problems.empty()) Fail("checker: " + problems.front());
}

Model ReadModel(jet::Database& db) {
  Model model;
  for (size_t t = 0; t < kTableCount; ++t) {
    auto table = db.GetTable(kTables[t]);
    model[t].last_autonumber = table->last_autonumber;
    jet::RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      std::vector<jet::Value>& values = model[t].rows[cursor.row().location()];
      for (size_t c = 0; c < table->columns.size(); ++c) values.push_back(cursor.row().Get(c));
    }
  }
  return model;
}

// With FUZZ_TRACE set, each change and its outcome go to standard error,
// to follow a failing program.
void Trace(const std::string& line) {
  static const bool enabled = std::getenv("FUZZ_TRACE") != nullptr;
  if (enabled) std::fprintf(stderr, "%s\n", line.c_str());
}

class Runner {
 public:
  explicit Runner(jet::Database& db)
      : db_(db), writer_(db, jet::WriterOptions{.sync = false}), committed_(ReadModel(db)),
        pending_(committed_) {}

  void Run(Program& program) {
    for (size_t n = 0; n < kMaxOperations && !program.AtEnd(); ++n) {
      switch (program.Byte() % 8) {
        case 0:
          if (!writer_.InBatch()) writer_.Begin();
          break;
        case 1:
        case 2: Insert(program); break;
        case 3: Update(program); break;
        case 4: DeleteAll(program); break;
        case 5: Commit(); break;
        case 6:
          writer_.Rollback();
          pending_ = committed_;
          break;
        case 7: {
          const bool check = program.Byte() % 2 == 1;  // the checker is slow: now and then
          CompareWithModel(db_, pending_, !writer_.InBatch());
          if (check && !writer_.InBatch()) RequireSound(db_);
          break;
        }
      }
    }
    if (writer_.InBatch()) {
      if (program.Byte() % 2 == 0) {
        Commit();
      } else {
        writer_.Rollback();
        pending_ = committed_;
      }
    }
  }

  const Model& committed() const { return committed_; }

 private:
  // Runs a change; true when it was made. A refusal (kInvalidArgument) must
  // leave the batch as it was; any other error is a fault.
  template <typename Change>
  bool Attempt(const std::string& what, Change change) {
    const bool was_in_batch = writer_.InBatch();
    try {
      change();
    } catch (const jet::Error& e) {
      if (e.kind() != jet::ErrorKind::kInvalidArgument) {
        Fail(std::string("the writer failed: ") + e.what());
      }
      if (writer_.InBatch() != was_in_batch) Fail(std::string("a refusal ended the batch: ") + e.what());
      Trace(what + ": refused: " + e.what());
      return false;
    }
    Trace(what + ": done");
    if (!writer_.InBatch()) committed_ = pending_;
    return true;
  }

  void Insert(Program& program) {
    const size_t t = program.Byte() % kTableCount;
    auto table = db_.GetTable(kTables[t]);
    jet::ColumnChanges values;
    for (size_t c = 0; c < table->columns.size(); ++c) {
      const uint8_t choice = program.Byte();
      // An autonumber is named (and refused) only now and then.
      const bool named = table->columns[c].auto_number ? choice == 0xFF : choice % 3 != 0;
      if (named) values.emplace_back(c, MakeValue(program, table->columns[c]));
    }
    jet::RowLocation location;
    TableModel next = pending_[t];
    std::vector<jet::Value> row(table->columns.size());
    for (size_t c = 0; c < table->columns.size(); ++c) {
      const jet::Column& column = table->columns[c];
      if (column.auto_number) row[c] = static_cast<int32_t>(++next.last_autonumber);
      else if (column.kind == jet::ColumnKind::kBoolean) row[c] = false;
    }
    for (const auto& [c, value] : values) row[c] = value;
    auto insert = [&] {
      location = writer_.InsertRow(table, values);
      if (next.rows.contains(location)) Fail("a new row took a live row's slot: " + Where(t, location));
      next.rows[location] = std::move(row);
      pending_[t] = std::move(next);
    };
    Attempt("insert into " + jet::NameForMessage(kTables[t]), insert);
  }

  void Update(Program& program) {
    const size_t t = program.Byte() % kTableCount;
    auto table = db_.GetTable(kTables[t]);
    const auto& rows = pending_[t].rows;
    const size_t pick = program.U16() % (rows.size() + 1);
    // One past the rows: a slot that holds no row of the table.
    jet::RowLocation location{table->tdef_page, 0};
    if (pick < rows.size()) location = std::next(rows.begin(), static_cast<long>(pick))->first;
    jet::ColumnChanges changes;
    const size_t count = program.Byte() % 3 + 1;
    for (size_t k = 0; k < count; ++k) {
      size_t c = program.Byte() % table->columns.size();
      bool repeated = false;
      for (const auto& change : changes) repeated = repeated || change.first == c;
      if (!repeated) changes.emplace_back(c, MakeValue(program, table->columns[c]));
    }
    auto update = [&] {
      writer_.UpdateRow(table, location, changes);
      auto it = pending_[t].rows.find(location);
      if (it == pending_[t].rows.end()) Fail("updated a row that is not there: " + Where(t, location));
      for (const auto& [c, value] : changes) it->second[c] = value;
    };
    Attempt("update " + Where(t, location), update);
  }

  void DeleteAll(Program& program) {
    const size_t t = program.Byte() % kTableCount;
    auto table = db_.GetTable(kTables[t]);
    Attempt("delete all rows of " + jet::NameForMessage(kTables[t]), [&] {
      writer_.DeleteAllRows(table);
      pending_[t].rows.clear();
    });
  }

  void Commit() {
    if (!writer_.InBatch()) return;
    try {
      writer_.Commit();
      committed_ = pending_;
    } catch (const jet::Error& e) {
      if (e.kind() != jet::ErrorKind::kInvalidArgument) {
        Fail(std::string("the commit failed: ") + e.what());
      }
      if (writer_.InBatch()) Fail("a refused commit left the batch open");
      pending_ = committed_;
    }
  }

  jet::Database& db_;
  jet::Writer writer_;
  Model committed_;
  Model pending_;
};

}  // namespace

void UpdateSequence(const uint8_t* data, size_t size) {
  Program program(data, size);
  const uint8_t start = program.Byte();
  auto db = OpenImageForWriting(SampleImage((start & 1) != 0, (start & 2) != 0));
  Model committed;
  {
    Runner runner(*db);
    runner.Run(program);
    committed = runner.committed();
  }
  jet::Database reread(std::make_unique<jet::MemoryPageFile>(jet::DatabaseBytes(*db), false,
                                                              "after the changes"));
  CompareWithModel(reread, committed, true);
  RequireSound(reread);
}

}  // namespace fuzz
