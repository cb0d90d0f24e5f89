// attrdb lookup and list run in process on database files written by our
// engine: exact output of each format, statuses, exit codes and messages.
#include "tools/attrdb/lookup_run.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "attribution/test_db.h"
#include "db/jet/read/database.h"
#include "db/jet/write/index_adder.h"
#include "db/jet/write/writer.h"
#include "platform/descriptor.h"
#include "testing/scratch_dir.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

using attribution::testing::Plain;
using attribution::testing::Scrambled;

struct Result {
  int code;
  std::string out;
  std::string err;
};

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

class LookupRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    attribution::testing::TestData data;
    data.cities = {{1, u"北京", u"北京", u"100000", u"10"},
                   {7, u"广东", u"深圳", u"518000", u"755"},
                   {8, u"Odd, \"quoted\"", u"tab\there", u"0\\1", u"line\nbreak"},
                   {9, u"广东", u"深圳", u"518001", u"756"},
                   {10, u"Shan", u"Mixed", u"", u""}};
    data.card_types = {{u"1", u"中国移动"}, {u"3", u"中国电信"}};
    data.heads = {{Scrambled("1581308"), 7, u"1"},  {Scrambled("1380013"), 1, u"1"},
                  {Plain("1330755"), 7, u"3"},      {Scrambled("1990000"), 8, u"1"},
                  {Scrambled("1581309"), 9, u"1"},  {Plain("1234567"), 7, u"1"},
                  {u"abcdefghi", 7, u"1"},          {Scrambled("1770000"), 7, u"4"},
                  {Scrambled("1800000"), 10, u"1"}};
    database_ = dir_.path() / "attrdata.mdb";
    attribution::testing::SaveDatabase(data, database_);
  }

  Result Lookup(LookupOptions options, const std::string& input = "") {
    options.database = database_.string();
    const auto input_path = dir_.path() / "input.txt";
    std::ofstream(input_path, std::ios::binary) << input;
    const int fd = platform::OpenReadDescriptor(input_path);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunLookup(options, fd, out, err);
    platform::CloseDescriptor(fd);
    return {code, ReadAll(out), ReadAll(err)};
  }

  Result List(const std::string& province, const std::string& city) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunList({database_.string(), province, city}, out, err);
    return {code, ReadAll(out), ReadAll(err)};
  }

  // Gives the database an index on `table`.`column`.
  void Index(std::u16string table, std::u16string column) {
    auto db = jet::Database::Open(database_, jet::OpenMode::kReadWrite);
    jet::Writer writer(*db, jet::WriterOptions{.sync = false});
    writer.Begin();
    jet::AddIndex(*db, writer, table, {column, {column}});
    writer.Commit();
  }

  testing_support::ScratchDir dir_;
  std::filesystem::path database_;
};

TEST_F(LookupRunTest, TsvFromStandardInput) {
  // A byte order mark before the first line is passed over.
  const Result r = Lookup({}, "\xEF\xBB\xBF" "13800138000\r\n+86 158-1308-0000\n13307550000\n"
                              "13900000000\nhello\tworld\n\n \t\n\xB1\xB1\n12345\n"
                              "0086 17700000000");
  EXPECT_EQ(r.out,
            "number\tstatus\tprovince\tcity\tpostal_code\tarea_code\tcard_type\n"
            "13800138000\tfound\t北京\t北京\t100000\t010\t中国移动\n"
            "15813080000\tfound\t广东\t深圳\t518000\t0755\t中国移动\n"
            "13307550000\tfound\t广东\t深圳\t518000\t0755\t中国电信\n"
            "13900000000\tnot-found\t\t\t\t\t\n"
            "hello\\tworld\tnot-mobile\t\t\t\t\t\n"
            "\uFFFD\uFFFD\tnot-utf8\t\t\t\t\t\n"
            "12345\tnot-mobile\t\t\t\t\t\n"
            "17700000000\tfound\t广东\t深圳\t518000\t0755\t4\n");
  EXPECT_EQ(r.code, kExitFailed);
  // Blank lines are passed over.
  EXPECT_EQ(r.err,
            "attrdb: 1 line was not UTF-8\nattrdb: 2 lines were not a mobile number\n");
}

