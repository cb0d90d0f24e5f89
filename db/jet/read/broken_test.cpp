// Files that are not readable Jet 4 databases, and damage at named places
// inside a good one (a shared fixture, or a database our engine writes):
// each gives its own error, naming the page.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "db/jet/read/data_page.h"
#include "db/jet/read/database.h"
#include "db/jet/format/format.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

std::unique_ptr<Database> OpenBytes(std::vector<uint8_t> bytes) {
  return std::make_unique<Database>(
      std::make_unique<MemoryPageFile>(std::move(bytes), false, "copy.mdb"));
}

// The bytes of the demonstration database written by our engine.
std::vector<uint8_t> OwnDatabaseBytes() {
  testing_support::ScratchDir dir;
  return testing::ReadFileBytes(testing_support::WriteDemoDatabase(dir.path(), {}));
}

// Reads every value of every user table.
void ReadEverything(Database& db) {
  for (const auto& name : db.TableNames()) {
    auto table = db.GetTable(name);
    RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      for (size_t c = 0; c < table->columns.size(); ++c) cursor.row().Get(c);
    }
  }
}

using testing::Source;

// Each case on a database of our own and on the shared fixtures.
class BrokenFilesTest : public ::testing::TestWithParam<Source> {};

// Files that are no readable Jet 4 database: the shared ones, or the same
// damage done to our own database (the Jet 3 file only among the shared).
TEST_P(BrokenFilesTest, EachBrokenFileGivesItsOwnError) {
  testing_support::ScratchDir scratch;
  std::filesystem::path dir = scratch.path();
  if (GetParam() == Source::kSharedFixture) {
    ATTR_REQUIRE_FIXTURE(broken, "broken");
    dir = broken;
  } else {
    const std::vector<uint8_t> good = OwnDatabaseBytes();
    auto write = [&](const char* name, std::vector<uint8_t> bytes) {
      std::ofstream(dir / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    };
    write("attrdata-truncated.mdb", {good.begin(), good.begin() + 10000});
    std::vector<uint8_t> bytes = good;
    bytes[format::kSignatureOffset + 9] = 'X';
    write("attrdata-badsignature.mdb", bytes);
    bytes = good;
    bytes[format::kVersionOffset] = 0x7F;
    write("attrdata-badversion.mdb", bytes);
    std::mt19937 random(20261208);
    bytes.assign(65536, 0);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    write("random-64k.mdb", bytes);
    write("zero-length.mdb", {});
  }
  struct Case {
    const char* file;
    ErrorKind kind;
    const char* message;
  } cases[] = {
      {"access97-jet3.mdb", ErrorKind::kUnsupportedVersion,
       "unsupported database format: a Jet 3 (Access 97) file; only Jet 4 "
       "(Access 2000-2003) is supported"},
      {"attrdata-badsignature.mdb", ErrorKind::kNotADatabase,
       "not a Jet database: no \"Standard Jet DB\" signature in the header"},
      {"attrdata-badversion.mdb", ErrorKind::kUnsupportedVersion,
       "unsupported database format: unknown version 127; only Jet 4 is "
       "supported"},
      {"attrdata-truncated.mdb", ErrorKind::kCorrupt,
       "damaged database: the file is truncated: 10000 bytes is not a whole "
       "number of 4096-byte pages (at least 3)"},
      {"random-64k.mdb", ErrorKind::kNotADatabase,
       "not a Jet database: no Jet file signature at the start of the file"},
      {"zero-length.mdb", ErrorKind::kNotADatabase,
       "not a Jet database: the file is empty"},
  };
  for (const Case& c : cases) {
    if (GetParam() == Source::kOurs && std::string(c.file) == "access97-jet3.mdb") continue;
    SCOPED_TRACE(c.file);
    std::string path = (dir / c.file).string();
    try {
      Database::Open(path, OpenMode::kReadOnly);
      ADD_FAILURE() << "opened";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), c.kind);
      EXPECT_EQ(std::string(e.what()), path + ": " + c.message);
    }
  }
}

TEST(BrokenFiles, MissingFileIsAnIoError) {
  EXPECT_JET_ERROR(Database::Open("no-such-file.mdb", OpenMode::kReadOnly), kIo,
                   "no-such-file.mdb: opening failed: No such file or directory");
}

TEST_P(BrokenFilesTest, HeaderFieldsRejectAceEncryptionAndPasswords) {
  std::vector<uint8_t> good;
  if (GetParam() == Source::kOurs) {
    good = OwnDatabaseBytes();
  } else {
    ATTR_REQUIRE_FIXTURE(small, "attrdata-small.mdb");
    good = testing::ReadFileBytes(small);
  }
  std::vector<uint8_t> ace = good;
  std::memcpy(&ace[format::kSignatureOffset], "Standard ACE DB", 15);
  ace[format::kVersionOffset] = 2;
  EXPECT_JET_ERROR(OpenBytes(ace), kUnsupportedVersion,
                   "copy.mdb: unsupported database format: an Access 2007 or "
                   "later (ACE) file; only Jet 4 is supported");

  std::vector<uint8_t> ace_version = good;
  ace_version[format::kVersionOffset] = 3;
  EXPECT_JET_ERROR(OpenBytes(ace_version), kUnsupportedVersion,
                   "copy.mdb: unsupported database format: an Access 2007 or "
                   "later (ACE) file; only Jet 4 is supported");

  std::vector<uint8_t> keyed = good;
  keyed[format::kDatabaseKeyOffset] ^= 0x5A;
  EXPECT_JET_ERROR(OpenBytes(keyed), kEncrypted,
                   "copy.mdb: the database's pages are encrypted; encrypted "
                   "databases are not supported");

  std::vector<uint8_t> password = good;
  password[format::kPasswordOffset] ^= 0x41;
  EXPECT_JET_ERROR(OpenBytes(password), kEncrypted,
                   "copy.mdb: the database is protected by a password; "
                   "encrypted databases are not supported");

  std::vector<uint8_t> short_file(good.begin(), good.begin() + 2 * format::kPageSize);
  EXPECT_JET_ERROR(OpenBytes(short_file), kCorrupt,
                   "copy.mdb: damaged database: the file is truncated: 8192 "
                   "bytes is not a whole number of 4096-byte pages (at least 3)");
}

