// attrdb import and attrdb check: building an attribution database from CSV
// and checking the structure of a database file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "attribution/import_builder.h"
#include "attribution/import_data.h"
#include "db/jet/database.h"
#include "db/jet/database_creator.h"
#include "db/jet/error.h"
#include "db/jet/writer.h"
#include "tools/attrdb/check_command.h"
#include "tools/attrdb/progress_bar.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {

using attribution::AttributionData;
using attribution::BuildAttributionImage;
using attribution::InputError;
using attribution::ReadImportInput;
namespace {

struct ImportOptions {
  std::string input;
  std::string to;
  bool plain = false;
  bool quiet = false;
};

constexpr const char* kImportHelp = R"(Build an attribution database from UTF-8 CSV.

INPUT is either one CSV file with the header line
  head,province,city,postal_code,area_code,card_type
and one line per number head (seven digits starting with 1), for example
  1380013,北京,北京,100000,10,中国移动
(cities are numbered 1, 2, ... and card types, named by their description,
keyed "1", "2", ... in order of first appearance; one city must always come
with the same postal and area code), or a folder holding the three tables as
stored, keys given:
  city.csv      index,sheng,shi,youbian,quhao
  cardtype.csv  cardtype,describe
  numindex.csv  head,index,cardtype
Fields may be quoted with double quotes. Text must be representable in GBK,
free of control characters and single quotes, and fit its column: province
and city 50 characters, postal and area code 10, card type key 10, its
description 50. Postal and area codes may be empty.

The database is built whole in memory: the tables city, cardtype and numindex,
heads scrambled (or as seven plain digits with --plain), then written beside
DB and renamed over it, so DB is never seen half written. Of an existing DB,
the three tables are emptied and refilled, keeping their columns and
indexes, and all else it holds is kept. On any error in the input, the
error names the file and line, and nothing is written.)";

int Import(const ImportOptions& o) {
  const auto started = std::chrono::steady_clock::now();
  try {
    AttributionData data = ReadImportInput(o.input);
    const std::filesystem::path to = o.to;
    std::unique_ptr<jet::Database> old;
    std::unique_ptr<jet::Writer> lock;
    std::unique_ptr<jet::Database> base;
    if (std::filesystem::exists(to)) {
      // Opening read-write rolls back a journal a crashed writer left, which
      // would otherwise be played onto the new file; the write lock, held
      // until the new file stands in its place, keeps other writers out.
      old = jet::Database::Open(to, jet::OpenMode::kReadWrite, 64);
      lock = std::make_unique<jet::Writer>(*old, jet::WriterOptions{.sync = false});
      lock->Begin();
      base = jet::LoadDatabaseIntoMemory(to);
    }
    std::vector<uint8_t> bytes;
    try {
      ProgressBar bar("rows");
      bytes = BuildAttributionImage(
          data, o.plain, [&bar](int64_t done, int64_t total) { bar.Show(done, total); },
          std::move(base));
    } catch (const jet::Error& e) {
      throw jet::Error(e.kind(), o.to + ": " + e.what());
    }
    jet::SaveDatabaseImage(bytes, to, old != nullptr);
    if (lock) lock->Rollback();
    if (!o.quiet) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      std::printf("%zu cities, %zu card types, %zu heads (%s) written to %s in %.2f s\n",
                  data.cities.size(), data.card_types.size(), data.heads.size(),
                  o.plain ? "plain" : "scrambled", o.to.c_str(), seconds);
    }
    return kExitOk;
  } catch (const InputError& e) {
    std::fprintf(stderr, "attrdb: %s\n", e.what());
  } catch (const jet::Error& e) {
    std::fprintf(stderr, "attrdb: %s\n", e.what());
  }
  std::fprintf(stderr, "attrdb: nothing written\n");
  return kExitFailed;
}

int Check(const std::string& file) {
  std::vector<std::string> problems = CheckDatabaseFile(file);
  for (const std::string& problem : problems) {
    // Messages about the whole file name it already.
    if (problem.starts_with(file + ":")) {
      std::printf("%s\n", problem.c_str());
    } else {
      std::printf("%s: %s\n", file.c_str(), problem.c_str());
    }
  }
  if (problems.empty()) {
    std::printf("%s: no problems found\n", file.c_str());
    return kExitOk;
  }
  std::fflush(stdout);
  std::fprintf(stderr, "attrdb: %s: %zu problem%s\n", file.c_str(), problems.size(),
               problems.size() == 1 ? "" : "s");
  return kExitFailed;
}

}  // namespace

void AddImportCommands(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<ImportOptions>();
  CLI::App* import = app.add_subcommand("import", "Build an attribution database from CSV");
  import->footer(kImportHelp);
  import->add_option("INPUT", options->input, "A CSV file, or a folder of city.csv, "
                     "cardtype.csv and numindex.csv")
      ->type_name("PATH")
      ->required();
  import->add_option("--to", options->to, "The database file to create or replace")
      ->type_name("DB")
      ->required();
  import->add_flag("--plain", options->plain, "Store heads as seven plain digits");
  import->add_flag("-q,--quiet", options->quiet, "Print no summary");
  import->callback([options, &exit_code] { exit_code = Import(*options); });

  auto file = std::make_shared<std::string>();
  CLI::App* check = app.add_subcommand("check", "Check the structure of a database file");
  check->footer(
      "Checks the data pages, the page maps, moved rows and their pointers, the row\n"
      "counts, each index against its table's rows, and reads every row of every\n"
      "table. Prints one line per problem on standard output and exits with 1 when\n"
      "there is any, 0 when the file is sound.");
  check->add_option("FILE", *file, "The database file")->required();
  check->callback([file, &exit_code] { exit_code = Check(*file); });
}

}  // namespace attrdb
