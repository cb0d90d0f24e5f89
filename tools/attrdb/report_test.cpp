// The one error reporter: a message of the connection (kept in GBK) comes
// out as UTF-8, stray bytes as U+FFFD, and Guarded adds its closing line.
#include "tools/attrdb/report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "db/connection.h"
#include "db/query.h"
#include "platform/path_text.h"
#include "testing/scratch_dir.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

TEST(Report, AConnectionErrorNamesAChineseFileReadably) {
  testing_support::ScratchDir dir;
  const std::string file = platform::Utf8Of(dir.path() / platform::PathFromUtf8("不存在.mdb"));
  std::FILE* err = std::tmpfile();
  const int code = Guarded(
      [&] {
        db::TADOConnection connection;
        connection.SetDataSource(file);
        db::TADOQuery query(connection);
        query.SQL().Add("select * from city");
        query.Open();
        return kExitOk;
      },
      "nothing written", err);
  EXPECT_EQ(code, kExitFailed);
  const std::string text = ReadAll(err);
  EXPECT_TRUE(text.starts_with("attrdb: Could not find file '")) << text;
  EXPECT_TRUE(text.ends_with("不存在.mdb'\nattrdb: nothing written\n")) << text;
}

TEST(Report, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  std::FILE* err = std::tmpfile();
  ReportError("bad \xB2\xBB here", err);
  EXPECT_EQ(ReadAll(err), "attrdb: bad \uFFFD\uFFFD here\n");
  std::FILE* quiet = std::tmpfile();
  EXPECT_EQ(Guarded([] { return kExitUsage; }, "unused", quiet), kExitUsage);
  EXPECT_EQ(ReadAll(quiet), "");
  EXPECT_EQ(MessageOf(std::runtime_error("plain")), "plain");
}

}  // namespace
}  // namespace attrdb