INSTANTIATE_TEST_SUITE_P(Databases, BrokenFilesTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

// Damage at a named place in attrdata-small.mdb ("shared") or in the
// demonstration database our engine writes ("own"), then the exact error.
class Damage : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "own") {
      bytes_ = OwnDatabaseBytes();
    } else {
      auto path = ::testing_support::FixturePath("attrdata-small.mdb");
      if (!path) GTEST_SKIP() << "shared fixture absent: attrdata-small.mdb";
      bytes_ = testing::ReadFileBytes(*path);
    }
    auto db = OpenBytes(bytes_);
    auto table = db->GetTable(u"numindex");
    numindex_tdef_ = table->tdef_page;
    owned_map_ = table->owned_pages;
    RowCursor cursor = db->Scan(table);
    ASSERT_TRUE(cursor.Next());
    first_row_ = cursor.row().location();
  }
  uint8_t* At(uint32_t page, size_t offset) {
    return &bytes_[size_t{page} * format::kPageSize + offset];
  }
  uint8_t* SlotEntry(RowLocation l) {
    return At(l.page, format::kDataRowTableOffset + 2 * size_t{l.slot});
  }
  std::vector<uint8_t> bytes_;
  uint32_t numindex_tdef_ = 0;
  RowPointer owned_map_;
  RowLocation first_row_;
};

TEST_P(Damage, CatalogDefinitionChainThatLoops) {
  StoreU32(At(format::kCatalogTdefPage, format::kTdefNextPageOffset), 2);
  EXPECT_JET_ERROR(OpenBytes(bytes_)->TableNames(), kCorrupt,
                   "damaged database: page 2: table definition pages form a "
                   "loop at page 2");
}

TEST_P(Damage, TableDefinitionPageOfTheWrongType) {
  *At(numindex_tdef_, 0) = format::kPageData;
  EXPECT_JET_ERROR(
      OpenBytes(bytes_)->GetTable(u"numindex"), kCorrupt,
      "damaged database: page " + std::to_string(numindex_tdef_) +
          ": expected a table definition page (type 2), found type 1");
}

TEST_P(Damage, ColumnCountBeyondTheDefinition) {
  StoreU16(At(numindex_tdef_, format::kTdefColumnCountOffset), 60000);
  EXPECT_JET_ERROR(OpenBytes(bytes_)->GetTable(u"numindex"), kCorrupt,
                   "damaged database: page " + std::to_string(numindex_tdef_) +
                       ": impossible number of columns: 60000");
}

TEST_P(Damage, DataPageRowCountBeyondThePage) {
  StoreU16(At(first_row_.page, format::kDataRowCountOffset), 0xFFFF);
  EXPECT_JET_ERROR(ReadEverything(*OpenBytes(bytes_)), kCorrupt,
                   "damaged database: page " + std::to_string(first_row_.page) +
                       ": row count 65535 does not fit the page");
}

TEST_P(Damage, RowOffsetInsideTheOffsetTable) {
  StoreU16(SlotEntry(first_row_), 4);
  EXPECT_JET_ERROR(ReadEverything(*OpenBytes(bytes_)), kCorrupt,
                   "damaged database: page " + std::to_string(first_row_.page) +
                       ": row 0 spans bytes 4..4096, outside the page's row area");
}

TEST_P(Damage, UsageMapOfUnknownType) {
  auto db = OpenBytes(bytes_);
  PageRef holder;
  auto row = ReadRowAt(db->pages(), owned_map_, 0, holder);
  size_t offset = static_cast<size_t>(row.data() - holder->bytes.data());
  At(owned_map_.page(), offset)[0] = 7;
  EXPECT_JET_ERROR(ReadEverything(*OpenBytes(bytes_)), kCorrupt,
                   "damaged database: page " + std::to_string(owned_map_.page()) +
                       ": usage map of unknown type 7");
}

TEST_P(Damage, MovedRowWhosePointerLoopsBackToItself) {
  uint16_t entry = LoadU16(SlotEntry(first_row_));
  StoreU16(SlotEntry(first_row_), entry | format::kRowFlagOverflow);
  uint8_t* row = At(first_row_.page, entry & format::kRowOffsetMask);
  StoreU32(row, first_row_.page << 8 | first_row_.slot);
  EXPECT_JET_ERROR(ReadEverything(*OpenBytes(bytes_)), kCorrupt,
                   "damaged database: page " + std::to_string(first_row_.page) +
                       ": row 0 is moved through too many pointers (a loop?)");
}

TEST_P(Damage, NullMaskLongerThanTheRow) {
  uint16_t entry = LoadU16(SlotEntry(first_row_));
  StoreU16(At(first_row_.page, entry & format::kRowOffsetMask), 0xFFF0);
  EXPECT_JET_ERROR(ReadEverything(*OpenBytes(bytes_)), kCorrupt,
                   "damaged database: page " + std::to_string(first_row_.page) +
                       ": row 0: row's null mask does not fit the row");
}

INSTANTIATE_TEST_SUITE_P(Files, Damage, ::testing::Values("shared", "own"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace jet
