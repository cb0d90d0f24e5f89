// What File and MappedFile do the same way everywhere.
#include <system_error>
#include <utility>

#include "platform/file.h"

namespace platform {

MappedFile::~MappedFile() { Unmap(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

std::filesystem::path FollowLinks(const std::filesystem::path& path) {
  // As many links as the systems follow in one name before they give up.
  constexpr int kMostLinks = 40;
  std::filesystem::path at = path;
  for (int i = 0; i < kMostLinks; ++i) {
    std::error_code error;
    if (!std::filesystem::is_symlink(at, error)) return at;
    const std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) return at;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return path;  // a loop: opening it reports that
}

}  // namespace platform
