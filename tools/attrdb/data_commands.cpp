// attrdb dump and attrdb info: every head's answer written out, and the
// figures of a database's attribution data.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <system_error>

#include "attribution/attribution_index.h"
#include "attribution/csv_reader.h"
#include "attribution/data_report.h"
#include "attribution/mobile_number.h"
#include "attribution/phone_dat.h"
#include "attribution/read_ahead_file.h"
#include "db/jet/format/error.h"
#include "platform/file.h"
#include "tools/attrdb/database_arguments.h"
#include "tools/attrdb/database_location.h"
#include "tools/attrdb/output_file.h"
#include "tools/attrdb/stream_error.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/lookup_output.h"
#include "tools/attrdb/lookup_run.h"
#include "tools/attrdb/subcommands.h"
#include "platform/path_text.h"

namespace attrdb {

using attribution::AttributionIndex;
using attribution::kFirstHead;
using attribution::kHeadSpan;

namespace {

constexpr char kDumpFooter[] = R"(
Writes the answer of every head the database answers, in head order, as a
lookup finds it (area codes with their leading 0):
  csv      head,province,city,postal_code,area_code,card_type (the import's
           one-file layout: import gives the same answers again)
  json     one object per line with the same names
  phonedat a phone.dat file (--version YYMM, default 0000): records written
           once each, in order of first use; card types by their code: the
           format's names, those names without "中国" (said on standard
           error, since the file read back names them in full), or a
           number; any other card type is refused.
Output goes to standard output unless --output FILE is given; FILE is written
under a temporary name and renamed over FILE once whole, and is never a
database.)";

constexpr char kInfoFooter[] = R"(
Prints the heads (answered from scrambled rows, from plain rows, and the
stored heads no lookup finds), the provinces, cities and city rows, the
heads of each card type, the heads of each three-digit prefix 130 to 199,
the city with the most heads, and the file's size and modification time.)";

struct DumpOptions {
  std::string database = kDefaultDatabase;
  std::string format = "csv";
  std::string version = "0000";
  std::string output;
};

// Loads every answer of `file`, with the load report when `report` is set.
AttributionIndex LoadIndex(const std::string& file, attribution::LoadReport* report = nullptr) {
  auto db = attribution::OpenForScan(platform::PathFromUtf8(file));
  return AttributionIndex::Load(*db, report);
}

constexpr size_t kDumpChunk = size_t{1} << 20;

// Writes every head's row to `out` in chunks; false when writing fails.
bool DumpText(const AttributionIndex& index, OutputFormat format, std::FILE* out) {
  std::string chunk;
  chunk.reserve(kDumpChunk + 4096);
  if (format == OutputFormat::kCsv) chunk += "head,province,city,postal_code,area_code,card_type\n";
  // Each answer's text after the head is made once.
  std::vector<std::string> tails(index.AnswerCount() + 1);
  for (uint32_t n = 1; n <= index.AnswerCount(); ++n) {
    const attribution::Attribution& a = index.Answer(n);
    std::string& tail = tails[n];
    if (format == OutputFormat::kJson) tail += '"';
    const std::pair<const char*, const std::string*> fields[] = {
        {"province", &a.province}, {"city", &a.city}, {"postal_code", &a.postal_code},
        {"area_code", &a.area_code}, {"card_type", &a.card_type}};
    for (const auto& [name, text] : fields) {
      tail += format == OutputFormat::kJson ? std::string(",\"") + name + "\":" : ",";
      AppendField(format, *text, tail);
    }
    tail += format == OutputFormat::kJson ? "}\n" : "\n";
  }
  const std::string_view before = format == OutputFormat::kJson ? "{\"head\":\"" : "";
  char digits[7];
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    const uint32_t n = index.Find(head);
    if (n == 0) continue;
    uint32_t rest = head;
    for (int i = 6; i >= 0; --i, rest /= 10) digits[i] = static_cast<char>('0' + rest % 10);
    chunk += before;
    chunk.append(digits, sizeof digits);
    chunk += tails[n];
    if (chunk.size() >= kDumpChunk) {
      if (!WriteStream(chunk.data(), chunk.size(), out)) return false;
      chunk.clear();
    }
  }
  return WriteStream(chunk.data(), chunk.size(), out);
}

int Dump(const DumpOptions& o) {
  // The output is refused before the work when it would overwrite a database.
  OutputFile out(o.output, {o.database});
  const AttributionIndex index = LoadIndex(o.database);
  if (o.format == "phonedat") {
    std::vector<std::string> renamed;
    const std::string bytes = attribution::WritePhoneDat(index, o.version, &renamed);
    for (const std::string& note : renamed) {
      ReportError("card type " + note + " (phone.dat has no other name for it)");
    }
    WriteStream(bytes.data(), bytes.size(), out.stream());
  } else {
    const OutputFormat format = o.format == "json" ? OutputFormat::kJson : OutputFormat::kCsv;
    (void)DumpText(index, format, out.stream());  // a failed write fails Commit
  }
  out.Commit();
  return kExitOk;
}

