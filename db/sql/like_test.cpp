// LIKE patterns and the case-insensitive comparison of text.
#include "db/sql/like.h"

#include <gtest/gtest.h>

#include "db/sql/text_compare.h"

namespace sql {
namespace {

TEST(Like, Wildcards) {
  struct Case {
    std::u16string_view text, pattern;
    bool match;
  } cases[] = {
      {u"广东", u"广*", true},      {u"广东", u"*东", true},
      {u"广东", u"?东", true},      {u"广东", u"?", false},
      {u"", u"*", true},            {u"", u"", true},
      {u"abc", u"ABC", true},       {u"abc", u"a*c*", true},
      {u"abcbc", u"*bc", true},     {u"abcbd", u"*bc", false},
      {u"a1", u"a#", true},         {u"ab", u"a#", false},
      {u"b", u"[a-c]", true},       {u"B", u"[a-c]", true},
      {u"d", u"[!a-c]", true},      {u"b", u"[!a-c]", false},
      {u"[x", u"[x", true},         {u"abc", u"ab", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LikeMatch(c.text, c.pattern), c.match)
        << std::string(c.pattern.begin(), c.pattern.end());
  }
}

TEST(TextCompare, IgnoresCaseOfLatinGreekCyrillicAndFullWidth) {
  EXPECT_TRUE(TextEqual(u"NumHead", u"numhead"));
  EXPECT_TRUE(TextEqual(u"ÀÉ", u"àé"));
  EXPECT_TRUE(TextEqual(u"ΑΩ", u"αω"));
  EXPECT_TRUE(TextEqual(u"ЖЁ", u"жё"));
  EXPECT_TRUE(TextEqual(u"ＡＢ", u"ａｂ"));
  EXPECT_FALSE(TextEqual(u"×", u"÷"));
  EXPECT_FALSE(TextEqual(u"ab", u"abc"));
  EXPECT_LT(TextCompare(u"ab", u"ABC"), 0);
  EXPECT_GT(TextCompare(u"b", u"A"), 0);
  EXPECT_EQ(TextHash(u"Shi"), TextHash(u"sHI"));
}

}  // namespace
}  // namespace sql
