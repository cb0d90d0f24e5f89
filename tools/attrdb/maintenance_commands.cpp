// attrdb encode-all: the bulk number-head encoding of the window's hidden
// maintenance button, from the command line, with a progress bar on a
// terminal and the number of rows changed at the end.
#include <cstdio>
#include <memory>
#include <string>

#include "base/gbk.h"
#include "base/utf.h"
#include "commands/commands.h"
#include "db/connection.h"
#include "db/query.h"
#include "tools/attrdb/progress_bar.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

// The progress box of the window: ignored; progress is shown by the shell.
class IgnoredText : public commands::TextControl {
 public:
  std::string Text() const override { return {}; }
  void SetText(std::string_view) override {}
};

// Shows how far the walk has come on a terminal.
class ProgressShell : public commands::Shell {
 public:
  explicit ProgressShell(const db::TADOQuery& query) : query_(query), bar_("rows") {}

  void ShowNotice(std::string_view text) override {
    const std::string line = base::Utf16ToUtf8(base::GbkToUtf16(text)) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  // Called once every kRowsPerDrain rows.
  void DrainPendingEvents() override {
    rows_ += commands::kRowsPerDrain;
    bar_.Show(rows_, query_.Active() ? query_.RowCount() : 0);
  }
  void Finish() { bar_.Finish(); }

 private:
  const db::TADOQuery& query_;
  ProgressBar bar_;
  int rows_ = 0;
};

int EncodeAll(const std::string& file) {
  db::TADOConnection connection;
  connection.SetDataSource(file);
  db::TADOQuery query(connection);
  query.SetParamCheck(false);
  IgnoredText progress_box;
  ProgressShell shell(query);
  const int changed = commands::Button3Click(query, progress_box, shell);
  shell.Finish();
  query.Close();
  std::printf("%d rows changed\n", changed);
  return kExitOk;
}

}  // namespace

void AddMaintenanceCommands(CLI::App& app, int& exit_code) {
  auto arguments = std::make_shared<DatabaseArguments>();
  CLI::App* encode_all = app.add_subcommand(
      "encode-all",
      "Scramble, in place, every number head still stored as seven plain digits");
  AddDatabaseArguments(*encode_all, *arguments, "[FILE]", "Database file");
  encode_all->callback([arguments, &exit_code] {
    const DatabaseWords split = ResolveDatabase(*arguments, 0, 0);
    exit_code = Guarded([&] { return EncodeAll(split.database); });
  });
}

}  // namespace attrdb
