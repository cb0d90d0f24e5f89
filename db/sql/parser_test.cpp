// The tokenizer and the parser: what they accept, and the exact message of
// each kind of syntax error.
#include "db/sql/parser.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "db/sql/error.h"
#include "db/sql/tokenizer.h"

namespace sql {
namespace {

std::string SyntaxMessage(std::u16string_view statement) {
  try {
    Parse(statement);
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kSyntax);
    return base::Utf16ToUtf8(e.Message());
  }
  return "(accepted)";
}

TEST(Tokenizer, LiteralsNamesAndOperators) {
  auto tokens = Tokenize(u"sheng='it''s' AND [my col]<=-7.5e2 ?\"x\"\r\n");
  ASSERT_EQ(tokens.size(), 11u);
  EXPECT_EQ(tokens[0].kind, TokenKind::kWord);
  EXPECT_EQ(tokens[2].kind, TokenKind::kText);
  EXPECT_EQ(tokens[2].text, u"it's");
  EXPECT_EQ(tokens[4].kind, TokenKind::kName);
  EXPECT_EQ(tokens[4].text, u"my col");
  EXPECT_EQ(tokens[5].text, u"<=");
  EXPECT_EQ(tokens[7].kind, TokenKind::kNumber);
  EXPECT_EQ(tokens[7].text, u"7.5e2");
  EXPECT_EQ(tokens[8].kind, TokenKind::kParameter);
  EXPECT_EQ(tokens[9].kind, TokenKind::kText);
  EXPECT_EQ(tokens[10].kind, TokenKind::kEnd);
  EXPECT_EQ(Tokenize(u"'open").front().kind, TokenKind::kUnterminated);
  EXPECT_EQ(Tokenize(u"[open").front().kind, TokenKind::kUnterminated);
}

TEST(Parser, TheSystemsStatements) {
  SelectStatement s = Parse(u"select * from numindex where index=284\r\n");
  EXPECT_TRUE(s.all_columns);
  EXPECT_EQ(s.table, u"numindex");
  ASSERT_TRUE(s.where);
  EXPECT_EQ(s.where->kind, ExprKind::kCompare);
  EXPECT_EQ(s.where->left->kind, ExprKind::kColumn);
  EXPECT_EQ(s.where->left->name, u"index");
  EXPECT_EQ(s.where_text, u"index=284");

  s = Parse(u"select distinct sheng from city\r\n");
  EXPECT_TRUE(s.distinct);
  ASSERT_EQ(s.items.size(), 1u);
  EXPECT_EQ(s.items[0].name, u"sheng");
  EXPECT_FALSE(s.where);

  s = Parse(u"select shi from city  where sheng='广东'");
  EXPECT_EQ(s.where->right->text, u"广东");

  s = Parse(u"select * from numindex where index=-1");
  EXPECT_EQ(s.where->right->kind, ExprKind::kNegate);

  s = Parse(u"select * from city where sheng='P' and shi='C'");
  EXPECT_EQ(s.where->kind, ExprKind::kAnd);
}

TEST(Parser, ConditionsAndPrecedence) {
  SelectStatement s = Parse(
      u"SELECT [index], city.shi AS name FROM [city] WHERE NOT a IS NOT NULL "
      u"OR b LIKE '*x?' AND (c <> 1 OR d NOT LIKE 'y');  ");
  ASSERT_EQ(s.items.size(), 2u);
  EXPECT_EQ(s.items[1].qualifier, u"city");
  EXPECT_EQ(s.items[1].alias, u"name");
  const Expr& e = *s.where;
  ASSERT_EQ(e.kind, ExprKind::kOr);
  EXPECT_EQ(e.left->kind, ExprKind::kNot);
  EXPECT_EQ(e.left->left->kind, ExprKind::kIsNull);
  EXPECT_TRUE(e.left->left->negated);
  ASSERT_EQ(e.right->kind, ExprKind::kAnd);
  EXPECT_EQ(e.right->left->kind, ExprKind::kLike);
  EXPECT_EQ(e.right->right->kind, ExprKind::kOr);
  EXPECT_TRUE(e.right->right->right->negated);
  EXPECT_EQ(Parse(u"select * from t where x = ? and y = ?").parameter_count, 2u);
}

TEST(Parser, SyntaxErrorMessages) {
  EXPECT_EQ(SyntaxMessage(u"update city set x=1"),
            "Invalid SQL statement; expected 'SELECT'.");
  EXPECT_EQ(SyntaxMessage(u""), "Invalid SQL statement; expected 'SELECT'.");
  EXPECT_EQ(SyntaxMessage(u"select from city"),
            "The SELECT statement includes a reserved word or an argument name "
            "that is misspelled or missing, or the punctuation is incorrect.");
  EXPECT_EQ(SyntaxMessage(u"select a b from city"),
            "The SELECT statement includes a reserved word or an argument name "
            "that is misspelled or missing, or the punctuation is incorrect.");
  EXPECT_EQ(SyntaxMessage(u"select * from"), "Syntax error in FROM clause.");
  EXPECT_EQ(SyntaxMessage(u"select * from city x"), "Syntax error in FROM clause.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where index=1 2\r\n"),
            "Syntax error (missing operator) in query expression 'index=1 2'.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where sheng='a'b'\r\n"),
            "Syntax error in string in query expression 'sheng='a'b''.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where (index=1"),
            "Missing ), ], or Item in query expression '(index=1'.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where index=1)"),
            "Extra ) in query expression 'index=1)'.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where index=()"),
            "Syntax error in query expression 'index=()'.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where index="),
            "Syntax error in query expression 'index='.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where"),
            "Syntax error in query expression ''.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where a and"),
            "Syntax error in query expression 'a and'.");
  std::u16string deep = u"select * from city where " + std::u16string(100000, u'(');
  EXPECT_EQ(SyntaxMessage(deep), "Query is too complex.");
  deep = u"select * from city where index=1";
  for (int i = 0; i < 100000; ++i) deep += u" and index=1";
  EXPECT_EQ(SyntaxMessage(deep), "Query is too complex.");
  EXPECT_EQ(SyntaxMessage(u"select * from city where " + std::u16string(100000, u'-') + u"1=1"),
            "Query is too complex.");
  EXPECT_EQ(SyntaxMessage(u"select * from city; x"),
            "Characters found after end of SQL statement.");
}

}  // namespace
}  // namespace sql
