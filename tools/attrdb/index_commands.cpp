// attrdb index add: a new index on a table of an existing database, built
// from its rows in one journaled batch.
#include <cstdio>
#include <memory>
#include <string>

#include "base/utf.h"
#include "db/jet/read/database.h"
#include "db/jet/format/error.h"
#include "db/jet/write/index_adder.h"
#include "db/jet/write/writer.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"
#include "platform/path_text.h"

namespace attrdb {
namespace {

struct IndexOptions {
  std::string file;
  std::string table;
  std::string column;
  std::string name;  // empty: the column's name
  bool unique = false;
};

void AddIndex(const IndexOptions& o) {
  auto db = jet::Database::Open(platform::PathFromUtf8(o.file), jet::OpenMode::kReadWrite);
  jet::Writer writer(*db);
  jet::IndexSpec spec;
  spec.columns.push_back(base::Utf8ToUtf16(o.column));
  spec.name = base::Utf8ToUtf16(o.name.empty() ? o.column : o.name);
  spec.unique = o.unique;
  writer.Begin();
  size_t entries = 0;
  auto table = jet::AddIndex(*db, writer, base::Utf8ToUtf16(o.table), spec, &entries);
  writer.Commit();
  std::string line = "added index ";
  base::AppendUtf8(spec.name, line);
  line += " on ";
  base::AppendUtf8(table->name, line);
  line += "(";
  base::AppendUtf8(table->columns[*table->FindColumn(spec.columns[0])].name, line);
  line += "): " + std::to_string(entries) + " entries\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

void AddIndexCommands(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<IndexOptions>();
  auto arguments = std::make_shared<DatabaseArguments>();
  CLI::App* index = app.add_subcommand("index", "Change the indexes of a table");
  index->require_subcommand(1);
  CLI::App* add = index->add_subcommand(
      "add", "Add an index on one column, with an entry for every row");
  AddDatabaseArguments(*add, *arguments, "[FILE] TABLE COLUMN",
                       "Database file, then the table and the column to index");
  add->add_option("--name", o->name, "Index name (default: the column's name)");
  add->add_flag("--unique", o->unique, "Refuse two rows with one value");
  add->callback([o, arguments, &exit_code] {
    const DatabaseWords split = ResolveDatabase(*arguments, 2, 2);
    o->file = split.database;
    o->table = split.rest[0];
    o->column = split.rest[1];
    exit_code = Guarded([&] {
      AddIndex(*o);
      return kExitOk;
    });
  });
}

}  // namespace attrdb
