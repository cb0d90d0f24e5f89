// attrdb import, check and recover: their command lines; for import, its
// input read (standard input and pipes copied first) and its report.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "attribution/import_data.h"
#include "attribution/import_run.h"
#include "base/utf.h"
#include "platform/file.h"
#include "platform/interrupt.h"
#include "platform/path_text.h"
#include "tools/attrdb/check_command.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/progress_bar.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {

using attribution::AttributionData;
using attribution::ImportFormat;
using attribution::ImportRun;
using attribution::ImportSummary;
using attribution::InputError;
using attribution::ReadImportInput;
namespace {

struct ImportOptions {
  std::string input;
  std::string format = "detect";
  std::string to;
  std::string merge;  // SOURCE of --merge
  bool prune = false;
  bool dry_run = false;
  bool plain = false;
  bool no_indexes = false;
  bool quiet = false;
  bool force = false;
};

// The import's input as a path the readers may open more than once: a file
// or folder as it is; standard input ("-"), a pipe or a terminal copied
// first to a temporary file, which messages name as the input.
class ImportInput {
 public:
  explicit ImportInput(const std::string& name) : name_(name == "-" ? "standard input" : name) {
    const std::filesystem::path given = platform::PathFromUtf8(name);
    std::optional<platform::FileInfo> info;
    if (name != "-") {
      try {
        info = platform::PathInfo(given);
      } catch (const std::system_error&) {
      }
      if (!info || info->kind != platform::FileKind::kOther) {
        path_ = given;
        return;
      }
    }
    Spool(name == "-" ? nullptr : &given);
  }
  ~ImportInput() {
    if (copy_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(copy_, ignored);
  }
  ImportInput(const ImportInput&) = delete;
  ImportInput& operator=(const ImportInput&) = delete;

  // The input's content, read as the user named it.
  AttributionData Read(ImportFormat format) const {
    return ReadImportInput(path_, format, copy_.empty() ? std::string() : name_);
  }

 private:
  // Copies standard input (`source` null) or the file `source` to a
  // temporary file.
  void Spool(const std::filesystem::path* source) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = ".";
    copy_ = folder / ("attrdb-input-" + std::to_string(platform::ProcessId()));
    path_ = copy_;
    guard_ = std::make_unique<platform::RemovedOnInterrupt>(copy_);
    std::FILE* in = source ? platform::OpenStdioFile(*source, "rb") : stdin;
    if (in == nullptr) Fail(name_, errno);
    std::FILE* out = platform::OpenStdioFile(copy_, "wb");
    if (out == nullptr) Fail(platform::Utf8Of(copy_), errno);
    std::vector<char> buffer(size_t{1} << 16);
    size_t got;
    bool written = true;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
      written = written && std::fwrite(buffer.data(), 1, got, out) == got;
    }
    const bool read = std::ferror(in) == 0;
    const int read_error = errno;
    if (source) std::fclose(in);
    written = std::fclose(out) == 0 && written;
    if (!read) Fail(name_, read_error);
    if (!written) Fail(platform::Utf8Of(copy_), errno);
  }
  [[noreturn]] static void Fail(const std::string& name, int error) {
    throw InputError(name + ": cannot be read (" + std::strerror(error != 0 ? error : EIO) + ")");
  }

  std::string name_;
  std::filesystem::path path_;
  std::filesystem::path copy_;  // empty: read in place
  std::unique_ptr<platform::RemovedOnInterrupt> guard_;
};

// Warns on standard error about a phone.dat whose index was cut short.
void WarnIfCut(const std::string& input, const ImportSummary& s) {
  if (s.trailing_unused_records == 0) return;
  ReportError("warning: " + input + ": the last " + std::to_string(s.trailing_unused_records) +
              " records of the record area are used by no head: the index looks cut "
              "short (a whole phone.dat refers to every record), so heads may be missing");
}

constexpr const char* kImportHelp = R"(Build an attribution database from CSV, a folder of tables or phone.dat.

