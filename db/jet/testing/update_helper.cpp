// A test tool: the maintenance run over numindex (every 7-character head
// replaced by its stored form), in batches. The crash test kills it at
// random moments; run by hand it reports how long the run took.
// Usage: jet_update_helper FILE BATCH SYNC(0|1) [report]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/read/database.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/writer.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FILE BATCH SYNC [report]\n", argv[0]);
    return 2;
  }
  size_t batch = std::strtoul(argv[2], nullptr, 10);
  bool report = argc > 4;
  try {
    auto start = std::chrono::steady_clock::now();
    auto db = jet::Database::Open(argv[1], jet::OpenMode::kReadWrite);
    // Several helpers at once may each wait for the others' whole runs.
    db->SetBusyTimeout(std::chrono::seconds(60));
    jet::Writer writer(*db, jet::WriterOptions{.sync = argv[3][0] == '1'});
    auto table = db->GetTable(u"numindex");
    size_t head = table->ColumnIndex(u"numhead");
    jet::RowCursor cursor = db->Scan(table);
    std::u16string text;
    size_t done = 0;
    while (cursor.Next()) {
      if (!cursor.row().GetText(head, text) || text.size() != 7) continue;
      std::u16string stored = base::Utf8ToUtf16(
          codec::EncodeNumberHead(base::Utf16ToUtf8(text)));
      if (stored.size() > table->columns[head].Size()) continue;
      if (batch > 0 && done % batch == 0) {
        if (writer.InBatch()) writer.Commit();
        writer.Begin();
      }
      writer.UpdateRow(table, cursor.row().location(), {{head, stored}});
      ++done;
    }
    if (writer.InBatch()) writer.Commit();
    if (report) {
      double seconds = std::chrono::duration<double>(
                           std::chrono::steady_clock::now() - start).count();
      auto* file = dynamic_cast<jet::JournaledFile*>(&db->file());
      std::printf("%zu rows in %.3f s, %.3f s in fsync\n", done, seconds,
                  file ? file->sync_ns() / 1e9 : 0.0);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