TEST_F(LookupRunTest, ArgumentsInsteadOfInputAndNoHeader) {
  LookupOptions options;
  options.header = false;
  options.numbers = {"15813090000", "18000000000", "19900000000"};
  const Result r = Lookup(options, "13800138000\n");
  EXPECT_EQ(r.out,
            "15813090000\tfound\t广东\t深圳\t518001\t0756\t中国移动\n"
            "18000000000\tfound\tShan\tMixed\t\t\t中国移动\n"
            "19900000000\tfound\tOdd, \"quoted\"\ttab\\there\t0\\\\1\t0line\\nbreak\t中国移动\n");
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_EQ(r.err, "");
}

TEST_F(LookupRunTest, CsvQuotesOddText) {
  LookupOptions options;
  options.format = OutputFormat::kCsv;
  options.numbers = {"19900000000", "1,2", "13900000000"};
  const Result r = Lookup(options);
  EXPECT_EQ(r.out,
            "number,status,province,city,postal_code,area_code,card_type\n"
            "19900000000,found,\"Odd, \"\"quoted\"\"\",tab\there,0\\1,\"0line\nbreak\",中国移动\n"
            "\"1,2\",not-mobile,,,,,\n"
            "13900000000,not-found,,,,,\n");
  EXPECT_EQ(r.code, kExitFailed);
}

TEST_F(LookupRunTest, JsonLines) {
  LookupOptions options;
  options.format = OutputFormat::kJson;
  options.numbers = {"19900000000", "13900000000", "\"\xB1\xB1\"", "18000000000"};
  const Result r = Lookup(options);
  EXPECT_EQ(r.out,
            "{\"number\":\"19900000000\",\"status\":\"found\",\"province\":\"Odd, \\\"quoted\\\"\","
            "\"city\":\"tab\\there\",\"postal_code\":\"0\\\\1\",\"area_code\":\"0line\\nbreak\","
            "\"card_type\":\"中国移动\"}\n"
            "{\"number\":\"13900000000\",\"status\":\"not-found\",\"province\":null,\"city\":null,"
            "\"postal_code\":null,\"area_code\":null,\"card_type\":null}\n"
            "{\"number\":\"\\\"\uFFFD\uFFFD\\\"\",\"status\":\"not-utf8\",\"province\":null,"
            "\"city\":null,\"postal_code\":null,\"area_code\":null,\"card_type\":null}\n"
            "{\"number\":\"18000000000\",\"status\":\"found\",\"province\":\"Shan\",\"city\":"
            "\"Mixed\",\"postal_code\":\"\",\"area_code\":\"\",\"card_type\":\"中国移动\"}\n");
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_EQ(r.err, "attrdb: 1 line was not UTF-8\n");
}

TEST_F(LookupRunTest, ManyLinesKeepTheirOrder) {
  std::string input, expected;
  LookupOptions options;
  options.header = false;
  for (int i = 0; i < 200000; ++i) {
    const bool known = i % 3 == 0;
    const std::string number = known ? "1380013" + std::to_string(1000 + i % 9000)
                                     : "1390000" + std::to_string(1000 + i % 9000);
    input += number + "\n";
    expected += number + (known ? "\tfound\t北京\t北京\t100000\t010\t中国移动\n"
                                : "\tnot-found\t\t\t\t\t\n");
  }
  const Result r = Lookup(options, input);
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_TRUE(r.out == expected) << r.out.substr(0, 200);
}

// attrdb lookup run as a co-process of the test: lines written into a pipe
// one at a time, each row awaited in the output file before the next line.
class Coprocess {
 public:
  Coprocess(LookupOptions options, const std::filesystem::path& answers)
      : input_(platform::MakePipe()), answers_(answers),
        out_(std::fopen(answers.string().c_str(), "wb")), err_(std::tmpfile()),
        lookup_([this, options] { code_ = RunLookup(options, input_.read, out_, err_); }) {}

  // Writes `line`; unless it is blank, waits (up to 10 s) for its row and
  // returns the rows written so far.
  long Ask(const std::string& line) {
    platform::WriteAll(input_.write, (line + "\n").data(), line.size() + 1);
    if (line.empty()) return rows_;  // a blank line gets no row
    ++rows_;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Rows() < rows_ && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return Rows();
  }
  // Ends the input; the exit code, the output and the messages.
  Result Finish() {
    platform::CloseDescriptor(input_.write);
    lookup_.join();
    platform::CloseDescriptor(input_.read);
    std::fclose(out_);
    return {code_, Output(), ReadAll(err_)};
  }

