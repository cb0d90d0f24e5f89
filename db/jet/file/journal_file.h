// What journal.cpp and journal_lock.cpp share: reading a journal, and the
// stamping of the file after a change.
#ifndef DB_JET_FILE_JOURNAL_FILE_H_
#define DB_JET_FILE_JOURNAL_FILE_H_

#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

namespace jet {

struct JournalContents {
  uint64_t file_size = 0;
  std::vector<std::pair<uint32_t, const uint8_t*>> pages;  // into `bytes`
  std::vector<uint8_t> bytes;
};

// Reads the journal at `path`; false when it is incomplete (its writer
// died before it was whole, so the file was not touched). Raises kIo.
bool ReadJournal(const std::filesystem::path& path, JournalContents& out);

// Gives the file at `path` a modification time later than `before` (its
// time when the batch began) and than its time now, and reads it back,
// stepping by whole seconds where the file system keeps coarser times:
// every change leaves a stamp no earlier state had, even two commits within
// one tick of the system's file clock, so that a reader's cache check
// (Database::RefreshIfChanged) can rely on it. Raises kIo.
void AdvanceModificationTime(const std::filesystem::path& path, int64_t before);

}  // namespace jet

#endif  // DB_JET_FILE_JOURNAL_FILE_H_
