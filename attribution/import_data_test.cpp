// The import's reading of CSV: the reader's quoting and line numbers, both
// layouts, and the exact message for each kind of bad input.
#include "attribution/import_data.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/scratch_dir.h"

namespace attribution {
namespace {

constexpr const char* kOneFileHeader = "head,province,city,postal_code,area_code,card_type\n";

class ImportInput : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& name, const std::string& text) {
    auto path = dir_.path() / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // The message ReadImportInput raises for `path`, relative to the scratch
  // folder; empty when it raises nothing.
  std::string Fault(const std::filesystem::path& path) {
    try {
      ReadImportInput(path);
      return {};
    } catch (const InputError& e) {
      std::string message = e.what();
      std::string prefix = (dir_.path() / "").string();
      if (message.starts_with(prefix)) message.erase(0, prefix.size());
      // The file's name below the folder, with "/" between folders as the
      // cases write it on every system.
      const size_t name_end = message.find(':');
      for (size_t i = 0; i < name_end && i < message.size(); ++i) {
        if (message[i] == '\\') message[i] = '/';
      }
      return message;
    }
  }
  testing_support::ScratchDir dir_;
};

TEST_F(ImportInput, ReaderSplitsQuotedFieldsAndCountsLines) {
  auto path = Write("a.csv",
                    "\xEF\xBB\xBF" "a,\"b,c\",\"say \"\"hi\"\"\"\r\n"
                    "\n"
                    "\"two\nlines\",,x\n"
                    "last,\"\",\"\"\"\"");
  CsvReader in(path);
  std::vector<std::string> f;
  ASSERT_TRUE(in.Next(f));
  EXPECT_EQ(f, (std::vector<std::string>{"a", "b,c", "say \"hi\""}));
  EXPECT_EQ(in.line(), 1);
  ASSERT_TRUE(in.Next(f));
  EXPECT_EQ(f, (std::vector<std::string>{"two\nlines", "", "x"}));
  EXPECT_EQ(in.line(), 3);
  ASSERT_TRUE(in.Next(f));
  EXPECT_EQ(f, (std::vector<std::string>{"last", "", "\""}));
  EXPECT_EQ(in.line(), 5);
  EXPECT_FALSE(in.Next(f));
}

// The reader holds one block of the file at a time: records that cross
// from one block to the next, and records longer than a block, come out as
// from a file read whole.
class CsvBlocks : public ImportInput, public ::testing::WithParamInterface<size_t> {};

TEST_P(CsvBlocks, RecordsAndLinesDoNotDependOnTheBlockSize) {
  const std::string long_field(100, 'x');
  auto path = Write("a.csv",
                    "\xEF\xBB\xBF" "a,\"b,c\",\"say \"\"hi\"\"\"\r\n"
                    "\r\n\n"
                    "\"two\nlines\",,x\n"
                    "q\"uote,\"spans\nlines\",z\r\n" +
                    long_field + ",\"" + long_field + "\"\"\"\n" +
                    "\"\"\n"
                    "last,\"\",\"\"\"\"");
  struct Record {
    std::vector<std::string> fields;
    int line;
  } expected[] = {
      {{"a", "b,c", "say \"hi\""}, 1},
      {{"two\nlines", "", "x"}, 4},
      {{"q\"uote", "spans\nlines", "z"}, 6},
      {{long_field, long_field + "\""}, 8},
      {{""}, 9},
      {{"last", "", "\""}, 10},
  };
  CsvReader in(path, GetParam());
  std::vector<std::string> f;
  for (const Record& r : expected) {
    ASSERT_TRUE(in.Next(f)) << "line " << r.line;
    EXPECT_EQ(f, r.fields);
    EXPECT_EQ(in.line(), r.line);
  }
  EXPECT_FALSE(in.Next(f));
  EXPECT_FALSE(in.Next(f));
}

TEST_P(CsvBlocks, AQuoteNotClosedIsFoundAcrossBlocks) {
  CsvReader in(Write("a.csv", "a,b\n\"x,y\n" + std::string(200, 'z') + "\n"), GetParam());
  std::vector<std::string> f;
  ASSERT_TRUE(in.Next(f));
  EXPECT_THROW(in.Next(f), InputError);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CsvBlocks, ::testing::Values(16, 17, 29, 64, size_t{1} << 20));

TEST_F(ImportInput, ReaderEstimatesTheLinesOfTheFile) {
  std::string lines;
  for (int i = 0; i < 1000; ++i) lines += "1380013,北京,北京,100000,10,中国移动\n";
  EXPECT_EQ(CsvReader(Write("whole.csv", lines)).EstimatedLines(), 1000u);
  const size_t estimate = CsvReader(Write("part.csv", lines), 4096).EstimatedLines();
  EXPECT_GE(estimate, 1000u);
  EXPECT_LE(estimate, 1100u);
}

TEST_F(ImportInput, ReaderRefusesBrokenQuotes) {
  std::vector<std::string> f;
  CsvReader open_quote(Write("a.csv", "a,b\n\"x,y\n"));
  ASSERT_TRUE(open_quote.Next(f));
  EXPECT_THROW(open_quote.Next(f), InputError);
  EXPECT_EQ(Fault(Write("b.csv", std::string(kOneFileHeader) + "\"1380013\"x,a,b,1,2,c\n")),
            "b.csv:2: text after a closing quote");
  EXPECT_EQ(Fault(Write("c.csv", std::string(kOneFileHeader) + "1380013,\"a,b,1,2,c\n")),
            "c.csv:2: quoted field not closed");
}

TEST_F(ImportInput, OneFileNumbersCitiesAndCardTypesInOrderOfAppearance) {
  auto data = ReadImportInput(Write("heads.csv", std::string(kOneFileHeader) +
                                                     "1390800,广东,广州,510000,20,中国移动\n"
                                                     "1300000,北京,北京,100000,10,中国联通\n"
                                                     "1390801,广东,广州,510000,20,中国移动\n"
                                                     "1800000,广东,深圳,,,中国电信\n"));
  ASSERT_EQ(data.cities.size(), 3u);
  EXPECT_EQ(data.cities[0].index, 1);
  EXPECT_EQ(data.cities[0].city, u"广州");
  EXPECT_EQ(data.cities[1].province, u"北京");
  EXPECT_EQ(data.cities[2].postal_code, u"");
  ASSERT_EQ(data.card_types.size(), 3u);
  EXPECT_EQ(data.card_types[2].key, u"3");
  EXPECT_EQ(data.card_types[2].description, u"中国电信");
  ASSERT_EQ(data.heads.size(), 4u);
  EXPECT_EQ(data.heads[2].head, "1390801");
  EXPECT_EQ(data.heads[2].city, 1);
  EXPECT_EQ(data.heads[3].city, 3);
  EXPECT_EQ(data.heads[3].card_type, 2u);
}

TEST_F(ImportInput, FolderKeepsTheGivenKeys) {
  Write("t/city.csv", "index,sheng,shi,youbian,quhao\n7,北京,北京,100000,10\n3,上海,上海,200000,21\n");
  Write("t/cardtype.csv", "cardtype,describe\nA9,中国移动\n");
  Write("t/numindex.csv", "head,index,cardtype\n1380013,3,A9\n1380014,7,A9\n");
  auto data = ReadImportInput(dir_.path() / "t");
  ASSERT_EQ(data.cities.size(), 2u);
  EXPECT_EQ(data.cities[1].index, 3);
  EXPECT_EQ(data.card_types[0].key, u"A9");
  ASSERT_EQ(data.heads.size(), 2u);
  EXPECT_EQ(data.heads[0].city, 3);
  EXPECT_EQ(data.heads[1].head, "1380014");
}

TEST_F(ImportInput, OneFileFaultsNameFileAndLine) {
  const std::string ok = "1380013,北京,北京,100000,10,中国移动\n";
  struct Case {
    std::string lines;
    std::string message;
  } cases[] = {
      {"138001,北京,北京,1,1,x\n", "2: bad head '138001': seven digits starting with 1 expected"},
      {"2380013,北京,北京,1,1,x\n", "2: bad head '2380013': seven digits starting with 1 expected"},
      {"13800a3,北京,北京,1,1,x\n", "2: bad head '13800a3': seven digits starting with 1 expected"},
      {ok + ok, "3: head 1380013 given twice (first on line 2)"},
      {"1380013,北京,北京,100000,10\n", "2: 5 fields, 6 expected"},
      {"1380013,北京,北京,100000,10,x,y\n", "2: 7 fields, 6 expected"},
      {"1380013,北京,北\xff京,1,1,x\n",
       "2: city is not UTF-8 (is the file GBK? convert it with iconv -f GBK -t UTF-8)"},
      {"1380013,北京,\"北\t京\",1,1,x\n", "2: city '北\t京' holds a control character"},
      {"1380013,北京,O'Hare,1,1,x\n",
       "2: city 'O'Hare' holds a single quote, which lookups cannot carry"},
      {"1380013,北京,北京😀,1,1,x\n", "2: city '北京😀' holds 😀, which GBK cannot represent"},
      {"1380013,北京,北京,12345678901,1,x\n",
       "2: postal_code '12345678901' is 11 characters long, at most 10 fit"},
      {"1380013," + std::string(51, 'a') + ",北京,1,1,x\n",
       "2: province '" + std::string(51, 'a') + "' is 51 characters long, at most 50 fit"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "bad" + std::to_string(++n) + ".csv";
    EXPECT_EQ(Fault(Write(name, kOneFileHeader + c.lines)), name + ":" + c.message) << c.lines;
  }
  EXPECT_EQ(Fault(Write("h.csv", "head,province,city\n")),
            "h.csv:1: header 'head,province,city,postal_code,area_code,card_type' expected, "
            "found 'head,province,city'");
  EXPECT_EQ(Fault(Write("e.csv", "")),
            "e.csv: empty, header 'head,province,city,postal_code,area_code,card_type' expected");
  EXPECT_EQ(Fault(dir_.path() / "absent.csv").substr(0, 26), "absent.csv: cannot be read");
}

// What real data brings: a city with two postal or area codes, heads
// without city, area codes with their leading 0.
TEST_F(ImportInput, SplitCitiesEmptyFieldsAndLeadingZerosInEveryLayout) {
  auto data = ReadImportInput(Write("heads.csv", std::string(kOneFileHeader) +
                                                     "1300000,湖北,襄阳,441000,0710,中国联通\n"
                                                     "1300001,湖北,襄阳,441000,724,中国联通\n"
                                                     "1300002,湖北,襄阳,441000,710,中国移动\n"
                                                     "1300003,湖北,,,,\n"
                                                     "1300004,北京,北京,100000,0,中国移动\n"
                                                     "1300005,湖北,襄阳,441000,00724,中国联通\n"));
  ASSERT_EQ(data.cities.size(), 5u);
  EXPECT_EQ(data.cities[0].area_code, u"710");
  EXPECT_EQ(data.cities[1].area_code, u"724");
  EXPECT_EQ(data.cities[1].city, u"襄阳");
  EXPECT_EQ(data.cities[2].city, u"");
  EXPECT_EQ(data.cities[3].area_code, u"");
  EXPECT_EQ(data.cities[4].area_code, u"0724");  // one 0 dropped, no more
  EXPECT_EQ(data.heads[2].city, 1);
  EXPECT_EQ(data.card_types[2].description, u"");
  EXPECT_EQ(data.summary.split_names, 1u);
  EXPECT_EQ(data.summary.split_rows, 3u);
  EXPECT_EQ(data.summary.split_heads, 4u);
  EXPECT_EQ(data.summary.empty_rows, 2u);
  EXPECT_EQ(data.summary.empty_heads, 2u);
  EXPECT_EQ(data.summary.unzeroed_rows, 3u);
  EXPECT_EQ(data.summary.unzeroed_heads, 4u);

  Write("t/city.csv", "index,sheng,shi,youbian,quhao\n1,湖北,襄阳,441000,0710\n"
                      "2,湖北,襄阳,441000,724\n3,,,,\n");
  Write("t/cardtype.csv", "cardtype,describe\n1,\n");
  Write("t/numindex.csv", "head,index,cardtype\n1300000,1,1\n1300001,2,1\n1300002,3,1\n");
  data = ReadImportInput(dir_.path() / "t");
  EXPECT_EQ(data.cities[0].area_code, u"710");
  EXPECT_EQ(data.cities[2].province, u"");
  EXPECT_EQ(data.summary.split_names, 1u);
  EXPECT_EQ(data.summary.split_heads, 2u);
  EXPECT_EQ(data.summary.empty_rows, 1u);
  EXPECT_EQ(data.summary.unzeroed_rows, 1u);
}

TEST_F(ImportInput, LayoutIsToldByContentOrNamed) {
  const std::string csv = std::string(kOneFileHeader) + "1300000,a,b,1,2,c\n";
  EXPECT_EQ(ReadImportInput(Write("x.dat", "\xEF\xBB\xBF" + csv)).heads.size(), 1u);
  // A phone.dat of no heads: version, index offset 8.
  const std::string empty_dat("2412\x08\0\0\0", 8);
  EXPECT_EQ(ReadImportInput(Write("phone.dat", empty_dat)).heads.size(), 0u);
  EXPECT_EQ(Fault(Write("odd.txt", "hello, world\n")),
            "odd.txt: the format cannot be told (use --format)");
  EXPECT_EQ(Fault(Write("h.csv", "head,x\n")).substr(0, 20), "h.csv:1: header 'hea");
  EXPECT_EQ(ReadImportInput(Write("y", csv), ImportFormat::kCsv).heads.size(), 1u);
  EXPECT_THROW(ReadImportInput(Write("z", csv), ImportFormat::kPhoneDat), InputError);
}

TEST_F(ImportInput, FolderFaultsNameFileAndLine) {
  Write("t/city.csv", "index,sheng,shi,youbian,quhao\n1,北京,北京,100000,10\n");
  Write("t/cardtype.csv", "cardtype,describe\n1,中国移动\n");
  const std::filesystem::path t = dir_.path() / "t";
  struct Case {
    std::string file, text, message;
  } cases[] = {
      {"numindex.csv", "head,index,cardtype\n1380013,2,1\n",
       "t/numindex.csv:2: index 2 is not in city.csv"},
      {"numindex.csv", "head,index,cardtype\n1380013,1,9\n",
       "t/numindex.csv:2: cardtype 9 is not in cardtype.csv"},
      {"numindex.csv", "head,index,cardtype\n1380013,x,1\n",
       "t/numindex.csv:2: index 'x' is not a whole number from 0 to 2147483647"},
      {"city.csv", "index,sheng,shi,youbian,quhao\n1,北京,北京,1,1\n1,上海,上海,2,2\n",
       "t/city.csv:3: index 1 given twice (first on line 2)"},
      {"city.csv", "index,sheng,shi,youbian,quhao\n-1,北京,北京,1,1\n",
       "t/city.csv:2: index '-1' is not a whole number from 0 to 2147483647"},
      {"city.csv", "index,sheng,shi,youbian,quhao\n99999999999,北京,北京,1,1\n",
       "t/city.csv:2: index '99999999999' is not a whole number from 0 to 2147483647"},
      {"cardtype.csv", "cardtype,describe\n1,a\n1,b\n",
       "t/cardtype.csv:3: cardtype 1 given twice (first on line 2)"},
      {"cardtype.csv", "cardtype,describe\n12345678901,a\n",
       "t/cardtype.csv:2: cardtype '12345678901' is 11 characters long, at most 10 fit"},
  };
  for (const Case& c : cases) {
    Write("t/numindex.csv", "head,index,cardtype\n1380013,1,1\n");
    Write("t/city.csv", "index,sheng,shi,youbian,quhao\n1,北京,北京,100000,10\n");
    Write("t/cardtype.csv", "cardtype,describe\n1,中国移动\n");
    Write("t/" + c.file, c.text);
    EXPECT_EQ(Fault(t), c.message) << c.text;
  }
  std::filesystem::remove(t / "cardtype.csv");
  EXPECT_EQ(Fault(t).substr(0, 30), "t/cardtype.csv: cannot be read");
}

}  // namespace
}  // namespace attribution
