// MEMO and OLE values given to InsertRow: each storage form at its bounds,
// read back by our reader, the checker and mdb-export.
#include <gtest/gtest.h>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

std::u16string Memo(size_t characters, size_t seed) {
  std::u16string text;
  for (size_t k = 0; k < characters; ++k) {
    // Letters and, now and then, a CJK character, so both byte halves vary.
    text.push_back(k % 97 == 5 ? static_cast<char16_t>(0x4E00 + (k + seed) % 500)
                               : static_cast<char16_t>(u'a' + (k + seed) % 26));
  }
  return text;
}

Bytes Blob(size_t length, size_t seed) {
  Bytes bytes(length);
  for (size_t k = 0; k < length; ++k) bytes[k] = static_cast<uint8_t>((k * 7 + seed) % 251);
  return bytes;
}

TEST(WriterLongValue, EachStorageFormAtItsBoundsReadsBack) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  CreateDatabase(path);
  // Inline up to 64 bytes, one LVAL row up to 4076, chains beyond.
  const std::vector<size_t> memo_chars = {0, 1, 32, 33, 2038, 2039, 4072, 20000};
  const std::vector<size_t> blob_bytes = {5, 64, 65, 4076, 4077, 8144, 8145, 100000};
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"notes",
                             {{u"id", ColumnKind::kLong}, {u"memo", ColumnKind::kMemo},
                              {u"blob", ColumnKind::kOle}, {u"tail", ColumnKind::kText, 20}},
                             {});
    for (size_t r = 0; r < memo_chars.size(); ++r) {
      writer.InsertRow(table, {{0, static_cast<int32_t>(r)},
                               {1, Memo(memo_chars[r], r)},
                               {2, Blob(blob_bytes[r], r)},
                               {3, std::u16string(u"end")}});
    }
    writer.InsertRow(table, {{0, int32_t{99}}});  // both null
    EXPECT_JET_ERROR(writer.InsertRow(table, {{1, Bytes{1}}}), kInvalidArgument,
                     "wrong kind of value for notes.memo (MEMO)");
    writer.Commit();
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  RowCursor cursor = db->Scan(db->GetTable(u"notes"));
  for (size_t r = 0; r < memo_chars.size(); ++r) {
    ASSERT_TRUE(cursor.Next());
    EXPECT_EQ(cursor.row().Get(1), Value{Memo(memo_chars[r], r)}) << "row " << r;
    EXPECT_EQ(cursor.row().Get(2), Value{Blob(blob_bytes[r], r)}) << "row " << r;
    EXPECT_EQ(cursor.row().Get(3), Value{std::u16string(u"end")});
  }
  ASSERT_TRUE(cursor.Next());
  EXPECT_TRUE(cursor.row().IsNull(1));
  EXPECT_TRUE(cursor.row().IsNull(2));
  EXPECT_FALSE(cursor.Next());
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;

  if (!testing::RunCommand("command -v mdb-export")) return;  // no mdbtools
  auto exported = testing::RunCommand("mdb-export -H -b hex '" + path.string() + "' notes");
  ASSERT_TRUE(exported);
  std::string memo7;
  for (char16_t ch : Memo(20000, 7)) {
    if (ch < 0x80) memo7.push_back(static_cast<char>(ch));
    else {
      memo7.push_back(static_cast<char>(0xE0 | (ch >> 12)));
      memo7.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
      memo7.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
  }
  EXPECT_NE(exported->find("7,\"" + memo7 + "\","), std::string::npos);
}

}  // namespace
}  // namespace jet
