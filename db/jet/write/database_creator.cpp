// Databases made from nothing (jet4-format.md sections 1, 3, 5, 14.1).
//
// The file starts as three pages: the header, the global page map and a
// placeholder for the catalog's TDEF. The catalog's definition and pages
// are then placed as for any new table, its own rows inserted through the
// Writer, and the other system tables created through CreateTable.
#include "db/jet/write/database_creator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>

#include "db/jet/format/byte_reader.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "platform/file.h"
#include "platform/interrupt.h"
#include "platform/path_text.h"

namespace jet {
namespace {

inline constexpr int32_t kRootId = 0x0F000000;  // parent of the containers
inline constexpr int32_t kTablesId = 0x0F000001;
inline constexpr int32_t kDatabasesId = 0x0F000002;
inline constexpr int32_t kRelationshipsId = 0x0F000003;
inline constexpr int32_t kDatabaseObjectId = 0x10000000;  // MSysDb
inline constexpr int32_t kSystemObject = INT32_MIN;       // Flags 0x80000000
inline constexpr int16_t kTypeTable = 1;
inline constexpr int16_t kTypeDatabase = 2;
inline constexpr int16_t kTypeContainer = 3;
inline constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as an Access date
// Pages a database in memory caches: a miss costs a copy from memory, so a
// few suffice, and many would double the memory a large file takes.
inline constexpr size_t kMemoryCachePages = 256;

// The fixed opening of the masked region, the same in every file seen.
inline constexpr uint8_t kObscuredOpening[24] = {
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
// Bytes 0x98..0x9F, in the clear, the same in every file seen.
inline constexpr size_t kVersionTextOffset = 0x98;
inline constexpr uint8_t kVersionText[8] = {0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};

// The SIDs Jet writes into a database it creates, as owners and in the
// access rows: the engine's, the admins' and the users' groups.
const Bytes kEngineSid{0xA7, 0x31};
const Bytes kAdminsSid{0xA6, 0x33};
const Bytes kUsersSid{0xA7, 0x33};
const Bytes kCreatorSid{0xA7, 0x36};

double Now() {
  return kUnixEpochDays + std::chrono::duration<double>(
                              std::chrono::system_clock::now().time_since_epoch())
                                  .count() / 86400.0;
}

Page HeaderPage(const NewDatabaseOptions& options, double created) {
  Page page;
  page.number = 0;
  uint8_t* p = page.bytes.data();
  std::memcpy(p + format::kMagicOffset, format::kMagic, sizeof format::kMagic);
  std::memcpy(p + format::kSignatureOffset, format::kJetSignature, format::kSignatureSize);
  p[format::kVersionOffset] = format::kVersionJet4;
  std::memcpy(p + format::kObscuredOffset, kObscuredOpening, sizeof kObscuredOpening);
  StoreU16(p + format::kCodePageOffset, options.code_page);
  StoreU32(p + format::kDatabaseKeyOffset, 0);
  // No password: the password field holds its mask, the whole days of the
  // creation date repeated.
  uint32_t mask = static_cast<uint32_t>(static_cast<int32_t>(std::floor(created)));
  for (size_t i = 0; i < format::kPasswordSize; i += 4) {
    StoreU32(p + format::kPasswordOffset + i, mask);
  }
  StoreU16(p + format::kSortOrderOffset, options.sort_order);
  uint64_t date_bits = 0;
  std::memcpy(&date_bits, &created, sizeof created);
  for (size_t i = 0; i < 8; ++i) {
    p[format::kCreationDateOffset + i] = static_cast<uint8_t>(date_bits >> (8 * i));
  }
  for (size_t i = 0; i < format::kObscuredSize; ++i) {
    p[format::kObscuredOffset + i] ^= format::kHeaderKeystream[i];
  }
  std::memcpy(p + kVersionTextOffset, kVersionText, sizeof kVersionText);
  return page;
}

// Page 1: a data page holding the global map (every page free but the
// first `used`) and an empty second row, as Jet writes it.
Page GlobalMapPage(uint32_t used) {
  Page page;
  page.number = format::kGlobalMapPage;
  FormatDataPage(page, format::kGlobalMapPage);
  std::vector<uint8_t> map(format::kMapInlineRowSize, 0xFF);
  map[format::kMapTypeOffset] = format::kMapInline;
  StoreU32(&map[format::kMapStartPageOffset], 0);
  for (uint32_t k = 0; k < used; ++k) {
    map[format::kMapInlineBitmapOffset + k / 8] &= static_cast<uint8_t>(~(1u << (k % 8)));
  }
  AppendRow(page, map, 0);
  AppendRow(page, std::vector<uint8_t>(format::kMapInlineRowSize, 0), 0);
  return page;
}

ColumnSpec Spec(const char16_t* name, ColumnKind kind, uint16_t size = 0) {
  ColumnSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.size = size;
  return spec;
}

// MSysObjects as Jet defines it: its variable columns take their slots in
// column order, long values included.
TableDef CatalogDefinition() {
  using K = ColumnKind;
  TableDef table = DefineTable(
      u"MSysObjects",
      {Spec(u"Id", K::kLong), Spec(u"ParentId", K::kLong), Spec(u"Name", K::kText, 255),
       Spec(u"Type", K::kInteger), Spec(u"DateCreate", K::kDateTime),
       Spec(u"DateUpdate", K::kDateTime), Spec(u"Owner", K::kBinary, 510),
       Spec(u"Flags", K::kLong), Spec(u"Database", K::kMemo), Spec(u"Connect", K::kMemo),
       Spec(u"ForeignName", K::kText, 255), Spec(u"RmtInfoShort", K::kBinary, 510),
       Spec(u"RmtInfoLong", K::kOle), Spec(u"Lv", K::kOle), Spec(u"LvProp", K::kOle),
       Spec(u"LvModule", K::kOle), Spec(u"LvExtra", K::kOle)},
      {IndexSpec{u"ParentIdName", {u"ParentId", u"Name"}, false, true},
       IndexSpec{u"Id", {u"Id"}, true, true}});
  uint16_t slot = 0;
  for (Column& c : table.columns) {
    if (!c.fixed) c.var_index = slot++;
  }
  // Jet keeps the catalog's keys required only by their uniqueness.
  for (Index& index : table.indexes) index.required = false;
  table.system = true;
  return table;
}

class CatalogRows {
 public:
  CatalogRows(Writer& writer, std::shared_ptr<const TableDef> catalog, double now)
      : writer_(writer), catalog_(std::move(catalog)), now_(now) {}

  void Add(int32_t id, int32_t parent, const char16_t* name, int16_t type,
           const Bytes& owner) {
    const TableDef& t = *catalog_;
    writer_.InsertRow(catalog_, {{t.ColumnIndex(u"Id"), id},
                                 {t.ColumnIndex(u"ParentId"), parent},
                                 {t.ColumnIndex(u"Name"), std::u16string(name)},
                                 {t.ColumnIndex(u"Type"), type},
                                 {t.ColumnIndex(u"DateCreate"), DateTime{now_}},
                                 {t.ColumnIndex(u"DateUpdate"), DateTime{now_}},
                                 {t.ColumnIndex(u"Owner"), owner},
                                 {t.ColumnIndex(u"Flags"), kSystemObject}});
  }

 private:
  Writer& writer_;
  std::shared_ptr<const TableDef> catalog_;
  double now_;
};

void CreateSystemTables(Database& db, Writer& writer) {
  using K = ColumnKind;
  writer.Begin();
  CreateTable(db, writer, u"MSysACEs",
              {Spec(u"ObjectId", K::kLong), Spec(u"SID", K::kBinary, 510),
               Spec(u"ACM", K::kLong), Spec(u"FInheritable", K::kBoolean)},
              {IndexSpec{u"ObjectId", {u"ObjectId"}}}, true);
  CreateTable(db, writer, u"MSysQueries",
              {Spec(u"ObjectId", K::kLong), Spec(u"Attribute", K::kByte),
               Spec(u"Order", K::kBinary, 510), Spec(u"Name1", K::kText, 255),
               Spec(u"Name2", K::kText, 255), Spec(u"Expression", K::kMemo),
               Spec(u"Flag", K::kInteger), Spec(u"LvExtra", K::kLong)},
              {IndexSpec{u"ObjectIdAttribute", {u"ObjectId", u"Attribute", u"Order"}, true,
                         true}},
              true);
  CreateTable(db, writer, u"MSysRelationships",
              {Spec(u"szRelationship", K::kText, 255), Spec(u"grbit", K::kLong),
               Spec(u"ccolumn", K::kLong), Spec(u"icolumn", K::kLong),
               Spec(u"szObject", K::kText, 255), Spec(u"szColumn", K::kText, 255),
               Spec(u"szReferencedObject", K::kText, 255),
               Spec(u"szReferencedColumn", K::kText, 255)},
              {IndexSpec{u"szRelationship", {u"szRelationship"}},
               IndexSpec{u"szObject", {u"szObject"}},
               IndexSpec{u"szReferencedObject", {u"szReferencedObject"}}},
              true);
  writer.Commit();
}

// The access rows Jet gives the containers and MSysDb (ACM rights masks as
// Jet writes them; new tables take theirs from the "Tables" rows).
void AddAccessRows(Database& db, Writer& writer) {
  auto aces = db.GetTable(u"MSysACEs", true);
  size_t object = aces->ColumnIndex(u"ObjectId");
  size_t sid = aces->ColumnIndex(u"SID");
  size_t acm = aces->ColumnIndex(u"ACM");
  size_t inheritable = aces->ColumnIndex(u"FInheritable");
  struct Ace {
    int32_t object;
    const Bytes* sid;
    int32_t rights;
    bool inheritable;
  };
  const Ace rows[] = {
      {kTablesId, &kCreatorSid, 983294, true},     {kTablesId, &kAdminsSid, 1048319, true},
      {kTablesId, &kUsersSid, 1048319, true},      {kDatabasesId, &kAdminsSid, 393216, false},
      {kRelationshipsId, &kCreatorSid, 983294, true},
      {kRelationshipsId, &kAdminsSid, 393217, false},
      {kRelationshipsId, &kUsersSid, 1048575, true},
      {kDatabaseObjectId, &kAdminsSid, 393230, false},
      {kDatabaseObjectId, &kUsersSid, 14, false},
  };
  writer.Begin();
  for (const Ace& row : rows) {
    writer.InsertRow(aces, {{object, row.object}, {sid, *row.sid}, {acm, row.rights},
                            {inheritable, row.inheritable}});
  }
  writer.Commit();
}

[[noreturn]] void RaiseWriteFailure(const std::filesystem::path& path, int error) {
  RaiseIoError(platform::Utf8Of(path), "writing", error);
}

}  // namespace

std::unique_ptr<Database> NewMemoryDatabase(const NewDatabaseOptions& options) {
  double created = options.created != 0 ? options.created : Now();
  std::vector<uint8_t> bytes;
  bytes.reserve(std::max<size_t>(options.expected_size, 3 * format::kPageSize));
  bytes.resize(3 * format::kPageSize, 0);
  Page header = HeaderPage(options, created);
  Page map = GlobalMapPage(3);
  std::copy(header.bytes.begin(), header.bytes.end(), bytes.begin());
  std::copy(map.bytes.begin(), map.bytes.end(), bytes.begin() + format::kPageSize);
  uint8_t* placeholder = bytes.data() + format::kCatalogTdefPage * format::kPageSize;
  placeholder[format::kPageTypeOffset] = format::kPageTdef;
  placeholder[format::kPageTypeOffset + 1] = format::kPageMarker;

  auto file = std::make_unique<JournaledFile>(
      std::make_unique<MemoryPageFile>(std::move(bytes), true, "new database"),
      std::filesystem::path{}, std::filesystem::path{});
  auto db = std::make_unique<Database>(std::move(file), kMemoryCachePages);

  TableDef catalog = CatalogDefinition();
  PlaceNewTable(db->pages(), catalog, format::kCatalogTdefPage);
  auto catalog_def = std::make_shared<const TableDef>(std::move(catalog));

  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  CatalogRows rows(writer, catalog_def, created);
  rows.Add(kTablesId, kRootId, u"Tables", kTypeContainer, kEngineSid);
  rows.Add(kDatabasesId, kRootId, u"Databases", kTypeContainer, kEngineSid);
  rows.Add(kRelationshipsId, kRootId, u"Relationships", kTypeContainer, kEngineSid);
  rows.Add(kDatabaseObjectId, kDatabasesId, u"MSysDb", kTypeDatabase, kAdminsSid);
  rows.Add(static_cast<int32_t>(format::kCatalogTdefPage), kTablesId, u"MSysObjects", kTypeTable,
           kEngineSid);
  writer.Commit();
  CreateSystemTables(*db, writer);
  AddAccessRows(*db, writer);
  return db;
}

std::unique_ptr<Database> LoadDatabaseIntoMemory(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  {
    auto source = Database::Open(path, OpenMode::kReadOnly);
    ReadLock lock(*source);  // the bytes of one committed state
    bytes = DatabaseBytes(*source);
  }
  auto file = std::make_unique<JournaledFile>(
      std::make_unique<MemoryPageFile>(std::move(bytes), true, platform::Utf8Of(path)),
      std::filesystem::path{}, std::filesystem::path{});
  return std::make_unique<Database>(std::move(file), kMemoryCachePages);
}

std::vector<uint8_t> DatabaseBytes(Database& db) {
  PageFile& file = db.file();
  std::vector<uint8_t> bytes(file.Size());
  size_t got = file.ReadAt(0, bytes.data(), bytes.size());
  if (got != bytes.size()) RaiseIoError(db.Name(), "reading", EIO);
  return bytes;
}

std::vector<uint8_t> NewDatabaseImage(const NewDatabaseOptions& options) {
  return DatabaseBytes(*NewMemoryDatabase(options));
}

namespace {

// Writes the file at `path` as SaveDatabaseImage says, its content put into
// the temporary file by `write` (which raises std::system_error when writing
// fails, or jet::Error).
template <typename Write>
void SaveWith(const std::filesystem::path& path, bool replace, Write write) {
  std::error_code ec;
  if (!replace && std::filesystem::exists(path, ec)) {
    RaiseInvalidArgument(platform::Utf8Of(path) + " exists already");
  }
  // Through a link, the file it names is replaced and the link stays.
  const std::filesystem::path target = platform::FollowLinks(path);
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  if (!std::filesystem::is_directory(folder, ec)) {
    RaiseIoError(platform::Utf8Of(folder), "writing",
                 std::filesystem::exists(folder, ec) ? ENOTDIR : ENOENT);
  }
  RemoveLeftTemporaries(target);
  const std::filesystem::path temporary = TemporaryPathFor(target, platform::ProcessId());
  platform::RemovedOnInterrupt removed_on_interrupt(temporary);
  try {
    platform::File file = platform::File::Open(temporary, platform::Access::kReadWrite,
                                               platform::Creation::kCreateOrTruncate);
    try {
      if (replace) platform::CopyOwnerAndMode(target, file);
      write(file);
      file.Sync();
      file.Close();
    } catch (const std::system_error& e) {
      std::filesystem::remove(temporary, ec);
      RaiseWriteFailure(path, e.code().value());
    } catch (const Error&) {
      std::filesystem::remove(temporary, ec);
      throw;
    }
  } catch (const std::system_error& e) {
    RaiseWriteFailure(temporary, e.code().value());
  }
  try {
    if (!replace) {
      // A file made meanwhile under the name is never replaced.
      if (!platform::MoveIfAbsent(temporary, target)) {
        RaiseInvalidArgument(platform::Utf8Of(path) + " exists already");
      }
    } else {
      platform::ReplaceFile(temporary, target);
    }
  } catch (const std::system_error& e) {
    std::filesystem::remove(temporary, ec);
    RaiseWriteFailure(path, e.code().value());
  }
  // The new name must reach the disk too.
  platform::SyncFolderOf(target);
}

}  // namespace

void SaveDatabaseImage(const std::vector<uint8_t>& bytes, const std::filesystem::path& path,
                       bool replace) {
  SaveWith(path, replace,
           [&](platform::File& file) { file.WriteAt(0, bytes.data(), bytes.size()); });
}

void SaveDatabase(Database& db, const std::filesystem::path& path, bool replace) {
  SaveWith(path, replace, [&](platform::File& file) {
    constexpr size_t kPiece = size_t{1} << 20;
    PageFile& source = db.file();
    const uint64_t size = source.Size();
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<uint64_t>(size, kPiece)));
    for (uint64_t at = 0; at < size;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(size - at, kPiece));
      if (source.ReadAt(at, piece.data(), n) != n) RaiseIoError(db.Name(), "reading", EIO);
      file.WriteAt(at, piece.data(), n);
      at += n;
    }
  });
}