 private:
  std::string Output() const {
    std::ifstream file(answers_, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  long Rows() const {
    const std::string text = Output();
    return std::count(text.begin(), text.end(), '\n');
  }

  platform::Pipe input_;
  std::filesystem::path answers_;
  std::FILE* out_;
  std::FILE* err_;
  int code_ = -1;
  long rows_ = 0;
  std::thread lookup_;
};

// A program that writes one number and waits for its answer gets it before
// it writes the next, whether the heads are sought or the file scanned.
TEST_F(LookupRunTest, AnswersEachLineBeforeTheNextIsWritten) {
  for (bool indexed : {false, true}) {
    if (indexed) Index(u"numindex", u"numhead");
    LookupOptions options;
    options.database = database_.string();
    options.header = false;
    Coprocess lookup(options, dir_.path() / "answers.txt");
    long rows = 0;
    for (const std::string line : {"13800138000", "hello", "", "+86 158 1309 0000"}) {
      if (!line.empty()) ++rows;
      EXPECT_EQ(lookup.Ask(line), rows) << line << " " << indexed;
    }
    const Result r = lookup.Finish();
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_EQ(r.out,
              "13800138000\tfound\t北京\t北京\t100000\t010\t中国移动\n"
              "hello\tnot-mobile\t\t\t\t\t\n"
              "15813090000\tfound\t广东\t深圳\t518001\t0756\t中国移动\n");
    EXPECT_EQ(r.err, "attrdb: 1 line was not a mobile number\n");
  }
}

// A program that keeps asking sees a change another program made to the
// file in between, whether its heads are sought or all were loaded.
TEST_F(LookupRunTest, AProgramThatKeepsAskingSeesTheFileChange) {
  Index(u"numindex", u"numhead");
  for (size_t seek_lines : {size_t{64}, size_t{0}}) {
    const auto file = dir_.path() / ("asked" + std::to_string(seek_lines) + ".mdb");
    std::filesystem::copy_file(database_, file);
    LookupOptions options;
    options.database = file.string();
    options.header = false;
    options.seek_lines = seek_lines;
    Coprocess lookup(options, dir_.path() / "answers.txt");
    EXPECT_EQ(lookup.Ask("13307550000"), 1);
    // File times move in steps of a few milliseconds on some systems.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
      // The head stored plain is scrambled, in Beijing.
      auto db = jet::Database::Open(file, jet::OpenMode::kReadWrite);
      jet::Writer writer(*db, jet::WriterOptions{.sync = false});
      auto numindex = db->GetTable(u"numindex");
      writer.InsertRow(numindex, {{numindex->ColumnIndex(u"numhead"), Scrambled("1330755")},
                                  {numindex->ColumnIndex(u"index"), int32_t{1}},
                                  {numindex->ColumnIndex(u"cardtype"), std::u16string(u"1")}});
    }
    EXPECT_EQ(lookup.Ask("13307550001"), 2);
    EXPECT_EQ(lookup.Finish().out,
              "13307550000\tfound\t广东\t深圳\t518000\t0755\t中国电信\n"
              "13307550001\tfound\t北京\t北京\t100000\t010\t中国移动\n")
        << seek_lines;
  }
}

// The same rows, line for line, whichever way the numbers are answered:
// heads sought in the file's index, the whole attribution loaded, or the
// numbers given as arguments; in each format, with and without an index.
class LookupPathsTest
    : public LookupRunTest,
      public ::testing::WithParamInterface<std::tuple<OutputFormat, bool>> {};

TEST_P(LookupPathsTest, EveryPathGivesTheSameRows) {
  const auto [format, indexed] = GetParam();
  if (indexed) Index(u"numindex", u"numhead");
  // Heads held scrambled, plain, in rows that need escaping, or not at all,
  // written the ways people write them, between blank lines and text that
  // is no number.
  const std::vector<std::string> heads = {"1581308", "1380013", "1330755", "1990000",
                                          "1581309", "1770000", "1800000", "1390000",
                                          "1234567", "1999999"};
  std::string input;
  std::vector<std::string> numbers;
  for (size_t i = 0; i < 3000; ++i) {
    const std::string& head = heads[(i * 7) % heads.size()];
    const std::string tail = std::to_string(1000 + i % 9000);
    std::string line;
    switch (i % 6) {
      case 0: line = head + tail; break;
      case 1: line = "+86 " + head.substr(0, 3) + "-" + head.substr(3) + "-" + tail; break;
      case 2: line = "0086" + head + tail; break;
      case 3: line = i % 12 == 3 ? "" : head + tail; break;
      case 4: line = i % 24 == 4 ? "no, \"number\"" : head + tail; break;
      default: line = i % 30 == 5 ? "\xB1\xB1" : head + tail; break;
    }
    input += line + (i % 2 ? "\r\n" : "\n");
    if (!line.empty()) numbers.push_back(line);
  }
  LookupOptions options;
  options.format = format;
  options.seek_lines = 0;
  const Result bulk = Lookup(options, input);
  EXPECT_EQ(bulk.code, kExitFailed);
  for (size_t seek_lines : {size_t{64}, size_t{1000000}}) {
    options.seek_lines = seek_lines;
    const Result r = Lookup(options, input);
    EXPECT_TRUE(r.out == bulk.out) << seek_lines;
    EXPECT_EQ(r.err, bulk.err) << seek_lines;
  }
  options.numbers = numbers;
  EXPECT_TRUE(Lookup(options).out == bulk.out);
  // A few numbers given are answered from their own heads' rows.
  options.numbers.resize(40);
  std::string first_lines;
  for (const std::string& number : options.numbers) first_lines += number + "\n";
  const Result few = Lookup(options);
  options.numbers.clear();
  options.seek_lines = 0;
  EXPECT_EQ(few.out, Lookup(options, first_lines).out);
}

std::string PathsTestName(
    const ::testing::TestParamInfo<std::tuple<OutputFormat, bool>>& info) {
  static constexpr const char* kFormats[] = {"Tsv", "Csv", "Json"};
  return std::string(kFormats[static_cast<int>(std::get<0>(info.param))]) +
         (std::get<1>(info.param) ? "Indexed" : "Scanned");
}

INSTANTIATE_TEST_SUITE_P(FormatsAndIndexes, LookupPathsTest,
                         ::testing::Combine(::testing::Values(OutputFormat::kTsv,
                                                              OutputFormat::kCsv,
                                                              OutputFormat::kJson),
                                            ::testing::Bool()),
                         PathsTestName);

TEST_F(LookupRunTest, MissingDatabaseIsAnError) {
  LookupOptions options;
  options.numbers = {"13800138000"};
  options.database = (dir_.path() / "absent.mdb").string();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(RunLookup(options, -1, out, err), kExitFailed);
  EXPECT_EQ(ReadAll(out), "");
  const std::string message = ReadAll(err);
  EXPECT_EQ(message.rfind("attrdb: ", 0), 0u) << message;
  EXPECT_NE(message.find("absent.mdb"), std::string::npos) << message;
}

TEST_F(LookupRunTest, ListGivesEveryMatchingCityRowsHeadsFirstRowFirst) {
  // The same whether the heads are scanned for or sought through an index.
  for (bool indexed : {false, true}) {
    if (indexed) Index(u"numindex", u"index");
    // 广东/深圳 is there twice: the first row's heads (key 7) come first,
    // then the second's, each in stored order. A head stored plain is listed
    // as it is; one that does not decode is reported and the rest still
    // listed.
    const Result r = List("广东", "深圳");
    EXPECT_EQ(r.out, "1581308xxxx\n1330755xxxx\n1234567xxxx\n1770000xxxx\n1581309xxxx\n");
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_EQ(r.err,
              "attrdb: number head abcdefghi does not decode: 'abc' is not a valid integer value\n");

    const Result beijing = List("北京", "北京");
    EXPECT_EQ(beijing.out, "1380013xxxx\n");
    EXPECT_EQ(beijing.code, kExitOk);
    EXPECT_EQ(beijing.err, "");
    // Names compare without regard to case, as in a statement.
    EXPECT_EQ(List("SHAN", "mixed").out, "1800000xxxx\n");
  }
}

TEST_F(LookupRunTest, ListOfAnUnknownCity) {
  for (const auto& [province, city] : std::vector<std::pair<std::string, std::string>>{
           {"广东", "广州"}, {"深圳", "广东"}, {"", ""}, {"广东 ", "深圳"}}) {
    const Result r = List(province, city);
    EXPECT_EQ(r.code, kExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "attrdb: no city " + city + " in province " + province + "\n");
  }
}

}  // namespace
}  // namespace attrdb
