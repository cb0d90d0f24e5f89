#include "codec/number_head.h"

#include <gtest/gtest.h>

#include <random>

#include "testing/expect_raise.h"

namespace codec {
namespace {

TEST(PadNumber, WidensButNeverCuts) {
  EXPECT_EQ(PadNumber(7, 3), "007");
  EXPECT_EQ(PadNumber(255, 3), "255");
  EXPECT_EQ(PadNumber(1234, 3), "1234");
  EXPECT_EQ(PadNumber(0, 3), "000");
  EXPECT_EQ(PadNumber(-5, 3), "0-5");  // zeros go before the sign
  EXPECT_EQ(PadNumber(-1, 0), "-1");
}

TEST(DigitTriplets, KnownValuesAndByteZero) {
  EXPECT_EQ(ToDigitTriplets("abc"), "097098099");
  EXPECT_EQ(FromDigitTriplets("097098099"), "abc");
  EXPECT_EQ(ToDigitTriplets(""), "");
  EXPECT_EQ(FromDigitTriplets(""), "");
  EXPECT_EQ(ToDigitTriplets(std::string("\0\xff", 2)), "000255");
  EXPECT_EQ(FromDigitTriplets("000255"), std::string("\0\xff", 2));
}

TEST(DigitTriplets, LengthNotMultipleOfThreeGivesEmpty) {
  EXPECT_EQ(FromDigitTriplets("1234"), "");
  EXPECT_EQ(FromDigitTriplets("1380013"), "");
  EXPECT_EQ(FromDigitTriplets("12"), "");
}

TEST(DigitTriplets, GroupsKeepTheirLowEightBits) {
  EXPECT_EQ(FromDigitTriplets("256"), std::string(1, '\0'));
  EXPECT_EQ(FromDigitTriplets("999"), std::string(1, static_cast<char>(999 & 255)));
  EXPECT_EQ(FromDigitTriplets(" -1"), "\xff");
  EXPECT_EQ(FromDigitTriplets("$FF"), "\xff");
  EXPECT_EQ(FromDigitTriplets("x10"), "\x10");
  EXPECT_EQ(FromDigitTriplets("  9"), "\x09");
}

TEST(DigitTriplets, GroupThatIsNotANumberFails) {
  EXPECT_RAISE(FromDigitTriplets("048abc"), EConvertError,
               "'abc' is not a valid integer value");
  EXPECT_RAISE(FromDigitTriplets("12 345"), EConvertError,
               "'12 ' is not a valid integer value");
}

TEST(DigitTriplets, MoreThan255BytesIsARangeError) {
  EXPECT_EQ(ToDigitTriplets(std::string(255, 'x')).size(), 765u);
  EXPECT_RAISE(ToDigitTriplets(std::string(256, 'x')), ERangeError,
               "Range check error");
  EXPECT_RAISE(EncodeNumberHead(std::string(256, '1')), ERangeError,
               "Range check error");
}

TEST(NumberHead, IndependentlyComputedValues) {
  EXPECT_EQ(EncodeNumberHead("1380013"), "048254120249091211081");
  EXPECT_EQ(EncodeNumberHead("1390800"), "048254121251065203144");
  EXPECT_EQ(EncodeNumberHead("1234567"), "048255112138096109006");
  EXPECT_EQ(DecodeNumberHead("048254120249091211081"), "1380013");
  // A plain head was never scrambled: it decodes to nothing.
  EXPECT_EQ(DecodeNumberHead("1380013"), "");
}

TEST(NumberHead, RoundTripsEveryLengthUpTo255) {
  std::mt19937 rng(11);
  for (size_t len = 0; len <= kMaxTripletBytes; ++len) {
    std::string head(len, '\0');
    for (char& c : head) c = static_cast<char>(rng());
    std::string stored = EncodeNumberHead(head);
    ASSERT_EQ(stored.size(), 3 * len);
    ASSERT_EQ(stored.find_first_not_of("0123456789"), std::string::npos);
    ASSERT_EQ(DecodeNumberHead(stored), head) << len;
  }
}

}  // namespace
}  // namespace codec
