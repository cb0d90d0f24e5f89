// The structural check of a database file, as attrdb check reports it.
#include "tools/attrdb/check_command.h"

#include <memory>
#include <optional>

#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/read/database.h"
#include "db/jet/format/error.h"

namespace attrdb {
namespace {

// Reads every column of every row of `name`; the first failure is a problem.
void ReadEveryRow(jet::Database& db, const std::u16string& name, bool system,
                  std::vector<std::string>& problems) {
  try {
    auto table = db.GetTable(name, system);
    jet::RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      for (size_t c = 0; c < table->columns.size(); ++c) (void)cursor.row().Get(c);
    }
  } catch (const jet::Error& e) {
    problems.push_back(base::Utf16ToUtf8(name) + ": rows cannot be read: " + e.what());
  }
}

}  // namespace

std::vector<std::string> CheckDatabaseFile(const std::filesystem::path& path) {
  std::vector<std::string> problems;
  std::unique_ptr<jet::Database> db;
  std::optional<jet::ReadLock> lock;  // one committed state throughout
  db = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  lock.emplace(*db);
  try {
    problems = jet::CheckDatabase(*db);
  } catch (const jet::Error& e) {
    problems.push_back(e.what());
  }
  try {
    for (const std::u16string& name : db->SystemTableNames()) {
      ReadEveryRow(*db, name, true, problems);
    }
    for (const std::u16string& name : db->TableNames()) ReadEveryRow(*db, name, false, problems);
  } catch (const jet::Error& e) {
    problems.push_back(std::string("catalog cannot be read: ") + e.what());
  }
  return problems;
}

}  // namespace attrdb
