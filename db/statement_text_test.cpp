// The parts of the connection and the cursor that need no database: the
// connection string, the parameter-marker scan, value formats, column names
// and provider messages.
#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "db/connection_string.h"
#include "db/field_format.h"
#include "db/parameter_scan.h"
#include "db/provider_error.h"
#include "db/query_result.h"
#include "testing/expect_raise.h"

namespace db {
namespace {

TEST(ConnectionString, FixedTextAndKeys) {
  std::string text = BuildConnectionString();
  EXPECT_EQ(text.size(), 552u);
  EXPECT_EQ(text.substr(0, 76),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=attrdata.mdb;Mode");
  EXPECT_EQ(text.substr(text.size() - 19), "Jet OLEDB:SFP=False");
  ConnectionKeys keys = ParseConnectionString(text);
  EXPECT_EQ(keys.size(), 18u);
  EXPECT_EQ(FindKey(keys, "data source"), "attrdata.mdb");
  EXPECT_EQ(FindKey(keys, "Extended Properties"), "");
  EXPECT_EQ(FindKey(keys, "Jet OLEDB:Don't Copy Locale on Compact"), "False");
  ConnectionSettings settings = ReadConnectionSettings(text);
  EXPECT_EQ(settings.data_source, "attrdata.mdb");
  EXPECT_FALSE(settings.read_only);
}

TEST(ConnectionString, QuotingAndRejectedSettings) {
  ConnectionKeys keys =
      ParseConnectionString(" A = 1 ;;B=\"x;\"\"y\"; C='it''s' ;D=");
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_EQ(keys[0], (std::pair<std::string, std::string>{"A", "1"}));
  EXPECT_EQ(keys[1].second, "x;\"y");
  EXPECT_EQ(keys[2].second, "it's");
  EXPECT_EQ(keys[3].second, "");
  EXPECT_RAISE(ReadConnectionSettings("Provider=SQLOLEDB;Data Source=x"),
               EOleException, "Provider cannot be found. It may not be properly installed");
  EXPECT_RAISE(ReadConnectionSettings("Provider=Microsoft.Jet.OLEDB.4.0;User ID=bob"),
               EOleException, "Not a valid account name or password");
  EXPECT_TRUE(ReadConnectionSettings("Provider=microsoft.jet.oledb.4.0;Mode=Read").read_only);
}

TEST(ParameterScan, MarkersOutsideQuotesBecomeQuestionMarks) {
  struct Case {
    std::string_view text, command;
    std::vector<std::string> names;
  } cases[] = {
      {"select distinct sheng from city\r\n", "select distinct sheng from city\r\n", {}},
      {"where a=:p and b=:q\r\n", "where a=? and b=?\r\n", {"p", "q"}},
      {"where a=':p'", "where a=':p'", {}},
      {"where a=\":p\"", "where a=\":p\"", {}},
      {"where a=`:p`", "where a=`:p`", {}},
      // One flag for all three quote characters.
      {"where a=\"x' :p", "where a=\"x' ?", {"p"}},
      {"a::b", "a:b", {}},
      {"a:::b", "a:?", {"b"}},
      {"f(:x)", "f(?)", {"x"}},
      {"a=:x,b", "a=?,b", {"x"}},
      {"a=:x;b", "a=?;b", {"x"}},
      {"a=:", "a=?", {""}},
      {"a=: b", "a=? b", {""}},
      // A quote inside a marker flips the flag: the blank is then no delimiter.
      {"a=:'my name' x", "a=? x", {"my name"}},
      {"a=:'p", "a=?", {"p"}},
      {"a=:x'y z'w b", "a=? b", {"x'y z'w"}},
  };
  for (const Case& c : cases) {
    ScannedStatement s = ScanParameters(c.text);
    EXPECT_EQ(s.command_text, c.command) << c.text;
    EXPECT_EQ(s.parameters, c.names) << c.text;
  }
}

TEST(ParameterScan, DoubleByteCharactersAreSkippedWhole) {
  // 0x81 0x3A and 0x81 0x27: trail bytes that look like ':' and '\''.
  std::string text = "where a='\x81\x27' and b=\x81\x3A\x81\x60:p";
  ScannedStatement s = ScanParameters(text);
  EXPECT_EQ(s.command_text, "where a='\x81\x27' and b=\x81\x3A\x81\x60?");
  EXPECT_EQ(s.parameters, std::vector<std::string>{"p"});
  // A name holding a double-byte character whose trail byte is ')'.
  s = ScanParameters(":\x81)x)");
  EXPECT_EQ(s.command_text, "?)");
  EXPECT_EQ(s.parameters, std::vector<std::string>{"\x81)x"});
  // A lead byte at the very end is copied alone.
  EXPECT_EQ(ScanParameters("a\x81").command_text, "a\x81");
}

TEST(FieldFormat, FloatsLikeTheGeneralFormat) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},          {-0.0, "0"},         {1, "1"},
      {7.5, "7.5"},      {-3, "-3"},          {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},         {2.0 / 3, "0.666666666666667"},
      {123456789012345, "123456789012345"},   {999999999999999.9, "1E15"},
      {1e15, "1E15"},    {1e20, "1E20"},      {-2.5e15, "-2.5E15"},
      {0.00001, "0.00001"},                   {0.0000123, "0.0000123"},
      {1.5e-7, "1.5E-7"}, {9.99999e-6, "9.99999E-6"},
      {static_cast<double>(3.14159f), "3.1415901184082"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.value), c.text) << c.value;
}

