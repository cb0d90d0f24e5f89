// An import into a database file as one transaction: the file made or its
// three tables replaced (built whole in memory and renamed over the file,
// so that nobody sees it half written), or the file merged with the source
// in place (one journaled batch).
#ifndef ATTRIBUTION_IMPORT_RUN_H_
#define ATTRIBUTION_IMPORT_RUN_H_

#include <functional>
#include <string>
#include <vector>

#include "attribution/import_builder.h"
#include "attribution/import_data.h"
#include "attribution/import_merge.h"

namespace attribution {

// A prune that would remove more than this share of the heads needs
// `force`: a release cut short would otherwise empty the database.
inline constexpr double kMostPrunedShare = 0.1;

struct ImportRunOptions {
  // Bring the existing file to the source's content in place (MergeInto);
  // else make the file, or replace its three tables.
  bool merge = false;
  bool plain = false;    // store heads (with `merge`: new heads) as seven plain digits
  bool indexes = true;   // replace: the lookup indexes on tables made anew
  bool prune = false;    // merge: delete the heads the source lacks
  bool dry_run = false;  // merge: plan only, write nothing
  bool force = false;    // merge: prune even more than kMostPrunedShare of the heads
  std::string source_name = {};  // merge: the source, as a refused large prune names it
  ImportProgress progress = {};  // replace: the rows built so far
};

struct ImportRun {
  AttributionData data;  // the source as read
  // Merge: what was (with `dry_run`: would be) changed. It refers to the
  // rows of `data`, which move with it.
  MergePlan plan;
  // Replace: "table.column" of each index left out because the engine
  // cannot compute its keys for the data.
  std::vector<std::string> indexes_left_out;
  // Merge: the prune removes more than kMostPrunedShare of the heads and
  // `force` is not given (a dry run only; a real one is refused).
  bool needs_force = false;
};

// Imports the source that `read_source` reads into the database file `to`
// (UTF-8, as messages name it).
//
// Replace: refuses, before the source is read, a `to` that is a folder or
// whose folder is missing. An existing file is opened read-write first,
// which rolls back a journal a crashed writer left, and its write lock is
// held until the new file stands in its place. A file holding only what an
// import makes is built anew, compact; one holding more is copied into
// memory, its three tables emptied and refilled there, the rest kept.
//
// Merge: reads the source, then merges it into the existing file (opened
// read-only for a dry run); a prune of more than kMostPrunedShare of the
// heads is refused without `force`, before anything is written.
//
// Raises what `read_source` raises, and jet::Error naming `to` when the file
// is missing (merge), cannot be read or written, or cannot hold the data;
// the file is then as it was.
ImportRun ImportIntoFile(const std::string& to,
                         const std::function<AttributionData()>& read_source,
                         const ImportRunOptions& options);

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_RUN_H_
