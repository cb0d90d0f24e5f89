// Whole-file work on a database at rest: the full check of a file (its
// structure, every row of every table, a journal left beside it) and the
// roll-back of a change a crashed writer left half done.
#ifndef DB_JET_WRITE_FILE_CHECK_H_
#define DB_JET_WRITE_FILE_CHECK_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/file/journal.h"

namespace jet {

struct FileCheck {
  // One line per problem, empty when the file is sound: those of
  // CheckDatabase, then any table (system tables included) whose rows
  // cannot all be read and decoded, long values followed to their end.
  std::vector<std::string> problems;
  // The journal an interrupted change left beside the file, if any.
  std::optional<JournalReport> journal;
};

// Checks the database at `path` in one committed state (under its read
// lock). Raises jet::Error when the file cannot be opened at all.
FileCheck CheckDatabaseFile(const std::filesystem::path& path);

// Rolls back the journal a writer killed mid-change left beside `path`
// and returns what the journal held; nullopt when there was none (the file
// is still opened, so that one that is no database raises). Raises kBusy
// "<path>: its journal belongs to a writer still at work; nothing done"
// when a live writer holds it.
std::optional<JournalReport> RecoverJournal(const std::filesystem::path& path);

}  // namespace jet

#endif  // DB_JET_WRITE_FILE_CHECK_H_