std::filesystem::path TemporaryPathFor(const std::filesystem::path& database, uint64_t pid) {
  std::filesystem::path temporary = database;
  temporary += kTemporarySuffix + std::to_string(pid);
  return temporary;
}

size_t RemoveLeftTemporaries(const std::filesystem::path& database) {
  using Text = std::filesystem::path::string_type;
  const Text prefix =
      database.filename().native() + std::filesystem::path(kTemporarySuffix).native();
  const std::filesystem::path folder =
      database.parent_path().empty() ? std::filesystem::path(".") : database.parent_path();
  size_t removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const Text name = it->path().filename().native();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    // The process id: at most 19 digits, so that it fits.
    uint64_t pid = 0;
    bool digits = name.size() - prefix.size() <= 19;
    for (size_t i = prefix.size(); digits && i < name.size(); ++i) {
      digits = name[i] >= '0' && name[i] <= '9';
      pid = pid * 10 + static_cast<uint64_t>(name[i] - '0');
    }
    if (!digits || pid == platform::ProcessId() || platform::ProcessRunning(pid)) continue;
    std::error_code removing;
    if (std::filesystem::remove(it->path(), removing)) ++removed;
  }
  return removed;
}

void CreateDatabase(const std::filesystem::path& path, const NewDatabaseOptions& options) {
  SaveDatabaseImage(NewDatabaseImage(options), path, false);
}

}  // namespace jet
