// Test helper: merges an import input into a database, as attrdb import
// --merge does; the crash tests kill it part way.
//   merge_helper SOURCE DB PRUNE(0|1)
#include <cstdio>
#include <exception>
#include <string>

#include "attribution/import_data.h"
#include "attribution/import_merge.h"
#include "db/jet/read/database.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  try {
    attribution::AttributionData data = attribution::ReadImportInput(argv[1]);
    auto db = jet::Database::Open(argv[2], jet::OpenMode::kReadWrite);
    attribution::MergeInto(*db, data, {.prune = std::string(argv[3]) == "1"});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "merge_helper: %s\n", e.what());
    return 1;
  }
  return 0;
}
