#include "platform/file.h"
#include "platform/path_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("platform-file-" + std::to_string(ProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Write(const std::string& name, const std::string& bytes) {
    File f = File::Open(folder_ / name, Access::kReadWrite, Creation::kCreateOrTruncate);
    f.WriteAt(0, bytes.data(), bytes.size());
    f.Close();
    return folder_ / name;
  }
  static std::string ReadAll(const fs::path& path) {
    File f = File::Open(path, Access::kRead);
    std::string s(static_cast<size_t>(f.Info().size), '\0');
    s.resize(f.ReadAt(0, s.data(), s.size()));
    return s;
  }
  static int ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code().category(), std::generic_category());
      return e.code().value();
    }
    return 0;
  }

  fs::path folder_;
};

TEST_F(FileTest, PositionalReadsAndWritesSizeAndIdentity) {
  File f = File::Open(folder_ / "a", Access::kReadWrite, Creation::kCreateOrTruncate);
  f.WriteAt(4096, "tail", 4);  // past the end: the gap reads as zeros
  f.WriteAt(2, "ab", 2);
  FileInfo info = f.Info();
  EXPECT_EQ(info.kind, FileKind::kRegular);
  EXPECT_EQ(info.size, 4100u);
  char buffer[8] = {};
  EXPECT_EQ(f.ReadAt(0, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), std::string("\0\0ab", 4));
  EXPECT_EQ(f.ReadAt(4098, buffer, 8), 2u);  // short only at the end
  EXPECT_EQ(f.ReadAt(9000, buffer, 8), 0u);
  f.Sync();
  f.Resize(3);
  EXPECT_EQ(f.Info().size, 3u);

  std::optional<FileInfo> by_path = PathInfo(folder_ / "a");
  ASSERT_TRUE(by_path);
  EXPECT_EQ(by_path->id, f.Info().id);
  EXPECT_EQ(by_path->volume, f.Info().volume);
  EXPECT_FALSE(PathInfo(folder_ / "missing"));
  EXPECT_FALSE(PathInfo(folder_ / "missing" / "below"));
  EXPECT_EQ(PathInfo(folder_)->kind, FileKind::kDirectory);
}

TEST_F(FileTest, FailuresCarryErrnoValues) {
  EXPECT_EQ(ErrorOf([&] { File::Open(folder_ / "missing", Access::kRead); }), ENOENT);
  EXPECT_EQ(ErrorOf([&] { File::Open(folder_, Access::kRead); }), EISDIR);
  EXPECT_FALSE(RemoveFile(folder_ / "missing"));
}

// Names in Chinese, given and shown as UTF-8, whatever the system's code
// page; the messages of failures name them readably too.
TEST_F(FileTest, NamesOutsideAsciiGoThroughUtf8) {
  const std::string folder_text = Utf8Of(folder_) + "/\u6570\u636e";
  const fs::path folder = PathFromUtf8(folder_text);
  fs::create_directories(folder);
  const fs::path file = PathFromUtf8(folder_text + "/\u5f52\u5c5e\u5730.mdb");
  EXPECT_EQ(Utf8Of(file), folder_text + "/\u5f52\u5c5e\u5730.mdb");
  File f = File::Open(file, Access::kReadWrite, Creation::kCreateOrTruncate);
  f.WriteAt(0, "mdb", 3);
  f.Close();
  ASSERT_TRUE(PathInfo(file));
  EXPECT_EQ(PathInfo(file)->size, 3u);

  std::FILE* out = OpenStdioFile(PathFromUtf8(folder_text + "/\u8f93\u51fa.txt"), "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("x", out);
  std::fclose(out);
  EXPECT_EQ(ReadAll(folder / u8"\u8f93\u51fa.txt"), "x");

  try {
    File::Open(PathFromUtf8(folder_text + "/\u6ca1\u6709"), Access::kRead);
    ADD_FAILURE() << "a missing file opened";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(folder_text + "/\u6ca1\u6709"), std::string::npos)
        << e.what();
  }
}

TEST_F(FileTest, NamesChangeInOneStep) {
  fs::path a = Write("a", "old"), b = Write("b", "new");
  fs::path c = Write("c", "other");
  ReplaceFile(b, a);
  EXPECT_EQ(ReadAll(a), "new");
  EXPECT_FALSE(PathInfo(b));

  EXPECT_FALSE(MoveIfAbsent(c, a));  // `a` exists: kept, `c` removed
  EXPECT_EQ(ReadAll(a), "new");
  EXPECT_FALSE(PathInfo(c));
  fs::path d = Write("d", "fresh");
  EXPECT_TRUE(MoveIfAbsent(d, folder_ / "e"));
  EXPECT_EQ(ReadAll(folder_ / "e"), "fresh");
  EXPECT_FALSE(PathInfo(d));

  EXPECT_TRUE(RemoveFile(a));
  EXPECT_FALSE(PathInfo(a));
  SyncFolderOf(folder_ / "e");
}

TEST_F(FileTest, ModificationTimeReadsBackAndAnOpenFileCanBeReplaced) {
  fs::path a = Write("a", "0123456789");
  const int64_t stamp = int64_t{1700000000} * 1000000000 + 500000000;
  SetModificationTime(a, stamp);
  EXPECT_EQ(PathInfo(a)->modified_ns, stamp);

  File open = File::Open(a, Access::kRead);
  std::optional<MappedFile> mapped = MappedFile::Map(open, 10);
  try {
    ReplaceFile(Write("b", "replaced"), a);
  } catch (const std::system_error& e) {
    // Windows before 10 and wine lack renames over open files.
    if (e.code() == std::errc::permission_denied) {
      GTEST_SKIP() << "this system cannot replace a file held open: " << e.what();
    }
    throw;
  }
  EXPECT_EQ(ReadAll(a), "replaced");
  char buffer[10];
  EXPECT_EQ(open.ReadAt(0, buffer, 10), 10u);  // the open file is the old one
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  if (mapped) {
    EXPECT_EQ(std::memcmp(mapped->data(), "0123456789", 10), 0);
  }
}

TEST_F(FileTest, AMappingShowsLaterWrites) {
  File f = File::Open(folder_ / "a", Access::kReadWrite, Creation::kCreateOrTruncate);
  f.WriteAt(0, "aaaa", 4);
  std::optional<MappedFile> mapped = MappedFile::Map(f, 4);
  if (!mapped) GTEST_SKIP() << "this system cannot map the file";
  f.WriteAt(1, "b", 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped->data()), 4), "abaa");
}

// Files kept beside a database are named after the file a link leads to,
// through chains of relative and absolute links; other paths stay as given.
TEST_F(FileTest, FollowLinksLeadsToTheFileItself) {
  const fs::path real = folder_ / "real.mdb";
  File::Open(real, Access::kReadWrite, Creation::kCreateOrTruncate).Close();
  std::error_code error;
  fs::create_symlink("real.mdb", folder_ / "one", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  fs::create_symlink(folder_ / "one", folder_ / "two");
  EXPECT_EQ(FollowLinks(folder_ / "two"), real);
  EXPECT_EQ(FollowLinks(folder_ / "one"), real);
  EXPECT_EQ(FollowLinks(real), real);
  EXPECT_EQ(FollowLinks(folder_ / "missing"), folder_ / "missing");
  fs::create_symlink("loop", folder_ / "loop");
  EXPECT_EQ(FollowLinks(folder_ / "loop"), folder_ / "loop");
}

}  // namespace
}  // namespace platform
