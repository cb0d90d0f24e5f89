// The full check of a database file, and the roll-back of its journal.
#include "db/jet/write/file_check.h"

#include <memory>

#include "db/jet/format/error.h"
#include "db/jet/read/database.h"
#include "db/jet/write/checker.h"
#include "db/jet/write/writer.h"
#include "platform/path_text.h"

namespace jet {
namespace {

// Pages the check keeps cached: it passes over the file in order (a table's
// pages, then its rows once per index, each index's leaves), so a few
// suffice and memory stays small however large the file; read by system
// calls, since through a mapping every page read would stay resident.
constexpr size_t kCheckCachePages = 256;

// Reads every column of every row of `name`; the first failure is a problem.
void ReadEveryRow(Database& db, const std::u16string& name, bool system,
                  std::vector<std::string>& problems) {
  try {
    auto table = db.GetTable(name, system);
    RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      for (size_t c = 0; c < table->columns.size(); ++c) (void)cursor.row().Get(c);
    }
  } catch (const Error& e) {
    problems.push_back(NameForMessage(name) + ": rows cannot be read: " + e.what());
  }
}

}  // namespace

FileCheck CheckDatabaseFile(const std::filesystem::path& path) {
  FileCheck check;
  {
    std::unique_ptr<Database> db = Database::Open(path, OpenMode::kReadOnly,
                                                          kCheckCachePages, PageReads::kCalls);
    ReadLock lock(*db);  // one committed state throughout
    try {
      check.problems = CheckDatabase(*db);
    } catch (const Error& e) {
      check.problems.push_back(e.what());
    }
    try {
      for (const std::u16string& name : db->SystemTableNames()) {
        ReadEveryRow(*db, name, true, check.problems);
      }
      for (const std::u16string& name : db->TableNames()) {
        ReadEveryRow(*db, name, false, check.problems);
      }
    } catch (const Error& e) {
      check.problems.push_back(std::string("catalog cannot be read: ") + e.what());
    }
  }
  check.journal = DescribeJournal(path);
  return check;
}

std::optional<JournalReport> RecoverJournal(const std::filesystem::path& path) {
  const std::optional<JournalReport> journal = DescribeJournal(path);
  if (!journal) {
    Database::Open(path, OpenMode::kReadOnly);  // still checks that it is a database
    return std::nullopt;
  }
  {
    std::unique_ptr<Database> db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db);
    writer.Begin();  // rolls back the journal of a writer that is gone
    writer.Rollback();
  }
  if (DescribeJournal(path)) {
    throw Error(ErrorKind::kBusy, platform::Utf8Of(path) +
                                      ": its journal belongs to a writer still at work; "
                                      "nothing done");
  }
  return journal;
}

}  // namespace jet
