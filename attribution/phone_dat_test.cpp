// phone.dat files written here, read back, imported, answered and written
// again; and every kind of damage, each at a named byte with its message.
#include "attribution/phone_dat.h"

#include <gtest/gtest.h>

#include <fstream>

#include "attribution/import_builder.h"
#include "attribution/phone_dat_format.h"
#include "attribution/test_db.h"
#include "db/jet/format/byte_reader.h"
#include "db/jet/file/page_file.h"
#include "testing/scratch_dir.h"

namespace attribution {
namespace {

using namespace phone_dat;

struct Head {
  uint32_t head;
  std::string province, city, postal_code, area_code;
  uint8_t card_type;
};

// A file of the heads given (in increasing order), made by the writer.
std::string File(const std::vector<Head>& heads, std::string_view version = "2412") {
  PhoneDatWriter writer;
  for (const Head& h : heads) {
    writer.Add(h.head, h.province, h.city, h.postal_code, h.area_code, h.card_type);
  }
  return writer.Finish(version);
}

// Real data's shapes: a city with two postal and area codes, a head without
// city, area codes with their 0, a record used twice apart, card types known
// and unknown.
const std::vector<Head> kRealShapes = {
    {1300000, "湖北", "襄阳", "441000", "0710", 2},
    {1300001, "湖北", "襄阳", "441000", "0724", 2},
    {1300002, "北京", "北京", "100000", "010", 1},
    {1300003, "湖北", "襄阳", "441000", "0710", 1},
    {1340000, "新疆", "", "", "", 3},
    {1700000, "北京", "北京", "100000", "010", 8},
    {1990000, "北京", "北京", "100000", "010", 42},
};

AttributionData Parse(const std::string& bytes) {
  return ParsePhoneDat({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, "t.dat");
}

// The file `bytes` imported, loaded and written again.
std::string RoundTrip(const std::string& bytes, std::string_view version) {
  const AttributionData data = Parse(bytes);
  jet::Database db(std::make_unique<jet::MemoryPageFile>(
      BuildAttributionImage(data, false, nullptr), false));
  return WritePhoneDat(AttributionIndex::Load(db), version);
}

TEST(PhoneDat, WriterStoresEachRecordOnceInOrderOfFirstUse) {
  const std::string file = File({{1300000, "A", "B", "1", "02", 1},
                                 {1300001, "C", "D", "", "", 2},
                                 {1300002, "A", "B", "1", "02", 3}},
                                "2501");
  const std::string records = std::string("A|B|1|02") + '\0' + "C|D||" + '\0';
  ASSERT_EQ(file.size(), kHeaderSize + records.size() + 3 * kEntrySize);
  EXPECT_EQ(file.substr(0, 4), "2501");
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
  EXPECT_EQ(jet::LoadU32(bytes + kIndexOffsetOffset), kHeaderSize + records.size());
  EXPECT_EQ(file.substr(kHeaderSize, records.size()), records);
  const uint8_t* third = bytes + kHeaderSize + records.size() + 2 * kEntrySize;
  EXPECT_EQ(jet::LoadU32(third + kEntryHead), 1300002u);
  EXPECT_EQ(jet::LoadU32(third + kEntryRecord), kHeaderSize);
  EXPECT_EQ(third[kEntryCardType], 3);
  EXPECT_THROW(PhoneDatWriter().Add(1300000, "a|b", "", "", "", 1), InputError);
}

TEST(PhoneDat, SplitCitiesEmptyCitiesAndLeadingZerosImport) {
  const AttributionData data = Parse(File(kRealShapes));
  ASSERT_EQ(data.cities.size(), 4u);
  EXPECT_EQ(data.cities[0].city, u"襄阳");
  EXPECT_EQ(data.cities[0].area_code, u"710");
  EXPECT_EQ(data.cities[1].city, u"襄阳");
  EXPECT_EQ(data.cities[1].area_code, u"724");
  EXPECT_EQ(data.cities[2].area_code, u"10");
  EXPECT_EQ(data.cities[3].province, u"新疆");
  EXPECT_EQ(data.cities[3].city, u"");
  ASSERT_EQ(data.heads.size(), 7u);
  EXPECT_EQ(data.heads[3].city, 1);  // the same record as the first head
  EXPECT_EQ(data.heads[4].head, "1340000");
  ASSERT_EQ(data.card_types.size(), 5u);
  EXPECT_EQ(data.card_types[0].key, u"2");
  EXPECT_EQ(data.card_types[0].description, u"中国联通");
  EXPECT_EQ(data.card_types[3].description, u"中国广电虚拟运营商");
  EXPECT_EQ(data.card_types[4].key, u"42");
  EXPECT_EQ(data.card_types[4].description, u"42");
}

TEST(PhoneDat, ImportThenWriteGivesTheSameBytes) {
  const std::string file = File(kRealShapes, "2412");
  EXPECT_EQ(RoundTrip(file, "2412"), file);
  std::vector<Head> many;
  for (uint32_t i = 0; i < 30000; ++i) {
    many.push_back({1300000 + i * 13, "省" + std::to_string(i % 31), "市" + std::to_string(i % 97),
                    std::to_string(100000 + i % 97), "0" + std::to_string(300 + i % 97),
                    static_cast<uint8_t>(i % 8 + 1)});
  }
  const std::string large = File(many, "0001");
  EXPECT_EQ(RoundTrip(large, "0001"), large);
}

TEST(PhoneDat, WritingNamesCardTypesWithoutTheirCountryAndRefusesOthers) {
  testing::TestData data;
  data.cities = {{1, u"北京", u"北京", u"100000", u"10"}};
  data.card_types = {{u"1", u"电信虚拟运营商"}, {u"2", u"中国移动"}, {u"3", u"卫星"}};
  data.heads = {{testing::Scrambled("1700000"), 1, u"1"},
                {testing::Scrambled("1700001"), 1, u"1"},
                {testing::Scrambled("1380000"), 1, u"2"}};
  auto db = testing::MakeDatabase(data);
  std::vector<std::string> renamed;
  const AttributionData back = Parse(WritePhoneDat(AttributionIndex::Load(*db), "2412", &renamed));
  EXPECT_EQ(renamed, std::vector<std::string>{"'电信虚拟运营商' as 4 中国电信虚拟运营商"});
  ASSERT_EQ(back.card_types.size(), 2u);
  EXPECT_EQ(back.card_types[1].description, u"中国电信虚拟运营商");

  data.heads.push_back({testing::Scrambled("1990000"), 1, u"3"});
  db = testing::MakeDatabase(data);
  try {
    WritePhoneDat(AttributionIndex::Load(*db), "2412");
    FAIL();
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              "card type '卫星' has no phone.dat code (a name of the format or a number)");
  }
}

TEST(PhoneDat, CardTypeCodes) {
  EXPECT_EQ(PhoneDatCardType("中国移动"), 1);
  EXPECT_EQ(PhoneDatCardType("中国广电虚拟运营商"), 8);
  EXPECT_EQ(PhoneDatCardType("42"), 42);
  EXPECT_EQ(PhoneDatCardType("255"), 255);
  EXPECT_EQ(PhoneDatCardType("256"), std::nullopt);
  EXPECT_EQ(PhoneDatCardType("042"), std::nullopt);
  EXPECT_EQ(PhoneDatCardType("移动"), std::nullopt);
  EXPECT_EQ(PhoneDatCardType(""), std::nullopt);
  EXPECT_EQ(PhoneDatCardType("电信虚拟运营商"), std::nullopt);
  bool near = true;
  EXPECT_EQ(PhoneDatCardType("中国电信", &near), 3);
  EXPECT_FALSE(near);
  EXPECT_EQ(PhoneDatCardType("电信虚拟运营商", &near), 4);
  EXPECT_TRUE(near);
  EXPECT_EQ(PhoneDatCardType("", &near), std::nullopt);
}

// A file of two records and three entries, changed by `damage`.
struct Damage {
  const char* name;
  void (*change)(std::string& file, size_t index);
  std::string message;
};

std::string Small() {
  return File({{1300000, "北京", "北京", "100000", "010", 1},
               {1300001, "湖北", "襄阳", "441000", "0710", 2},
               {1300002, "北京", "北京", "100000", "010", 3}});
}
// Records: "北京|北京|100000|010" (24 bytes and NUL) at 8, "湖北|襄阳|441000|0710"
// at 33; the index at 59: entries at 59, 68 and 77; 86 bytes in all.
constexpr size_t kIndex = 59;

void PutU32(std::string& file, size_t at, uint32_t value) {
  jet::StoreU32(reinterpret_cast<uint8_t*>(file.data() + at), value);
}

class PhoneDatDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(PhoneDatDamage, IsRefusedNamingTheByte) {
  std::string file = Small();
  ASSERT_EQ(jet::LoadU32(reinterpret_cast<const uint8_t*>(file.data()) + 4), kIndex);
  ASSERT_EQ(file.size(), 86u);
  GetParam().change(file, kIndex);
  try {
    Parse(file);
    FAIL() << "no error";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()), "t.dat: " + GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Every, PhoneDatDamage,
    ::testing::Values(
        Damage{"ShortHeader", [](std::string& f, size_t) { f.resize(5); },
               "byte 0: a header of 8 bytes expected, the file has 5"},
        Damage{"Version", [](std::string& f, size_t) { f[2] = 'x'; },
               "byte 0: the version is not four digits"},
        Damage{"IndexPastTheEnd", [](std::string& f, size_t) { PutU32(f, 4, 87); },
               "byte 4: index offset 87 lies outside the file's 86 bytes after the header"},
        Damage{"IndexInTheHeader", [](std::string& f, size_t) { PutU32(f, 4, 3); },
               "byte 4: index offset 3 lies outside the file's 86 bytes after the header"},
        Damage{"IndexNotWholeEntries", [](std::string& f, size_t) { f.push_back('\0'); },
               "byte 59: the index's 28 bytes are not a whole number of 9-byte entries"},
        Damage{"NotSorted", [](std::string& f, size_t i) { PutU32(f, i + 9, 1200000); },
               "byte 68: head 1200000 does not follow 1300000 (the index must be sorted by head)"},
        Damage{"HeadTwice", [](std::string& f, size_t i) { PutU32(f, i + 9, 1300000); },
               "byte 68: head 1300000 does not follow 1300000 (the index must be sorted by head)"},
        Damage{"HeadNotSevenDigits", [](std::string& f, size_t i) { PutU32(f, i, 130000); },
               "byte 59: head 130000 is not seven digits starting with 1"},
        Damage{"RecordInTheHeader", [](std::string& f, size_t i) { PutU32(f, i + 13, 4); },
               "byte 72: record offset 4 lies outside the record area (bytes 8 to 59)"},
        Damage{"RecordInTheIndex", [](std::string& f, size_t i) { PutU32(f, i + 13, 59); },
               "byte 72: record offset 59 lies outside the record area (bytes 8 to 59)"},
        Damage{"RecordPastTheEnd", [](std::string& f, size_t i) { PutU32(f, i + 4, 4000); },
               "byte 63: record offset 4000 lies outside the record area (bytes 8 to 59)"},
        Damage{"RecordMidway", [](std::string& f, size_t i) { PutU32(f, i + 13, 35); },
               "byte 72: record offset 35 is not the start of a record"},
        Damage{"NoNul", [](std::string& f, size_t i) { f[i - 1] = '0'; },
               "byte 33: the record has no NUL before the index"},
        Damage{"NotUtf8", [](std::string& f, size_t) { f[15] = '\xFF'; },
               "byte 15: the record is not UTF-8"},
        Damage{"CutCharacter", [](std::string& f, size_t) { f[31] = '\xE5'; },
               "byte 31: the record is not UTF-8"},
        Damage{"ThreeFields", [](std::string& f, size_t) { f[21] = ','; },
               "byte 8: the record '北京|北京,100000|010' has 3 fields, 4 expected"},
        Damage{"SingleQuote", [](std::string& f, size_t) { f[22] = '\''; },
               "byte 8: postal_code '\'00000' holds a single quote, which lookups cannot "
               "carry"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PhoneDat, RecordsNoHeadUsesAreLeftOutAndCounted) {
  std::string file = Small();
  PutU32(file, kIndex + kEntrySize + kEntryRecord, kHeaderSize);  // 湖北 no longer used
  const AttributionData data = Parse(file);
  ASSERT_EQ(data.cities.size(), 1u);
  EXPECT_EQ(data.cities[0].province, u"北京");
  EXPECT_EQ(data.heads[1].city, 1);
  EXPECT_EQ(data.summary.unused_records, 1u);
}

TEST(PhoneDat, FileIsMappedAndNamedInMessages) {
  testing_support::ScratchDir dir;
  const std::string file = File(kRealShapes);
  std::ofstream(dir.path() / "phone.dat", std::ios::binary) << file;
  EXPECT_EQ(ReadPhoneDat(dir.path() / "phone.dat").heads.size(), kRealShapes.size());
  std::ofstream(dir.path() / "short.dat", std::ios::binary) << "24";
  try {
    ReadPhoneDat(dir.path() / "short.dat");
    FAIL();
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()), (dir.path() / "short.dat").string() +
                                         ": byte 0: a header of 8 bytes expected, the file has 2");
  }
  EXPECT_THROW(ReadPhoneDat(dir.path() / "absent.dat"), InputError);
  EXPECT_THROW(ReadPhoneDat(dir.path()), InputError);
}

}  // namespace
}  // namespace attribution
