// Output written whole or not at all.
#include "tools/attrdb/output_file.h"
#include "tools/attrdb/stream_error.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "platform/file.h"
#include "platform/path_text.h"

namespace attrdb {
namespace {

bool IsStandardOutput(const std::string& name) { return name.empty() || name == "-"; }

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

[[noreturn]] void Fail(const std::string& name, const std::string& what, int error) {
  throw std::runtime_error(name + ": " + what + " (" +
                           (error != 0 ? std::strerror(error) : "unknown reason") + ")");
}

}  // namespace

bool LooksLikeDatabase(const std::filesystem::path& path) {
  // The signature at byte 4 of every Jet 3, Jet 4 and ACE file.
  static constexpr char kJet[] = "Standard Jet DB";
  static constexpr char kAce[] = "Standard ACE DB";
  std::FILE* file = platform::OpenStdioFile(path, "rb");
  if (file == nullptr) return false;
  char start[4 + sizeof kJet] = {};
  const size_t got = std::fread(start, 1, sizeof start - 1, file);
  std::fclose(file);
  if (got < sizeof start - 1) return false;
  return std::memcmp(start + 4, kJet, sizeof kJet - 1) == 0 ||
         std::memcmp(start + 4, kAce, sizeof kAce - 1) == 0;
}

OutputFile::OutputFile(const std::string& name, const std::vector<std::string>& inputs) {
  if (IsStandardOutput(name)) {
    name_ = "standard output";
    stream_ = stdout;
    return;
  }
  name_ = name;
  target_ = platform::FollowLinks(platform::PathFromUtf8(name));
  bool overwrites = LooksLikeDatabase(target_);
  for (const std::string& input : inputs) {
    overwrites = overwrites || SameFile(target_, platform::PathFromUtf8(input));
  }
  if (overwrites) throw std::runtime_error(name + ": would overwrite a database; nothing written");
  temporary_ = target_;
  temporary_ += ".new-" + std::to_string(platform::ProcessId());
  guard_ = std::make_unique<platform::RemovedOnInterrupt>(temporary_);
  errno = 0;
  stream_ = platform::OpenStdioFile(temporary_, "wb");
  if (stream_ == nullptr) {
    std::error_code ignored;
    const std::filesystem::path folder = target_.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
      Fail(platform::Utf8Of(folder), "cannot be written", ENOENT);
    }
    Fail(name_, "cannot be written", errno);
  }
}

OutputFile::~OutputFile() {
  if (temporary_.empty() || committed_) return;
  if (stream_ != nullptr) std::fclose(stream_);
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void OutputFile::Commit() {
  int error = FlushedError(stream_);
  if (!temporary_.empty()) {
    errno = 0;
    if (std::fclose(stream_) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    stream_ = nullptr;
  }
  if (error != 0) Fail(name_, "writing failed", error);
  if (temporary_.empty()) {
    committed_ = true;
    return;
  }
  try {
    platform::File file = platform::File::Open(temporary_, platform::Access::kReadWrite);
    file.Sync();
    file.Close();
    platform::ReplaceFile(temporary_, target_);
  } catch (const std::system_error& e) {
    Fail(name_, "writing failed", e.code().value());
  }
  committed_ = true;
  platform::SyncFolderOf(target_);
}

}  // namespace attrdb
