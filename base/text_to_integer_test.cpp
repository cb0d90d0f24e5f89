#include "base/text_to_integer.h"

#include <gtest/gtest.h>

#include "testing/expect_raise.h"

namespace base {
namespace {

TEST(TextToInteger, ConvertsDecimalAndHexadecimalForms) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"0", 0},          {"42", 42},
      {"+42", 42},       {"-42", -42},
      {"  17", 17},      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$1F", 31},       {"x1f", 31},
      {"X1F", 31},       {"0x1F", 31},
      {"0X1f", 31},      {"-$10", -16},
      {"+0x10", 16},     {"$FFFFFFFF", -1},
      {"$7FFFFFFF", INT32_MAX},
      {"$80000000", INT32_MIN},
      {"-$80000000", INT32_MIN},
      {"-$FFFFFFFF", 1},  {"  -0x0000000A", -10},
      {"000000000000042", 42},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToInteger(c.text), c.value) << c.text;
  }
}

TEST(TextToInteger, RejectsTextThatIsNotOneInteger) {
  const char* bad[] = {
      "",          " ",          "+",          "-",
      "$",         "0x",         "x",          "12 ",
      " 12 ",      "1 2",        "\t12",       "12a",
      "2147483648",   "-2147483649", "99999999999999999999",
      "$100000000",   "0x123456789", "$G",     "--1",
      "+-1",       "1.0",        "1e3",        "0b1",
      "\xb1\xb1",  "0x-1",       "$ 1",
  };
  for (const char* text : bad) {
    EXPECT_FALSE(TryTextToInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(TextToInteger, FailureNamesTheWholeText) {
  EXPECT_RAISE(TextToInteger(" 12 "), EConvertError,
               "' 12 ' is not a valid integer value");
  EXPECT_RAISE(TextToInteger(""), EConvertError,
               "'' is not a valid integer value");
}

}  // namespace
}  // namespace base
