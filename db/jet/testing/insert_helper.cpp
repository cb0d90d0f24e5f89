// A test tool: appends rows to the table "rows" (id LONG primary key, text
// TEXT(40), note MEMO) until it holds COUNT, in batches, carrying on from the
// rows the file holds as each batch begins. The crash test kills it at
// random moments, and runs several at once.
// Usage: jet_insert_helper FILE BATCH SYNC(0|1) COUNT
#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "db/jet/testing/crash_rows.h"
#include "db/jet/read/database.h"
#include "db/jet/write/writer.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s FILE BATCH SYNC COUNT\n", argv[0]);
    return 2;
  }
  const long batch = std::max(1L, std::strtol(argv[2], nullptr, 10));
  const long count = std::strtol(argv[4], nullptr, 10);
  try {
    auto db = jet::Database::Open(argv[1], jet::OpenMode::kReadWrite);
    // Several helpers at once may each wait for the others' whole runs.
    db->SetBusyTimeout(std::chrono::seconds(60));
    jet::Writer writer(*db, jet::WriterOptions{.sync = argv[3][0] == '1'});
    while (true) {
      // Each batch carries on from the rows the file holds when it begins,
      // so that several helpers at once share the work.
      writer.Begin();
      auto table = db->GetTable(u"rows");
      auto next = static_cast<int32_t>(table->row_count);
      if (next >= count) {
        writer.Rollback();
        break;
      }
      for (long k = 0; k < batch && next < count; ++k, ++next) {
        jet::ColumnChanges values{{0, next}, {1, jet::testing::CrashRowText(next)}};
        if (next % 3 == 0) values.emplace_back(2, jet::testing::CrashRowNote(next));
        writer.InsertRow(table, values);
      }
      writer.Commit();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
