// Stored text and the exact value formats, at their edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "db/jet/format/error.h"
#include "db/jet/format/text.h"
#include "db/jet/format/values.h"
#include "db/jet/read/index_entries.h"
#include "db/jet/read/table_def.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/row_builder.h"
#include "db/jet/write/table_def_writer.h"

namespace jet {
namespace {

std::u16string Decode(std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> v(bytes);
  std::u16string out = u"stale";
  DecodeText(v, out);
  return out;
}

TEST(DecodeText, BothStoredFormsAndModeSwitches) {
  EXPECT_EQ(Decode({}), u"");
  EXPECT_EQ(Decode({0x61, 0x00}), u"a");  // plain UTF-16, even in a compressed column
  EXPECT_EQ(Decode({0x2D, 0x4E, 0x87, 0x65}), u"中文");
  EXPECT_EQ(Decode({0xFF, 0xFE, 0x61, 0x62, 0x63}), u"abc");
  EXPECT_EQ(Decode({0xFF, 0xFE}), u"");
  // ASCII, a switch to two-byte pairs for 中, a switch back, ASCII again.
  EXPECT_EQ(Decode({0xFF, 0xFE, 0x31, 0x00, 0x2D, 0x4E, 0x00, 0x32}), u"1中2");
  // Ending in two-byte mode with a stray odd byte: the odd byte is dropped.
  EXPECT_EQ(Decode({0xFF, 0xFE, 0x41, 0x00, 0x2D, 0x4E, 0x2D}), u"A中");
  // An odd plain value loses its last byte.
  EXPECT_EQ(Decode({0x61, 0x00, 0x62}), u"a");
}

TEST(FormatCurrency, FourDecimalsAndTheExtremes) {
  EXPECT_EQ(FormatCurrency({35000}), "3.5000");
  EXPECT_EQ(FormatCurrency({0}), "0.0000");
  EXPECT_EQ(FormatCurrency({-1}), "-0.0001");
  EXPECT_EQ(FormatCurrency({std::numeric_limits<int64_t>::max()}),
            "922337203685477.5807");
  EXPECT_EQ(FormatCurrency({std::numeric_limits<int64_t>::min()}),
            "-922337203685477.5808");
}

TEST(FormatDecimal, ExactDigitsAcrossAllFourWords) {
  EXPECT_EQ(FormatDecimal({false, 18, 4, 0, 0}), "0.0000");
  EXPECT_EQ(FormatDecimal({true, 18, 4, 0, 0}), "0.0000");  // no "-0"
  EXPECT_EQ(FormatDecimal({true, 18, 0, 0, 1}), "-1");
  EXPECT_EQ(FormatDecimal({false, 18, 4, 0, 999999999999999999ull}),
            "99999999999999.9999");
  EXPECT_EQ(FormatDecimal({false, 28, 2, 0, 5}), "0.05");
  // 2^64 and 2^128 - 1: carries between the 64-bit halves.
  EXPECT_EQ(FormatDecimal({false, 28, 0, 1, 0}), "18446744073709551616");
  EXPECT_EQ(FormatDecimal({false, 38, 0, ~0ull, ~0ull}),
            "340282366920938463463374607431768211455");
}

TEST(FormatGuid, FirstThreeGroupsAreLittleEndian) {
  Guid g{{0x61, 0x23, 0x9C, 0xC4, 0x8F, 0x5F, 0xEF, 0x41, 0xE3, 0x47, 0xDE,
          0x48, 0x06, 0xD9, 0x52, 0x42}};
  EXPECT_EQ(FormatGuid(g), "{C49C2361-5F8F-41EF-E347-DE4806D95242}");
}

TEST(FormatDateTime, EpochNegativeDaysLeapDaysAndMilliseconds) {
  EXPECT_EQ(FormatDateTime({0.0}), "1899-12-30T00:00:00");
  EXPECT_EQ(FormatDateTime({27293.0}), "1974-09-21T00:00:00");
  // Before 1899-12-30 the fraction still counts forwards in the day.
  EXPECT_EQ(FormatDateTime({-1.25}), "1899-12-29T06:00:00");
  EXPECT_EQ(FormatDateTime({-1.5}), "1899-12-29T12:00:00");
  EXPECT_EQ(FormatDateTime({36585.0 + 86399.0 / 86400}), "2000-02-29T23:59:59");
  EXPECT_EQ(FormatDateTime({1.0 + 0.5 / 86400}), "1899-12-31T00:00:00.500");
  EXPECT_EQ(FormatDateTime({2958465.0 + 86399.0 / 86400}), "9999-12-31T23:59:59");
  // A time that rounds up to midnight moves to the next day.
  EXPECT_EQ(FormatDateTime({1.9999999999}), "1900-01-01T00:00:00");
}

TEST(FormatDateTime, ValuesBeyondTheCalendarRaise) {
  EXPECT_THROW(FormatDateTime({std::numeric_limits<double>::quiet_NaN()}), Error);
  EXPECT_THROW(FormatDateTime({std::numeric_limits<double>::infinity()}), Error);
  EXPECT_THROW(FormatDateTime({1e300}), Error);
}

// Names holding U+20000 (a surrogate pair in UTF-16, four bytes in UTF-8),
// in messages raised on both sides of the engine.
#define U20000_UTF8 "\xF0\xA0\x80\x80"

struct NameInMessage {
  const char* name;
  void (*raise)(TableDef& table);
  const char* expected;
};

class NameInMessageTest : public ::testing::TestWithParam<NameInMessage> {};

TEST_P(NameInMessageTest, ShowsCharactersBeyondTheBmpAsUtf8) {
  TableDef table;
  table.name = u"t\U00020000";
  Column column;
  column.name = u"c\U00020000";
  column.kind = ColumnKind::kText;
  column.length = 2;
  table.columns.push_back(column);
  EXPECT_JET_ERROR(GetParam().raise(table), kInvalidArgument, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, NameInMessageTest,
    ::testing::Values(
        NameInMessage{"ValueTooLong",
                      [](TableDef& t) { CheckColumnValue(t, 0, std::u16string(u"ab")); },
                      "value too long for t" U20000_UTF8 ".c" U20000_UTF8
                      ": 2 characters, at most 1"},
        NameInMessage{"IndexOfMissingColumn",
                      [](TableDef& t) {
                        Index index;
                        index.name = u"i\U00020000";
                        index.columns = {{7, true}};
                        IndexKey(t, index, {Value{}});
                      },
                      "cannot update index i" U20000_UTF8 " of t" U20000_UTF8
                      ": it names a missing column"},
        NameInMessage{"DefinitionTooLarge",
                      [](TableDef& t) {
                        t.columns.resize(200);
                        TableDefPage(t, 1);
                      },
                      "table definition of t" U20000_UTF8 " does not fit one page"}),
    [](const auto& info) { return std::string(info.param.name); });

#undef U20000_UTF8

}  // namespace
}  // namespace jet
