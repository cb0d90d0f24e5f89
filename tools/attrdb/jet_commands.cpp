// attrdb tables / schema / export: looking into a database file through our
// own engine, in the manner of the mdbtools commands.
#include <cstdio>
#include <memory>
#include <string>

#include "base/utf.h"
#include "db/jet/database.h"
#include "db/jet/error.h"
#include "tools/attrdb/csv_writer.h"
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

// Runs `body`; an engine error goes to standard error as "attrdb: <message>"
// and makes the exit code a failure.
template <typename Body>
int Guarded(Body body) {
  try {
    body();
    return kExitOk;
  } catch (const jet::Error& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "attrdb: %s\n", e.what());
    return kExitFailed;
  }
}

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
// one and keeps the memory low.
constexpr size_t kExportCachePages = 256;

void Export(const JetOptions& o) {
  auto db = jet::Database::Open(platform::PathFromUtf8(o.file), jet::OpenMode::kReadOnly,
                                kExportCachePages);
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

  CLI::App* tables = app.add_subcommand("tables", "List the user tables of a database");
  tables->add_option("FILE", o->file, "Database file")->required();
  tables->add_flag("-S,--system", o->system, "List the system tables as well");
  tables->callback([o, &exit_code] { exit_code = Guarded([&] { ListTables(*o); }); });

  CLI::App* schema = app.add_subcommand(
      "schema", "Show the columns and indexes of every table, or of one");
  schema->add_option("FILE", o->file, "Database file")->required();
  schema->add_option("TABLE", o->table, "Only this table");
  schema->callback([o, &exit_code] { exit_code = Guarded([&] { ShowSchema(*o); }); });

  CLI::App* exp = app.add_subcommand(
      "export", "Write a table's rows as CSV, in stored order (like mdb-export)");
  exp->add_option("FILE", o->file, "Database file")->required();
  exp->add_option("TABLE", o->table, "Table name")->required();
  exp->add_option("-0,--null", o->null_text, "Text written for a null value");
  exp->callback([o, &exit_code] { exit_code = Guarded([&] { Export(*o); }); });
}

}  // namespace attrdb