TEST(FieldFormat, FixedPointAndRounding) {
  EXPECT_EQ(FieldTextOf(jet::Currency{125000}), "12.5");
  EXPECT_EQ(FieldTextOf(jet::Currency{120000}), "12");
  EXPECT_EQ(FieldTextOf(jet::Currency{-1}), "-0.0001");
  EXPECT_EQ(StripTrailingZeros("-0.0000"), "0");
  EXPECT_EQ(StripTrailingZeros("100"), "100");
  EXPECT_EQ(RoundToInteger(2.5), 2);
  EXPECT_EQ(RoundToInteger(3.5), 4);
  EXPECT_EQ(RoundToInteger(-2.5), -2);
  EXPECT_EQ(RoundToInteger(-2.6), -3);
  EXPECT_EQ(RoundToInteger(jet::Currency{25000}), 2);
  EXPECT_EQ(RoundToInteger(jet::Currency{35000}), 4);
  EXPECT_EQ(RoundToInteger(jet::Currency{-25000}), -2);
  EXPECT_EQ(RoundToInteger(jet::Currency{-25001}), -3);
  EXPECT_EQ(RoundToInteger(jet::Currency{24999}), 2);
  EXPECT_EQ(FieldTextOf(true), "True");
  EXPECT_EQ(FieldTextOf(jet::Value{}), "");
  EXPECT_EQ(FieldIntegerOf(jet::Value{}, FieldKind::kFloat), 0);
  EXPECT_RAISE(FieldIntegerOf(jet::Value{}, FieldKind::kText), EConvertError,
               "'' is not a valid integer value");
  EXPECT_EQ(FieldIntegerOf(std::u16string(u" $1F"), FieldKind::kText), 31);
}

TEST(ColumnNames, UnnamedAndTakenNames) {
  EXPECT_EQ(NameColumns({"a", "", "A", "a_1", "", "COLUMN1"}),
            (std::vector<std::string>{"a", "COLUMN1", "A_1", "a_1_1", "COLUMN2",
                                      "COLUMN1_1"}));
  // "\x81\x41" and "\x81\x61" are two different characters, not one in two cases.
  EXPECT_FALSE(SameFieldName("\x81\x41", "\x81\x61"));
  EXPECT_TRUE(SameFieldName("Sheng", "SHENG"));
}

TEST(ProviderError, DescriptionsAreTrimmed) {
  EXPECT_EQ(TrimDescription("Syntax error in FROM clause."), "Syntax error in FROM clause");
  EXPECT_EQ(TrimDescription("x .\r\n\t. "), "x");
  EXPECT_EQ(TrimDescription("..."), "OLE error 80004005");
  EXPECT_EQ(OleErrorMessage(0x1f), "OLE error 0000001f");
  EXPECT_RAISE(RaiseStatementError(sql::Error(sql::ErrorKind::kTypeMismatch,
                                              u"Data type mismatch in criteria expression.")),
               EOleException, "Data type mismatch in criteria expression");
}

}  // namespace
}  // namespace db