INPUT is one of (told by its content, or named by --format):
 csv      one UTF-8 CSV file with the header line
            head,province,city,postal_code,area_code,card_type
          and one line per number head (seven digits starting with 1), e.g.
            1380013,北京,北京,100000,010,中国移动
          Cities are numbered 1, 2, ... in order of first appearance, one city
          row per distinct province, city, postal and area code (a city given
          with several codes gets several rows of the same name); card types,
          named by their description, are keyed "1", "2", ...
 tables   a folder holding the three tables as stored, keys given:
            city.csv      index,sheng,shi,youbian,quhao
            cardtype.csv  cardtype,describe
            numindex.csv  head,index,cardtype
 phonedat a phone.dat file: a four-digit version, the offset of its index,
          "province|city|postcode|areacode" records each ended by a NUL, and
          9-byte index entries (head, record offset, card type code) sorted by
          head. Card types 1 to 8 get their names (中国移动, 中国联通,
          中国电信, 中国电信虚拟运营商, 中国联通虚拟运营商, 中国移动虚拟运营商,
          中国广电, 中国广电虚拟运营商) and keep their code as key; another
          code is a card type named by its number. Records no head uses are
          left out.
In every layout an area code given with its leading 0 loses that one 0 (the
database holds it without; lookups add it), and empty fields are stored as
empty. CSV fields may be quoted with double quotes. Text must be
representable in GBK, free of control characters and single quotes, and fit
its column: province and city 50 characters, postal and area code 10, card
type key 10, its description 50. The summary counts the city names held by
several rows, the city rows with empty fields and the area codes that lost
their 0, with their heads.

The database is built whole in memory: the tables city, cardtype and numindex,
heads scrambled (or as seven plain digits with --plain), with non-unique
indexes on city.index, cardtype.cardtype, numindex.numhead and numindex.index
(none with --no-indexes) that let lookups seek instead of scanning, then
written beside DB and renamed over it, so DB is never seen half written. Of an existing DB,
the three tables are emptied and refilled, keeping their columns and
indexes, and all else it holds is kept. On any error in the input, the
error names the file and line (in phone.dat the byte), and nothing is
written.

With --merge SOURCE (any input above), the existing DB is brought to
SOURCE's content in place, touching only what differs: heads SOURCE adds are
inserted (scrambled, or plain when DB holds its heads plain or with --plain),
heads whose city or card type changed are updated, new cities (keyed after
the largest key) and card types are added, and a city row whose postal or
area code changed is updated. With --prune, heads SOURCE lacks are deleted.
Other tables, columns, indexes and rows are left as they are. The whole
merge is one journaled batch: readers and a crash see DB wholly before or
wholly after it; a merge with nothing to change writes nothing. --dry-run
prints what would change and writes nothing. A --prune that would remove
more than a tenth of the heads is refused unless --force is given (a release
cut short would otherwise empty the database); a phone.dat whose index looks
cut short is warned about.

INPUT or SOURCE "-" reads standard input (a CSV or a phone.dat), as does a
pipe. To correct one head:
  attrdb import --merge fix.csv --to attr.mdb
with fix.csv holding the header line and the head's line.)";

constexpr const char* kRecoverHelp = R"(
A writer killed mid-change (a crash, a power cut, kill -9) leaves the file's
original pages in FILE-journal beside it. This tool's readers and writers
roll it back by themselves when they next open the file, but other programs
(Access, mdbtools) see the file half written until then: run recover before
handing such a file to them. It says what it put back, or that there was
nothing to recover. "attrdb check" reports such a journal.)";

constexpr const char* kCheckHelp = R"(Checks the data pages, the page maps, moved rows and their pointers, the row
counts, each index against its table's rows, and reads every row of every
table, and reports a journal an interrupted change left beside the file
("attrdb recover" rolls it back). Prints one line per problem on standard
output and exits with 1 when there is any, 0 when the file is sound.

With --data, checks the attribution data instead and prints each finding
with its count and a few examples. Findings that make answers wrong or
missing are "error:" and give exit code 1:
  stored heads that no lookup finds (not seven digits starting with 1)
  heads stored twice with different answers (the first row answers)
  heads whose city key has no city row (answered without city)
  heads whose card type key has no cardtype row (answered with the key)
  city rows whose area code keeps its leading 0 (shown with two)
