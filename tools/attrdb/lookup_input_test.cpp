// The text side of attrdb lookup: numbers as people type them, lines read
// in blocks, and fields escaped for each output format.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "attribution/mobile_number.h"
#include "platform/descriptor.h"
#include "testing/scratch_dir.h"
#include "tools/attrdb/line_reader.h"
#include "tools/attrdb/lookup_output.h"

namespace attrdb {

using attribution::HeadOf;
using attribution::kFirstHead;
using attribution::kMobileDigits;
using attribution::NormalizeMobile;
namespace {

// The normalized number, or "-" when the text is not a mobile number.
std::string Normalized(std::string_view text) {
  char digits[kMobileDigits];
  if (!NormalizeMobile(text, digits)) return "-";
  return std::string(digits, kMobileDigits);
}

TEST(MobileNumber, AcceptsTheFormsPeopleWrite) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"13800138000", "13800138000"},
      {"138 0013 8000", "13800138000"},
      {"138-0013-8000", "13800138000"},
      {"\t138 - 0013\t8000 ", "13800138000"},
      {"+8613800138000", "13800138000"},
      {"+86 138 0013 8000", "13800138000"},
      {"008613800138000", "13800138000"},
      {"0086-138-0013-8000", "13800138000"},
      {"8613800138000", "13800138000"},
      {"86 19912345678", "19912345678"},
      // 86 in front of a number that is itself the mobile number's start.
      {"18613800138", "18613800138"},
      {"86186138001", "-"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Normalized(text), expected) << text;
}

TEST(MobileNumber, RefusesWhatIsNotAMainlandMobileNumber) {
  for (std::string_view text :
       {"", " ", "---", "1380013800", "138001380000", "23800138000", "1380013800x",
        "+13800138000", "+8513800138000", "+86+13800138000", "86 138", "0086138001380",
        "+8623800138000", "00 86 23800138000", "138.0013.8000", "(138)00138000",
        "１３８００１３８０００", "13800138000\r", "1380013800\xE2\x80\x8B"}) {
    EXPECT_EQ(Normalized(text), "-") << text;
  }
}

TEST(MobileNumber, HeadIsTheFirstSevenDigits) {
  char digits[kMobileDigits];
  ASSERT_TRUE(NormalizeMobile("19999999999", digits));
  EXPECT_EQ(HeadOf(digits), 1999999u);
  ASSERT_TRUE(NormalizeMobile("10000000000", digits));
  EXPECT_EQ(HeadOf(digits), kFirstHead);
}

std::vector<std::string> ReadLines(const std::string& content) {
  testing_support::ScratchDir dir;
  const auto path = dir.path() / "input.txt";
  std::ofstream(path, std::ios::binary) << content;
  const int fd = platform::OpenReadDescriptor(path);
  LineReader reader(fd);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(reader.BytesRead(), content.size());
  platform::CloseDescriptor(fd);
  return lines;
}

TEST(LineReader, SplitsAtLfDroppingOneCr) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(ReadLines(""), Lines{});
  EXPECT_EQ(ReadLines("\n"), Lines{""});
  EXPECT_EQ(ReadLines("a\r\nb\n\nc"), (Lines{"a", "b", "", "c"}));
  EXPECT_EQ(ReadLines("a\r\r\nb\r"), (Lines{"a\r", "b"}));
  EXPECT_EQ(ReadLines("a\rb\n"), (Lines{"a\rb"}));
}

TEST(LineReader, LinesAcrossBlocksAndLongerThanABlock) {
  std::string content;
  std::vector<std::string> expected;
  // Lines of every length around the block's end, then one of 3 MiB.
  for (size_t i = 0; content.size() < (size_t{3} << 20); ++i) {
    expected.push_back(std::string(i % 97, static_cast<char>('a' + i % 26)));
    content += expected.back() + (i % 2 ? "\r\n" : "\n");
  }
  expected.push_back(std::string(size_t{3} << 20, 'z'));
  content += expected.back();
  EXPECT_EQ(ReadLines(content), expected);
}

std::string Field(OutputFormat format, std::string_view text) {
  std::string out;
  AppendField(format, text, out);
  return out;
}

TEST(LookupOutput, FieldsEscapedForEachFormat) {
  const std::string odd = "a\tb\\c,\"d\"\r\ne";
  EXPECT_EQ(Field(OutputFormat::kTsv, odd), "a\\tb\\\\c,\"d\"\\r\\ne");
  EXPECT_EQ(Field(OutputFormat::kCsv, odd), "\"a\tb\\c,\"\"d\"\"\r\ne\"");
  EXPECT_EQ(Field(OutputFormat::kJson, odd), "\"a\\tb\\\\c,\\\"d\\\"\\r\\ne\"");
  for (std::string_view plain : {"", "北京", "0755"}) {
    EXPECT_EQ(Field(OutputFormat::kTsv, plain), plain);
    EXPECT_EQ(Field(OutputFormat::kCsv, plain), plain);
    EXPECT_EQ(Field(OutputFormat::kJson, plain), "\"" + std::string(plain) + "\"");
  }
  // A quote alone, a comma alone and a lone CR make CSV quote the field.
  EXPECT_EQ(Field(OutputFormat::kCsv, "\""), "\"\"\"\"");
  EXPECT_EQ(Field(OutputFormat::kCsv, ","), "\",\"");
  EXPECT_EQ(Field(OutputFormat::kCsv, "\r"), "\"\r\"");
}

TEST(LookupOutput, JsonIsValidUtf8WhateverTheInput) {
  EXPECT_EQ(Field(OutputFormat::kJson, std::string("\x01\x1f\x7f\b\f", 5)),
            "\"\\u0001\\u001f\x7f\\b\\f\"");
  EXPECT_EQ(Field(OutputFormat::kJson, std::string("a\0b", 3)), "\"a\\u0000b\"");
  // Well-formed sequences of each length pass; U+10FFFF is the last.
  EXPECT_EQ(Field(OutputFormat::kJson, "\xC2\xA9\xE5\x8C\x97\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"),
            "\"\xC2\xA9\xE5\x8C\x97\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\"");
  // GBK bytes, a cut sequence, overlong forms, a surrogate, beyond U+10FFFF,
  // a stray continuation byte: each bad byte becomes U+FFFD.
  EXPECT_EQ(Field(OutputFormat::kJson, "\xB1\xB1"), "\"\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "\xE5\x8C"), "\"\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "\xC0\xAF"), "\"\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "\xE0\x80\xAF"), "\"\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "\xF4\x90\x80\x80"),
            "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(Field(OutputFormat::kJson, "a\x80z"), "\"a\\ufffdz\"");
}

}  // namespace
}  // namespace attrdb
