// The open database: catalog and definitions read once and kept until the
// file changes.
#include "db/jet/read/database.h"

#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/file/journal.h"

namespace jet {

std::unique_ptr<Database> Database::Open(const std::filesystem::path& path,
                                         OpenMode mode, size_t cache_pages,
                                         PageReads reads) {
  return std::make_unique<Database>(OpenJournaledFile(path, mode, reads), cache_pages);
}

Database::Database(std::unique_ptr<PageFile> file, size_t cache_pages)
    : file_(std::move(file)), pages_(*file_, cache_pages) {
  file_->BeginRead();
  try {
    header_ = ReadHeader(*file_);
    pages_.Reset();
    stamp_ = file_->Stamp();
  } catch (...) {
    file_->EndRead();
    throw;
  }
  file_->EndRead();
}

ReadLock::ReadLock(Database& db) : db_(db) {
  bool view_changed = db_.file().BeginRead();
  try {
    changed_ = db_.RefreshIfChanged(view_changed);
  } catch (...) {
    db_.file().EndRead();
    throw;
  }
}

Database::~Database() = default;

const std::vector<CatalogEntry>& Database::Catalog() {
  if (!catalog_) catalog_ = ReadCatalog(pages_);
  return *catalog_;
}

std::vector<std::u16string> Database::TableNames() {
  std::vector<std::u16string> names;
  for (const CatalogEntry& e : Catalog()) {
    if (!e.system) names.push_back(e.name);
  }
  return names;
}

std::vector<std::u16string> Database::SystemTableNames() {
  std::vector<std::u16string> names;
  for (const CatalogEntry& e : Catalog()) {
    if (e.system) names.push_back(e.name);
  }
  return names;
}

std::shared_ptr<const TableDef> Database::FindTable(std::u16string_view name,
                                                    bool include_system) {
  for (const CatalogEntry& e : Catalog()) {
    if ((e.system && !include_system) || !NamesEqual(e.name, name)) continue;
    auto it = tables_.find(e.tdef_page);
    if (it != tables_.end()) return it->second;
    auto table = std::make_shared<TableDef>(
        ReadTableDef(pages_, e.tdef_page, e.name));
    table->system = e.system;
    tables_.emplace(e.tdef_page, table);
    return table;
  }
  return nullptr;
}

std::shared_ptr<const TableDef> Database::GetTable(std::u16string_view name,
                                                   bool include_system) {
  auto table = FindTable(name, include_system);
  if (!table) RaiseNoSuchTable(name);
  return table;
}

RowCursor Database::Scan(std::shared_ptr<const TableDef> table) {
  return RowCursor(pages_, std::move(table));
}

std::optional<Row> Database::ReadRow(const std::shared_ptr<const TableDef>& table,
                                     RowLocation location) {
  PageRef page;
  std::optional<HomeRow> home = FindHomeRow(pages_, table->tdef_page, location, page);
  if (!home) return std::nullopt;
  if (home->moved()) page = std::move(home->moved_page);
  return Row::Decode(table, &pages_, std::move(page), home->bytes, location);
}

bool Database::RefreshIfChanged(bool force) {
  FileStamp now = file_->Stamp();
  if (now == stamp_ && !force) return false;
  if (now.inode != stamp_.inode || now.device != stamp_.device) {
    file_->Reopen();
  }
  stamp_ = now;
  pages_.Reset();
  catalog_.reset();
  tables_.clear();
  return true;
}

}  // namespace jet
