// attrdb sql: runs one SELECT through the same connection and query cursor
// as the window, and prints the result as tab-separated UTF-8 lines.
#include <cstdio>
#include <memory>
#include <string>

#include "base/gbk.h"
#include "base/utf.h"
#include "db/connection.h"
#include "db/connection_state.h"
#include "db/query.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

// A GBK field text as UTF-8, with tabs and line breaks written as escapes
// so that each row stays on one line.
std::string Printable(const std::string& gbk) {
  std::string utf8 = base::Utf16ToUtf8(base::GbkToUtf16(gbk));
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

int RunStatement(const std::string& file, const std::string& statement, bool explain) {
  db::TADOConnection connection;
  connection.SetDataSource(file);
  db::TADOQuery query(connection);
  query.Close();
  query.SQL().Clear();
  query.SQL().Add(base::Utf16ToGbk(base::Utf8ToUtf16(statement)));
  query.Open();
  std::vector<std::string> names = query.FieldNames();
  std::string line;
  for (size_t i = 0; i < names.size(); ++i) {
    line += (i ? "\t" : "") + Printable(names[i]);
  }
  std::printf("%s\n", line.c_str());
  while (!query.AtEnd()) {
    line.clear();
    for (size_t i = 0; i < names.size(); ++i) {
      line += (i ? "\t" : "") + Printable(query.FieldText(names[i]));
    }
    std::printf("%s\n", line.c_str());
    query.Next();
  }
  std::printf("(%d rows)\n", query.RowCount());
  if (explain && connection.State() != nullptr) {
    std::fprintf(stderr, "plan: %s\n", connection.State()->session().LastPlan().c_str());
  }
  return kExitOk;
}

}  // namespace

void AddSqlCommands(CLI::App& app, int& exit_code) {
  auto arguments = std::make_shared<DatabaseArguments>();
  CLI::App* sql = app.add_subcommand(
      "sql", "Run one SELECT statement through the query cursor and print its rows");
  AddDatabaseArguments(*sql, *arguments, "[FILE] STATEMENT",
                       "Database file, then the statement, in UTF-8");
  auto explain = std::make_shared<bool>(false);
  sql->add_flag("--explain", *explain,
                "Also say on standard error how the rows were found: an index "
                "seek, the equality hash (one scan, then memory) or a scan");
  sql->callback([arguments, explain, &exit_code] {
    const DatabaseWords split = ResolveDatabase(*arguments, 1, 1);
    exit_code = Guarded(
        [&] { return RunStatement(split.database, split.rest[0], *explain); });
  });
}

}  // namespace attrdb
