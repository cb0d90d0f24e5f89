// The page file over an open file of the system, opened without locks, and
// the one held in memory.
#include "db/jet/file/page_file.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "db/jet/format/error.h"
#include "platform/file.h"
#include "platform/path_text.h"

namespace jet {
namespace {

bool mapped_reads = true;

FileStamp ToStamp(const platform::FileInfo& info) {
  FileStamp stamp;
  stamp.size = info.size;
  stamp.modified_ns = info.modified_ns;
  stamp.inode = info.id;
  stamp.device = info.volume;
  return stamp;
}

// Opens `path` without locks, checking that it is a regular file. Raises kIo.
platform::File OpenFile(const std::filesystem::path& path, bool writable) {
  try {
    platform::File file = platform::File::Open(
        path, writable ? platform::Access::kReadWrite : platform::Access::kRead);
    if (file.Info().kind != platform::FileKind::kRegular) {
      RaiseIoError(platform::Utf8Of(path), "opening", EINVAL);
    }
    return file;
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(path), "opening", e.code().value());
  }
}

class SystemPageFile : public PageFile {
 public:
  SystemPageFile(platform::File file, std::filesystem::path path, bool writable, bool mapped)
      : file_(std::move(file)), path_(std::move(path)), name_(platform::Utf8Of(path_)),
        writable_(writable), mapped_(mapped) {
    if (mapped_) Map(OpenStat().size);
  }

  const std::string& Name() const override { return name_; }

  // The cache asks for the size whenever the file changed: the mapping then
  // follows it, so that it never reaches past the end of the file.
  uint64_t Size() override {
    const uint64_t size = OpenStat().size;
    if (mapped_ && size != MappedSize()) Map(size);
    return size;
  }

  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
    if (map_ && offset <= map_->size() && length <= map_->size() - offset) {
      std::memcpy(out, map_->data() + offset, length);
      return length;
    }
    try {
      return file_.ReadAt(offset, out, length);
    } catch (const std::system_error& e) {
      RaiseIoError(name_, "reading", e.code().value());
    }
  }

  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override {
    if (!writable_) RaiseReadOnly(name_);
    try {
      file_.WriteAt(offset, data, length);
    } catch (const std::system_error& e) {
      RaiseIoError(name_, "writing", e.code().value());
    }
  }

  void Sync() override {
    try {
      file_.Sync();
    } catch (const std::system_error& e) {
      RaiseIoError(name_, "syncing", e.code().value());
    }
  }

  FileStamp Stamp() override {
    std::optional<platform::FileInfo> info;
    try {
      info = platform::PathInfo(path_);
    } catch (const std::system_error&) {
    }
    return info ? ToStamp(*info) : OpenStat();
  }

  void Reopen() override {
    platform::File file = OpenFile(path_, writable_);
    map_.reset();
    file_ = std::move(file);
    if (mapped_) Map(OpenStat().size);
  }

  bool Writable() const override { return writable_; }

 private:
  // Maps the first `size` bytes for reading; where that fails, reads go
  // through the file alone.
  void Map(uint64_t size) {
    map_.reset();
    map_ = platform::MappedFile::Map(file_, size);
  }
  size_t MappedSize() const { return map_ ? map_->size() : 0; }

  FileStamp OpenStat() {
    try {
      return ToStamp(file_.Info());
    } catch (const std::system_error& e) {
      RaiseIoError(name_, "examining", e.code().value());
    }
  }

  platform::File file_;
  std::filesystem::path path_;
  std::string name_;
  bool writable_;
  bool mapped_;  // read through map_ (read-only opens only)
  std::optional<platform::MappedFile> map_;
};

}  // namespace

void SetMappedReads(bool enabled) { mapped_reads = enabled; }

std::unique_ptr<PageFile> OpenPageFile(const std::filesystem::path& path,
                                       OpenMode mode, PageReads reads) {
  bool writable = mode == OpenMode::kReadWrite;
  const bool mapped = !writable && mapped_reads && reads == PageReads::kMapped;
  return std::make_unique<SystemPageFile>(OpenFile(path, writable), path, writable, mapped);
}

MemoryPageFile::MemoryPageFile(std::vector<uint8_t> bytes, bool writable,
                               std::string name)
    : bytes_(std::move(bytes)), writable_(writable), name_(std::move(name)) {}

size_t MemoryPageFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
  if (offset >= bytes_.size()) return 0;
  size_t n = std::min<uint64_t>(length, bytes_.size() - offset);
  std::memcpy(out, bytes_.data() + offset, n);
  return n;
}

void MemoryPageFile::WriteAt(uint64_t offset, const uint8_t* data,
                             size_t length) {
  if (!writable_) RaiseReadOnly(name_);
  if (offset + length > bytes_.size()) bytes_.resize(offset + length);
  std::memcpy(bytes_.data() + offset, data, length);
  ++version_;
}

FileStamp MemoryPageFile::Stamp() {
  FileStamp stamp;
  stamp.size = bytes_.size();
  stamp.modified_ns = static_cast<int64_t>(version_);
  return stamp;
}

}  // namespace jet
