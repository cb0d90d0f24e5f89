// Bulk number-head encoding: every head still stored as seven plain bytes is
// replaced, row by row, by its scrambled 21-digit form.
#include <chrono>
#include <string>

#include "base/exceptions.h"
#include "codec/number_head.h"
#include "commands/busy.h"
#include "commands/commands.h"
#include "commands/statement.h"

namespace commands {
namespace {

constexpr size_t kPlainHeadBytes = 7;
constexpr int kStoredHeadChars = 21;
// Posted rows reach the file together at a progress step once this much
// time has passed since they last did, and always at the end.
constexpr auto kWriteInterval = std::chrono::milliseconds(250);

// A stored head cut to a narrower column no longer decodes: refuse the
// whole run before anything is written.
void RequireRoomForStoredHeads(const db::TADOQuery& query) {
  const int size = query.FieldSize("numhead");
  if (size > 0 && size < kStoredHeadChars) {
    base::RaiseDatabaseError(
        "Column numhead of table numindex holds at most " + std::to_string(size) +
        " characters, but a scrambled number head needs " +
        std::to_string(kStoredHeadChars) + ". Nothing was changed");
  }
}

// Groups the posted rows into larger writes of the file; on the way out,
// also by an error, the rows posted so far are written.
class PostGroup {
 public:
  explicit PostGroup(db::TADOQuery& query) : query_(query) { query_.BeginBatch(); }
  ~PostGroup() {
    if (open_) query_.EndBatch(/*quiet=*/true);
  }
  PostGroup(const PostGroup&) = delete;
  PostGroup& operator=(const PostGroup&) = delete;

  void WriteIfDue() {
    auto now = std::chrono::steady_clock::now();
    if (now - last_write_ < kWriteInterval) return;
    query_.FlushBatch();
    last_write_ = now;
  }
  void End() {
    open_ = false;
    query_.EndBatch();
  }

 private:
  db::TADOQuery& query_;
  bool open_ = true;
  std::chrono::steady_clock::time_point last_write_ = std::chrono::steady_clock::now();
};

}  // namespace

int Button3Click(db::TADOQuery& query, TextControl& edit1, Shell& shell) {
  if (CommandsBusy()) return 0;
  BusyScope busy(shell);
  RunStatement(query, "select * from numindex");
  RequireRoomForStoredHeads(query);
  PostGroup group(query);
  int counter = 0;
  int changed = 0;
  while (!query.AtEnd()) {
    const std::string head = query.FieldText("numhead");
    if (++counter == kRowsPerDrain) {
      counter = 0;
      edit1.SetText(head);
      group.WriteIfDue();
      shell.DrainPendingEvents();
    }
    if (head.size() == kPlainHeadBytes) {
      query.Edit();
      query.SetFieldText("numhead", codec::EncodeNumberHead(head));
      query.Post();
      ++changed;
    }
    query.Next();
  }
  group.End();
  return changed;
}

}  // namespace commands
