// The start in the data folder: made, given the sample only when it holds no
// database, entered; failures reported with the working folder unchanged.
#include "ui/user_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/path_text.h"
#include "testing/scratch_dir.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EnterDataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { Write(sample_, "sample database"); }
  // Back where the test program started, before the scratch folder goes.
  void TearDown() override { fs::current_path(started_in_); }

  // The names of the files in `folder`.
  static std::string Listing(const fs::path& folder) {
    std::string names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      names += platform::Utf8Of(entry.path().filename()) + " ";
    }
    return names;
  }

  const fs::path started_in_ = fs::current_path();
  testing_support::ScratchDir scratch_;
  const fs::path sample_ = scratch_.path() / "sample.mdb";
};

TEST_F(EnterDataFolderTest, GivesTheSampleOnlyToAFolderWithoutADatabase) {
  struct Case {
    const char* what;
    const char* folder;    // UTF-8, in the scratch folder
    const char* database;  // the folder's attrdata.mdb beforehand ("": none); null: no folder
    bool sample;           // whether the sample exists
    const char* after;     // attrdata.mdb afterwards; null: none
  };
  const Case cases[] = {
      {"a new folder (named in Chinese) gets the sample", "本地/数据", nullptr, true,
       "sample database"},
      {"an empty folder gets the sample", "empty", "", true, "sample database"},
      {"a database of the user's own stays", "own", "own database", true, "own database"},
      {"without a sample the folder is still entered", "bare", nullptr, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = scratch_.path() / platform::PathFromUtf8(c.folder);
    if (c.database != nullptr) {
      fs::create_directories(folder);
      if (*c.database != '\0') Write(folder / "attrdata.mdb", c.database);
    }
    const fs::path sample = c.sample ? sample_ : scratch_.path() / "missing.mdb";

    EXPECT_EQ(EnterDataFolder(folder, sample), "");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder));
    if (c.after != nullptr) {
      EXPECT_EQ(Read("attrdata.mdb"), c.after);
      EXPECT_EQ(Listing(folder), "attrdata.mdb ");  // no partial copy left
    } else {
      EXPECT_EQ(Listing(folder), "");
    }
    fs::current_path(started_in_);
  }
}

TEST_F(EnterDataFolderTest, ReportsWhatFailedAndStaysWhereItWas) {
  const fs::path file = scratch_.path() / platform::PathFromUtf8("文件");
  Write(file, "not a folder");
  struct Case {
    fs::path folder;
    std::string mentions;
  };
  const Case cases[] = {
      {file, "cannot make the data folder " + platform::Utf8Of(file) + ": "},
      {file / "below", "cannot make the data folder "},
      {fs::path(), "there is no data folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::Utf8Of(c.folder));
    const std::string message = EnterDataFolder(c.folder, sample_);
    EXPECT_TRUE(message.starts_with(c.mentions)) << message;
    EXPECT_GT(message.size(), c.mentions.size());  // and why
    EXPECT_EQ(fs::current_path(), started_in_);
  }
}

}  // namespace
}  // namespace ui
