// Column layout of new tables against tables Access created: the same
// column numbers, fixed offsets, variable slots, lengths and flags.
#include "db/jet/write/table_layout.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "db/jet/read/database.h"
#include "db/jet/format/format.h"
#include "db/jet/testing/test_util.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

ColumnSpec SpecOf(const Column& c) {
  ColumnSpec spec;
  spec.name = c.name;
  spec.kind = c.kind;
  spec.size = static_cast<uint16_t>(c.Size());
  spec.compressed = c.compressed;
  spec.auto_number = c.auto_number;
  spec.precision = c.precision;
  spec.scale = c.scale;
  return spec;
}

// Tables made by Access whose columns were never deleted: every kind, fixed
// and variable, Booleans, numeric precision, autonumbers, memo after text.
TEST(TableLayout, MatchesTablesAccessCreated) {
  const std::pair<const char*, const char16_t*> tables[] = {
      {"access/testV2000.mdb", u"Table1"}, {"access/testV2000.mdb", u"Table2"},
      {"access/testV2000.mdb", u"Table3"},
      {"access/fixedNumericTestV2000.mdb", u"test"}};
  for (const auto& [file, name] : tables) {
    SCOPED_TRACE(std::string(file) + " " + base::Utf16ToUtf8(name));
    ATTR_REQUIRE_FIXTURE(source, file);
    auto db = Database::Open(source, OpenMode::kReadOnly);
    auto made = db->FindTable(name);
    if (!made) {
      ADD_FAILURE() << "no such table";
      continue;
    }
    std::vector<ColumnSpec> specs;
    for (const Column& c : made->columns) specs.push_back(SpecOf(c));
    TableDef laid = LayOutTable(made->name, specs);
    EXPECT_EQ(laid.max_columns, made->max_columns);
    EXPECT_EQ(laid.max_var_columns, made->max_var_columns);
    ASSERT_EQ(laid.columns.size(), made->columns.size());
    for (size_t i = 0; i < laid.columns.size(); ++i) {
      const Column& x = laid.columns[i];
      const Column& y = made->columns[i];
      SCOPED_TRACE(base::Utf16ToUtf8(y.name));
      EXPECT_EQ(x.type_code, y.type_code);
      EXPECT_EQ(x.number, y.number);
      EXPECT_EQ(x.fixed, y.fixed);
      EXPECT_EQ(x.fixed_offset, y.fixed_offset);
      if (!x.fixed) {
        EXPECT_EQ(x.var_index, y.var_index);
      }
      EXPECT_EQ(x.length, y.length);
      EXPECT_EQ(x.auto_number, y.auto_number);
      EXPECT_EQ(x.compressed, y.compressed);
      if (x.kind == ColumnKind::kText) {
        EXPECT_EQ(x.sort_order, y.sort_order);
      }
    }
  }
}

TEST(TableLayout, RefusesWhatCannotBeStored) {
  EXPECT_JET_ERROR(LayOutTable(u"t", {}), kInvalidArgument, "cannot create t: no columns");
  EXPECT_JET_ERROR(LayOutTable(u"t", {{u"a", ColumnKind::kText, 10}, {u"A", ColumnKind::kLong}}),
                   kInvalidArgument, "cannot create t: two columns named A");
  EXPECT_JET_ERROR(LayOutTable(u"t", {{u"a", ColumnKind::kText, 256}}), kInvalidArgument,
                   "cannot create t: column a has size 256");
  EXPECT_JET_ERROR(LayOutTable(u"t", {{u"b", ColumnKind::kBinary, 0}}), kInvalidArgument,
                   "cannot create t: column b has size 0");
  ColumnSpec counter{u"id", ColumnKind::kInteger};
  counter.auto_number = true;
  EXPECT_JET_ERROR(LayOutTable(u"t", {counter}), kInvalidArgument,
                   "cannot create t: autonumber column id is not LONG");
  EXPECT_JET_ERROR(LayOutTable(u"t", {{u"u", ColumnKind::kUnknown}}), kInvalidArgument,
                   "cannot create t: column u has no type");
}

}  // namespace
}  // namespace jet