The others are "note:" and leave the exit code 0:
  heads not starting with 13 to 19, heads stored twice with the same answer,
  city rows without heads, postal codes not six digits, area codes not 2 or
  3 digits after the 0, city names held by several rows.)";

void PrintSummary(const ImportSummary& s) {
  std::printf("  %zu city names held by several rows (one per postal and area code): "
              "%zu city rows, %zu heads\n",
              s.split_names, s.split_rows, s.split_heads);
  std::printf("  %zu city rows with empty fields: %zu heads\n", s.empty_rows, s.empty_heads);
  std::printf("  %zu city rows whose area code lost its leading 0: %zu heads\n",
              s.unzeroed_rows, s.unzeroed_heads);
  if (s.unused_records > 0) {
    std::printf("  %zu phone.dat records used by no head, left out\n", s.unused_records);
  }
}

ImportFormat FormatNamed(const std::string& name) {
  if (name == "csv") return ImportFormat::kCsv;
  if (name == "tables") return ImportFormat::kTables;
  if (name == "phonedat") return ImportFormat::kPhoneDat;
  return ImportFormat::kDetect;
}

void PrintExamples(const char* kind, const std::vector<attribution::MergePlan::HeadChange>& rows) {
  std::printf("  %zu heads %s", rows.size(), kind);
  for (size_t i = 0; i < rows.size() && i < 5; ++i) {
    std::printf("%s%s", i == 0 ? ": " : ", ", rows[i].head.c_str());
  }
  std::printf("%s\n", rows.size() > 5 ? ", ..." : "");
}

// What a merge changed, or with --dry-run would change.
void PrintMerge(const ImportOptions& o, const ImportRun& run, double seconds) {
  const attribution::MergePlan& plan = run.plan;
  const size_t added = plan.head_inserts.size(), changed = plan.head_updates.size(),
               removed = plan.head_deletes.size();
  if (o.dry_run) {
    std::printf("dry run: nothing written to %s\n", o.to.c_str());
    PrintExamples("to add", plan.head_inserts);
    PrintExamples("to change", plan.head_updates);
    PrintExamples("to remove", plan.head_deletes);
    std::printf("  %zu city rows to add", plan.new_cities.size());
    for (size_t i = 0; i < plan.new_cities.size() && i < 3; ++i) {
      std::printf("%s%s %s", i == 0 ? ": " : ", ",
                  base::Utf16ToUtf8(plan.new_cities[i].source->province).c_str(),
                  base::Utf16ToUtf8(plan.new_cities[i].source->city).c_str());
    }
    std::printf("\n  %zu city rows to change, %zu card types to add\n",
                plan.city_updates.size(), plan.new_card_types.size());
    if (run.needs_force) {
      std::printf("  %zu of the %zu heads would be removed, more than a tenth: the merge "
                  "needs --force\n",
                  plan.head_deletes.size(), plan.HeadsBefore());
    }
  }
  if (!o.quiet || o.dry_run) {
    std::printf("%s %zu added, %zu changed, %zu removed, %zu unchanged heads; "
                "%zu cities added, %zu changed, %zu card types added (%.2f s)\n",
                o.dry_run ? "would merge:" : plan.Empty() ? "nothing to merge:" : "merged:",
                added, changed, removed, plan.unchanged_heads, plan.new_cities.size(),
                plan.city_updates.size(), plan.new_card_types.size(), seconds);
  }
}