std::string ModificationTime(const std::string& file) {
  std::optional<platform::FileInfo> info;
  try {
    info = platform::PathInfo(platform::PathFromUtf8(file));
  } catch (const std::system_error&) {
  }
  if (!info) return {};
  using namespace std::chrono;
  const sys_seconds at = floor<seconds>(sys_time<nanoseconds>(nanoseconds(info->modified_ns)));
  const sys_days day = floor<days>(at);
  const year_month_day date(day);
  const hh_mm_ss time(at - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

int Info(const std::string& file, bool json) {
  attribution::LoadReport report;
  attribution::DataInfo info;
  uintmax_t size = 0;
  {
    const AttributionIndex index = LoadIndex(file, &report);
    info = attribution::DescribeData(index, report);
    size = std::filesystem::file_size(platform::PathFromUtf8(file));
  }
  const std::string modified = ModificationTime(file);
  if (json) {
    nlohmann::ordered_json j;
    j["file"] = file;
    j["size"] = size;
    j["modified"] = modified;
    j["heads"] = {{"total", info.heads}, {"scrambled", info.scrambled}, {"plain", info.plain},
                  {"not_decodable", info.undecodable}};
    j["provinces"] = info.provinces;
    j["cities"] = info.cities;
    j["city_rows"] = info.city_rows;
    j["card_types"] = nlohmann::ordered_json::array();
    for (const auto& [name, heads] : info.card_types) {
      j["card_types"].push_back({{"name", name}, {"heads", heads}});
    }
    nlohmann::ordered_json prefixes = nlohmann::ordered_json::object();
    for (size_t i = 0; i < info.heads_by_prefix.size(); ++i) {
      prefixes[std::to_string(attribution::kFirstPrefix + i)] = info.heads_by_prefix[i];
    }
    j["heads_by_prefix"] = prefixes;
    j["largest_city"] = {{"province", info.largest_province}, {"city", info.largest_city},
                         {"heads", info.largest_heads}};
    std::printf("%s\n", j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    return kExitOk;
  }
  std::printf("file         %s\n", file.c_str());
  std::printf("size         %ju bytes\n", size);
  std::printf("modified     %s\n", modified.c_str());
  std::printf("heads        %zu (%zu scrambled, %zu plain); %zu stored heads not decodable\n",
              info.heads, info.scrambled, info.plain, info.undecodable);
  std::printf("provinces    %zu\n", info.provinces);
  std::printf("cities       %zu in %zu city rows\n", info.cities, info.city_rows);
  std::printf("largest city %s %s, %zu heads\n", info.largest_province.c_str(),
              info.largest_city.c_str(), info.largest_heads);
  std::printf("card types\n");
  for (const auto& [name, heads] : info.card_types) {
    std::printf("  %-10zu %s\n", heads, name.c_str());
  }
  std::printf("heads by prefix\n");
  for (size_t i = 0; i < info.heads_by_prefix.size(); ++i) {
    if (info.heads_by_prefix[i] == 0) continue;
    std::printf("  %zu %zu\n", attribution::kFirstPrefix + i, info.heads_by_prefix[i]);
  }
  return kExitOk;
}

}  // namespace

int CheckData(const std::string& file) {
  attribution::LoadReport report;
  std::vector<attribution::Finding> findings;
  {
    const AttributionIndex index = LoadIndex(file, &report);
    findings = attribution::CheckData(index, report);
  }
  size_t harmful = 0;
  for (const attribution::Finding& f : findings) {
    std::printf("%s: %s: %zu %s\n", file.c_str(), f.harmful ? "error" : "note", f.count,
                f.what.c_str());
    for (const std::string& example : f.examples) std::printf("    %s\n", example.c_str());
    harmful += f.harmful ? 1 : 0;
  }
  if (findings.empty()) std::printf("%s: no findings about the data\n", file.c_str());
  if (harmful == 0) return kExitOk;
  ReportError(file + ": " + std::to_string(harmful) + " finding" + (harmful == 1 ? "" : "s") +
              " make answers wrong or missing");
  return kExitFailed;
}

void AddDataCommands(CLI::App& app, int& exit_code) {
  auto dump_options = std::make_shared<DumpOptions>();
  CLI::App* dump = app.add_subcommand("dump", "The answer of every head, in head order");
  dump->footer(kDumpFooter);
  dump->add_option("--db", dump_options->database, "Database file")
      ->type_name("FILE")
      ->capture_default_str();
  dump->add_option("--format", dump_options->format, "Output format")
      ->check(CLI::IsMember({"csv", "json", "phonedat"}))
      ->capture_default_str();
  dump->add_option("--version", dump_options->version, "phone.dat version (four digits, YYMM)")
      ->check([](const std::string& v) {
        return v.size() == 4 && v.find_first_not_of("0123456789") == std::string::npos
                   ? std::string()
                   : std::string("four digits expected");
      });
  dump->add_option("-o,--output", dump_options->output,
                   "Write to FILE (whole or not at all; -: standard output)")
      ->type_name("FILE");
  dump->callback([dump, dump_options, &exit_code] {
    if (dump->count("--db") == 0) {
      dump_options->database = FindDefaultDatabase(kDefaultDatabase, stderr);
    }
    exit_code = Guarded([&] { return Dump(*dump_options); });
  });

  auto arguments = std::make_shared<DatabaseArguments>();
  CLI::App* info = app.add_subcommand("info", "Figures of a database's attribution data");
  info->footer(kInfoFooter);
  AddDatabaseArguments(*info, *arguments, "[FILE]", "Database file");
  auto format = std::make_shared<std::string>("text");
  info->add_option("--format", *format, "Output format")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  info->callback([arguments, format, &exit_code] {
    const std::string file = ResolveDatabase(*arguments, 0, 0).database;
    exit_code = Guarded([&] { return Info(file, *format == "json"); });
  });
}

}  // namespace attrdb
