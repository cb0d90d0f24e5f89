// The writer's test helpers.
#include "db/jet/testing/writer_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/utf.h"

namespace jet::testing {

using nlohmann::json;

json ExpectedAfterMaintenance(const json& truth) {
  const json& t = truth["tables"]["numindex"];
  json rows = t["rows"];
  for (size_t i = 0; i < rows.size(); ++i) rows[i][0] = t["numhead_after_maintenance"][i];
  return rows;
}

size_t RunMaintenance(Database& db, Writer& writer, const json& after, size_t batch,
                      size_t limit) {
  auto table = db.GetTable(u"numindex");
  size_t head = table->ColumnIndex(u"numhead");
  std::vector<std::pair<RowLocation, std::u16string>> work;
  RowCursor cursor = db.Scan(table);
  size_t i = 0;
  std::u16string text;
  while (cursor.Next()) {
    if (cursor.row().GetText(head, text) && text.size() == 7) {
      work.emplace_back(cursor.row().location(),
                        base::Utf8ToUtf16(after[i][0].get<std::string>()));
    }
    ++i;
  }
  size_t done = 0;
  for (const auto& [location, value] : work) {
    if (done == limit) break;
    if (batch > 0 && done % batch == 0) {
      if (writer.InBatch()) writer.Commit();
      writer.Begin();
    }
    writer.UpdateRow(table, location, {{head, value}});
    ++done;
  }
  if (writer.InBatch()) writer.Commit();
  return done;
}

json ReadNumindex(Database& db) {
  auto table = db.GetTable(u"numindex");
  json rows = json::array();
  RowCursor cursor = db.Scan(table);
  std::u16string text;
  while (cursor.Next()) {
    const Row& row = cursor.row();
    json r = json::array();
    for (size_t c = 0; c < 3; ++c) {
      Value v = row.Get(c);
      if (auto* s = std::get_if<std::u16string>(&v)) r.push_back(base::Utf16ToUtf8(*s));
      else if (auto* n = std::get_if<int32_t>(&v)) r.push_back(*n);
      else r.push_back(nullptr);
    }
    rows.push_back(r);
  }
  return rows;
}

void ExpectEachRowOldOrNew(const json& actual, const json& before, const json& after) {
  ASSERT_EQ(actual.size(), before.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != before[i] && actual[i] != after[i]) {
      ADD_FAILURE() << "row " << i << " is " << actual[i].dump() << ", neither "
                    << before[i].dump() << " nor " << after[i].dump();
      return;
    }
  }
}

namespace {

// mdb-export's output lines for `table`, or nothing without mdb-export.
std::optional<std::vector<std::string>> MdbExport(const std::filesystem::path& file,
                                                  const std::string& table) {
  static const bool installed =
      std::system("command -v mdb-export >/dev/null 2>&1") == 0;
  if (!installed) return std::nullopt;
  std::string command = "mdb-export -H -b hex -0 '\\N' '" + file.string() + "' '" +
                        table + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  int ch;
  while ((ch = std::fgetc(pipe)) != EOF) {
    if (ch == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(ch));
    }
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return lines;
}

}  // namespace

std::optional<std::vector<std::string>> MdbExportNumindex(
    const std::filesystem::path& file) {
  auto lines = MdbExport(file, "numindex");
  if (lines) std::sort(lines->begin(), lines->end());
  return lines;
}

std::optional<size_t> MdbExportLineCount(const std::filesystem::path& file,
                                         const std::string& table) {
  auto lines = MdbExport(file, table);
  if (!lines) return std::nullopt;
  return lines->size();
}

std::vector<std::string> ExportLines(const json& rows) {
  std::vector<std::string> lines;
  for (const json& r : rows) {
    auto text = [](const json& v) {
      // mdbtools prints an empty string as null.
      if (v.is_null() || (v.is_string() && v.get<std::string>().empty())) {
        return std::string("\\N");
      }
      return "\"" + v.get<std::string>() + "\"";
    };
    std::string index = r[1].is_null() ? "\\N" : std::to_string(r[1].get<int>());
    lines.push_back(text(r[0]) + "," + index + "," + text(r[2]));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace jet::testing
