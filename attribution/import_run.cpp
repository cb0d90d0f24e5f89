// An import into a database file, replacing or merging.
#include "attribution/import_run.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "db/jet/format/error.h"
#include "db/jet/read/database.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/writer.h"
#include "platform/path_text.h"

namespace attribution {
namespace {

// `e` with its message naming the database `to`, once.
jet::Error NamingFile(const std::string& to, const jet::Error& e) {
  const std::string what = e.what();
  return jet::Error(e.kind(), what.starts_with(to + ":") ? what : to + ": " + what);
}

// The folder a new database goes into must be there before any work.
void RequireFolderOf(const std::string& to) {
  const std::filesystem::path target = platform::PathFromUtf8(to);
  std::error_code error;
  if (std::filesystem::is_directory(target, error)) {
    throw jet::Error(jet::ErrorKind::kInvalidArgument, to + ": is a folder, not a database file");
  }
  const std::filesystem::path folder = target.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    throw jet::Error(jet::ErrorKind::kInvalidArgument,
                     platform::Utf8Of(folder) + ": no such folder");
  }
}

bool PrunesTooMuch(const MergePlan& plan) {
  return plan.head_deletes.size() >
         static_cast<size_t>(std::floor(kMostPrunedShare * plan.HeadsBefore()));
}

void Replace(const std::string& to, const ImportRunOptions& options, ImportRun& run) {
  const std::filesystem::path path = platform::PathFromUtf8(to);
  std::unique_ptr<jet::Database> old;
  std::optional<jet::Writer> lock;
  if (std::filesystem::exists(path)) {
    // Opening read-write rolls back a journal a crashed writer left, which
    // would otherwise be played onto the new file; the write lock, held
    // until the new file stands in its place, keeps other writers out.
    old = jet::Database::Open(path, jet::OpenMode::kReadWrite, 64);
    lock.emplace(*old, jet::WriterOptions{.sync = false});
    lock->Begin();
  }
  bool indexes = options.indexes;
  std::unique_ptr<jet::Database> base;
  if (old && !HoldsOnlyImportTables(*old, indexes)) base = jet::LoadDatabaseIntoMemory(path);
  std::unique_ptr<jet::Database> built;
  try {
    built = BuildAttributionDatabase(
        run.data, options.plain, options.progress, std::move(base),
        {.indexes = indexes, .indexes_left_out = &run.indexes_left_out});
  } catch (const jet::Error& e) {
    throw NamingFile(to, e);
  }
  jet::SaveDatabase(*built, path, old != nullptr);
  if (lock) lock->Rollback();
}

void Merge(const std::string& to, const ImportRunOptions& options, ImportRun& run) {
  const std::filesystem::path path = platform::PathFromUtf8(to);
  if (!std::filesystem::exists(path)) {
    throw jet::Error(jet::ErrorKind::kInvalidArgument,
                     to + ": no such database to merge into (import without --merge makes one)");
  }
  auto db = jet::Database::Open(
      path, options.dry_run ? jet::OpenMode::kReadOnly : jet::OpenMode::kReadWrite);
  const auto refuse_large_prune = [&options](const MergePlan& plan) {
    if (options.force || !PrunesTooMuch(plan)) return;
    throw jet::Error(jet::ErrorKind::kInvalidArgument,
                     "the merge would remove " + std::to_string(plan.head_deletes.size()) +
                         " of the " + std::to_string(plan.HeadsBefore()) +
                         " heads, more than a tenth (is " + options.source_name +
                         " a whole release?); give --force to remove them");
  };
  try {
    run.plan = MergeInto(
        *db, run.data,
        {.prune = options.prune, .force_plain = options.plain,
         .before_writing = refuse_large_prune},
        !options.dry_run);
  } catch (const jet::Error& e) {
    throw NamingFile(to, e);
  }
  run.needs_force = !options.force && PrunesTooMuch(run.plan);
}

}  // namespace

ImportRun ImportIntoFile(const std::string& to,
                         const std::function<AttributionData()>& read_source,
                         const ImportRunOptions& options) {
  ImportRun run;
  if (!options.merge) RequireFolderOf(to);
  run.data = read_source();
  if (options.merge) {
    Merge(to, options, run);
  } else {
    Replace(to, options, run);
  }
  return run;
}

}  // namespace attribution
