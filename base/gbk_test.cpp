#include "base/gbk.h"

#include <gtest/gtest.h>

#include "base/utf.h"

namespace base {
namespace {

TEST(Gbk, RoundTripsChineseAndAscii) {
  const std::u16string text = u"对不起，没有查询到这个卡号的归属地 abc 123";
  std::string gbk = Utf16ToGbk(text);
  // Every Chinese character and full-width comma is two bytes.
  EXPECT_EQ(gbk.size(), 17u * 2 + 8);
  EXPECT_EQ(gbk.substr(0, 2), "\xb6\xd4");  // 对
  EXPECT_EQ(GbkToUtf16(gbk), text);
}

TEST(Gbk, UnmappableCharactersBecomeOneQuestionMarkEach) {
  EXPECT_EQ(Utf16ToGbk(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(Utf16ToGbk(u"a\u0E01b"), "a?b");  // Thai is not in GBK
  EXPECT_EQ(Utf16ToGbk(std::u16string(1, char16_t{0xD800}) + u"x"), "?x");
}

TEST(Gbk, CodePage936ExtrasAndBadBytes) {
  EXPECT_EQ(GbkToUtf16("\x80"), u"\u20AC");  // the euro sign of code page 936
  EXPECT_EQ(GbkToUtf16("a\xff"), u"a?");
  EXPECT_EQ(GbkToUtf16("\xb6"), u"?");  // a lead byte at the end
  EXPECT_EQ(GbkToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf, Utf8RoundTripsIncludingSurrogatePairs) {
  const std::u16string text = u"北京 \U0001F600 x";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"北"), "\xe5\x8c\x97");
  EXPECT_EQ(Utf8ToUtf16("\xff" "a"), u"\uFFFD" u"a");
}

}  // namespace
}  // namespace base