// The import or merge `o` asks for, with its report on standard output.
int Import(const ImportOptions& o) {
  const auto started = std::chrono::steady_clock::now();
  const bool merge = !o.merge.empty();
  const std::string& source = merge ? o.merge : o.input;
  std::optional<ImportInput> input;
  ImportRun run;
  {
    ProgressBar bar("rows");
    run = attribution::ImportIntoFile(
        o.to,
        [&] {
          input.emplace(source);
          AttributionData data = input->Read(FormatNamed(o.format));
          WarnIfCut(source, data.summary);
          return data;
        },
        {.merge = merge, .plain = o.plain, .indexes = !o.no_indexes, .prune = o.prune,
         .dry_run = o.dry_run, .force = o.force, .source_name = o.merge,
         .progress = [&bar](int64_t done, int64_t total) { bar.Show(done, total); }});
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (merge) {
    PrintMerge(o, run, seconds);
  } else if (!o.quiet) {
    const AttributionData& data = run.data;
    std::printf("%zu cities, %zu card types, %zu heads (%s) written to %s in %.2f s\n",
                data.cities.size(), data.card_types.size(), data.heads.size(),
                o.plain ? "plain" : "scrambled", o.to.c_str(), seconds);
    PrintSummary(data.summary);
    for (const std::string& index : run.indexes_left_out) {
      std::printf("no index on %s: the engine cannot compute its keys for this data\n",
                  index.c_str());
    }
  }
  return kExitOk;
}

}  // namespace

void AddImportCommands(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<ImportOptions>();
  CLI::App* import = app.add_subcommand(
      "import", "Build an attribution database from CSV, a folder of tables or phone.dat");
  import->footer(kImportHelp);
  import->add_option("INPUT", options->input, "A CSV file, a folder of city.csv, "
                     "cardtype.csv and numindex.csv, or a phone.dat file (-: standard input)")
      ->type_name("PATH");
  import->add_option("--to", options->to, "The database file to create or replace")
      ->type_name("DB")
      ->required();
  import->add_option("--format", options->format, "The input's layout (detect: told by content)")
      ->check(CLI::IsMember({"detect", "csv", "tables", "phonedat"}))
      ->capture_default_str();
  import->add_flag("--plain", options->plain, "Store heads as seven plain digits");
  import->add_flag("--no-indexes", options->no_indexes,
                   "Make the tables without indexes (by default a new database gets "
                   "non-unique indexes on city.index, cardtype.cardtype, "
                   "numindex.numhead and numindex.index)");
  import->add_flag("-q,--quiet", options->quiet, "Print no summary");
  auto* merge = import->add_option("--merge", options->merge,
                                   "Bring the existing DB to SOURCE's content in place "
                                   "(-: standard input)")
                    ->type_name("SOURCE");
  import->add_flag("--prune", options->prune, "With --merge: delete heads SOURCE lacks")
      ->needs(merge);
  import->add_flag("--force", options->force,
                   "With --prune: remove the heads even when they are more than a tenth")
      ->needs(merge);
  import->add_flag("--dry-run", options->dry_run,
                   "With --merge: print what would change, write nothing")
      ->needs(merge);
  import->callback([options, &exit_code] {
    if (options->input.empty() == options->merge.empty()) {
      throw CLI::ValidationError("give INPUT, or --merge SOURCE (not both)");
    }
    exit_code = Guarded([&] { return Import(*options); }, "nothing written");
  });

  auto arguments = std::make_shared<DatabaseArguments>();
  auto data = std::make_shared<bool>(false);
  CLI::App* check = app.add_subcommand("check", "Check the structure (or the data) of a database file");
  check->footer(kCheckHelp);
  AddDatabaseArguments(*check, *arguments, "[FILE]", "Database file");
  check->add_flag("--data", *data, "Check the attribution data instead of the structure");
  check->callback([arguments, data, &exit_code] {
    const std::string file = ResolveDatabase(*arguments, 0, 0).database;
    exit_code = Guarded([&] { return *data ? CheckData(file) : Check(file); });
  });

  CLI::App* recover = app.add_subcommand(
      "recover", "Roll back the change a crashed writer left half done");
  recover->footer(kRecoverHelp);
  AddDatabaseArguments(*recover, *arguments, "[FILE]", "Database file");
  recover->callback([arguments, &exit_code] {
    const std::string file = ResolveDatabase(*arguments, 0, 0).database;
    exit_code = Guarded([&] { return Recover(file); });
  });
}

}  // namespace attrdb
