// attrdb lookup and list: the window's two questions, where a number is
// registered and which heads a city has, asked from the command line.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/descriptor.h"
#include "platform/user_data_folder.h"
#include "tools/attrdb/database_location.h"
#include "tools/attrdb/lookup_run.h"
#include "tools/attrdb/progress_bar.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

constexpr char kLookupFooter[] = R"(
Output: one row per number (per input line), in the order given:
  number  status  province  city  postal_code  area_code  card_type
number is the eleven digits of a mobile number, or the text as given when it
is none. status is "found", "not-found" (the head is not in the database),
"not-mobile" (not eleven digits starting with 1 once "+86", "0086" or "86"
in front, blanks and dashes are dropped) or "not-utf8" (a line that is not
UTF-8 text, shown with U+FFFD for each stray byte); the other fields are
then empty (null in JSON). Blank input lines are skipped. area_code
carries its leading 0. A head whose city row is missing is found with empty
province, city, postal code and area code; a card type missing from table
cardtype is shown as its key.
TSV and CSV start with a line of the column names (--no-header drops it);
TSV writes tab, CR, LF and backslash as \t \r \n \\; CSV quotes a field
holding a comma, quote, CR or LF and doubles its quotes; JSON writes one
object per line. All text is UTF-8.
Heads are found both scrambled and still stored as seven plain digits.
Numbers on standard input are answered as they come, and each answer is
written out before attrdb waits for the next line, so that a program can
ask one number at a time. The first lines are answered by seeking their
heads through the file's index on numindex.numhead (attrdb import makes it;
attrdb index add FILE numindex numhead adds it), a few pages each; a long
input then loads every head once, and again when another program changed
the file while attrdb waited for input. Without that index every lookup
reads the whole numindex table first.
Exit code 1 when a line was not a mobile number or not UTF-8 (all rows are
still written) or the database cannot be read.)";

constexpr char kListFooter[] = R"(
The city is every row of table city whose sheng and shi are the names given
(compared without regard to case; a city may be held in several rows, one
per postal or area code); the heads of the first row are listed first, then
those of the next, each row's in stored order as the window lists them, each
followed by "xxxx". Heads still stored
as seven plain digits are listed as they are. Exit code 1 when there is no
such city or a head does not decode (the others are still listed).)";

void AddDatabaseOption(CLI::App& command, std::string& database) {
  const std::string help = std::string("Database file; without it attrdata.mdb in the "
                                       "working folder, else in the data folder (") +
                           platform::kUserDataFolderText + ")";
  command.add_option("--db", database, help)->type_name("FILE");
}

// The file named by --db, else the default database found where the window's
// menu entry keeps it.
std::string DatabaseToRead(const CLI::App& command, const std::string& named) {
  return command.count("--db") > 0 ? named : FindDefaultDatabase(kDefaultDatabase, stderr);
}

}  // namespace

void AddLookupCommands(CLI::App& app, int& exit_code) {
  auto lookup_options = std::make_shared<LookupOptions>();
  CLI::App* lookup = app.add_subcommand(
      "lookup", "Where mobile numbers are registered: province, city, postal code, "
                "area code and card type");
  lookup->footer(kLookupFooter);
  AddDatabaseOption(*lookup, lookup_options->database);
  auto format = std::make_shared<std::string>("tsv");
  lookup->add_option("--format", *format, "Output format")
      ->check(CLI::IsMember({"tsv", "csv", "json"}))
      ->capture_default_str();
  auto no_header = std::make_shared<bool>(false);
  lookup->add_flag("--no-header", *no_header, "No line of column names (TSV and CSV)");
  lookup->add_option("NUMBER", lookup_options->numbers,
                     "Mobile numbers; none, or -: one per line from standard input");
  lookup->callback([lookup, lookup_options, format, no_header, &exit_code] {
    lookup_options->database = DatabaseToRead(*lookup, lookup_options->database);
    if (lookup_options->numbers == std::vector<std::string>{"-"}) lookup_options->numbers.clear();
    lookup_options->format = *format == "csv"    ? OutputFormat::kCsv
                             : *format == "json" ? OutputFormat::kJson
                                                 : OutputFormat::kTsv;
    lookup_options->header = !*no_header;
    ProgressBar bar("bytes");
    lookup_options->progress = [&bar](int64_t done, int64_t total) {
      if (done < 0) {
        bar.Finish();
      } else {
        bar.Show(done, total);
      }
    };
    exit_code = RunLookup(*lookup_options, platform::kStandardInputDescriptor, stdout, stderr);
  });

  auto list_options = std::make_shared<ListOptions>();
  CLI::App* list = app.add_subcommand(
      "list", "The number heads of a city, one \"1380013xxxx\" pattern per line");
  list->footer(kListFooter);
  AddDatabaseOption(*list, list_options->database);
  list->add_option("PROVINCE", list_options->province, "Province (sheng)")->required();
  list->add_option("CITY", list_options->city, "City (shi)")->required();
  list->callback([list, list_options, &exit_code] {
    list_options->database = DatabaseToRead(*list, list_options->database);
    exit_code = RunList(*list_options, stdout, stderr);
  });
}

}  // namespace attrdb
