// attrdb tables / schema / export: looking into a database file through our
// own engine, in the manner of the mdbtools commands.
#include <cstdio>
#include <memory>
#include <string>

#include "base/utf.h"
#include "db/jet/read/database.h"
#include "db/jet/format/error.h"
#include "tools/attrdb/csv_writer.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"
#include "platform/path_text.h"

namespace attrdb {
namespace {

struct JetOptions {
  std::string file;
  std::string table;
  bool system = false;
  std::string null_text;
};

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void ListTables(const JetOptions& o) {
  auto db = jet::Database::Open(platform::PathFromUtf8(o.file), jet::OpenMode::kReadOnly);
  jet::ReadLock lock(*db);
  std::string out;
  for (const auto& name : db->TableNames()) {
    base::AppendUtf8(name, out);
    out.push_back('\n');
  }
  if (o.system) {
    for (const auto& name : db->SystemTableNames()) {
      base::AppendUtf8(name, out);
      out.push_back('\n');
    }
  }
  Print(out);
}

std::string DescribeColumn(const jet::Column& c) {
  std::string s = jet::ColumnKindName(c.kind);
  if (c.kind == jet::ColumnKind::kText || c.kind == jet::ColumnKind::kBinary) {
    s += "(" + std::to_string(c.Size()) + ")";
  } else if (c.kind == jet::ColumnKind::kNumeric) {
    s += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  }
  if (c.compressed) s += " compressed";
  if (c.auto_number) s += " autonumber";
  if (!c.nullable) s += " not-null";
  return s;
}

std::string DescribeTable(const jet::TableDef& t) {
  std::string out = "TABLE ";
  base::AppendUtf8(t.name, out);
  out += " (" + std::to_string(t.row_count) + " rows)\n";
  for (const jet::Column& c : t.columns) {
    out += "  ";
    base::AppendUtf8(c.name, out);
    out += " " + DescribeColumn(c) + "\n";
  }
  for (const jet::Index& index : t.indexes) {
    out += "  INDEX ";
    base::AppendUtf8(index.name, out);
    out += " (";
    for (size_t i = 0; i < index.columns.size(); ++i) {
      if (i > 0) out += ", ";
      bool found = false;
      for (const jet::Column& c : t.columns) {
        if (c.number != index.columns[i].column_number) continue;
        base::AppendUtf8(c.name, out);
        found = true;
      }
      if (!found) out += "#" + std::to_string(index.columns[i].column_number);
      if (!index.columns[i].ascending) out += " DESC";
    }
    out += ")";
    if (index.primary_key) out += " primary-key";
    if (index.unique) out += " unique";
    if (index.foreign_key) out += " foreign-key";
    out += "\n";
  }
  return out;
}

void ShowSchema(const JetOptions& o) {
  auto db = jet::Database::Open(platform::PathFromUtf8(o.file), jet::OpenMode::kReadOnly);
  jet::ReadLock lock(*db);
  if (!o.table.empty()) {
    Print(DescribeTable(*db->GetTable(base::Utf8ToUtf16(o.table), true)));
    return;
  }
  std::string out;
  for (const auto& name : db->TableNames()) {
    if (!out.empty()) out += "\n";
    out += DescribeTable(*db->GetTable(name));
  }
  Print(out);
}

// A scan reads each page once, so a small cache serves it as well as a big
// one and keeps the memory low; so does reading the pages by system calls
// rather than through a mapping, which would keep each page read resident.
constexpr size_t kExportCachePages = 256;

void Export(const JetOptions& o) {
  auto db = jet::Database::Open(platform::PathFromUtf8(o.file), jet::OpenMode::kReadOnly,
                                kExportCachePages, jet::PageReads::kCalls);
  // One committed state from the first row to the last: a writer's commit
  // waits until the export is done.
  jet::ReadLock lock(*db);
  auto table = db->GetTable(base::Utf8ToUtf16(o.table), true);
  CsvWriter writer(stdout, *table, o.null_text);
  writer.WriteHeader();
  jet::RowCursor cursor = db->Scan(table);
  while (cursor.Next()) writer.WriteRow(cursor.row());
  writer.Flush();
}

}  // namespace

void AddJetCommands(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<JetOptions>();
  auto arguments = std::make_shared<DatabaseArguments>();
  // Runs `body` once the database and the other words are known.
  auto run = [o, arguments, &exit_code](size_t least, size_t most,
                                        void (*body)(const JetOptions&)) {
    DatabaseWords split = ResolveDatabase(*arguments, least, most);
    o->file = split.database;
    o->table = split.rest.empty() ? std::string() : split.rest[0];
    exit_code = Guarded([&] {
      body(*o);
      return kExitOk;
    });
  };

  CLI::App* tables = app.add_subcommand("tables", "List the user tables of a database");
  AddDatabaseArguments(*tables, *arguments, "[FILE]", "Database file");
  tables->add_flag("-S,--system", o->system, "List the system tables as well");
  tables->callback([run] { run(0, 0, ListTables); });

  CLI::App* schema = app.add_subcommand(
      "schema", "Show the columns and indexes of every table, or of one");
  AddDatabaseArguments(*schema, *arguments, "[FILE] [TABLE]",
                       "Database file, then only this table");
  schema->callback([run] { run(0, 1, ShowSchema); });

  CLI::App* exp = app.add_subcommand(
      "export", "Write a table's rows as CSV, in stored order (like mdb-export)");
  AddDatabaseArguments(*exp, *arguments, "[FILE] TABLE", "Database file, then the table");
  exp->add_option("-0,--null", o->null_text, "Text written for a null value");
  exp->callback([run] { run(1, 1, Export); });
}

}  // namespace attrdb
