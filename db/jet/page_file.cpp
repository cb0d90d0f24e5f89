// The page file over a POSIX file descriptor, opened without locks, and the
// one held in memory.
#include "db/jet/page_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "db/jet/error.h"

namespace jet {
namespace {

bool mapped_reads = true;

// Opens `path` without locks, checking that it is a regular file. Raises kIo.
int OpenFd(const std::filesystem::path& path, bool writable);

class PosixPageFile : public PageFile {
 public:
  PosixPageFile(int fd, std::filesystem::path path, bool writable)
      : fd_(fd), path_(std::move(path)), name_(path_.string()),
        writable_(writable) {
    if (!writable_ && mapped_reads) Map(OpenStat().size);
  }
  ~PosixPageFile() override {
    Unmap();
    ::close(fd_);
  }

  const std::string& Name() const override { return name_; }

  // The cache asks for the size whenever the file changed: the mapping then
  // follows it, so that it never reaches past the end of the file.
  uint64_t Size() override {
    const uint64_t size = OpenStat().size;
    if (!writable_ && mapped_reads && size != map_size_) Map(size);
    return size;
  }

  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
    if (map_ != nullptr && offset <= map_size_ && length <= map_size_ - offset) {
      std::memcpy(out, map_ + offset, length);
      return length;
    }
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pread(fd_, out + done, length - done,
                          static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIoError(name_, "reading", errno);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override {
    if (!writable_) RaiseReadOnly(name_);
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pwrite(fd_, data + done, length - done,
                           static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIoError(name_, "writing", errno);
      }
      done += static_cast<size_t>(n);
    }
  }

  void Sync() override {
    if (::fsync(fd_) != 0) RaiseIoError(name_, "syncing", errno);
  }

  FileStamp Stamp() override {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) return OpenStat();
    return ToStamp(st);
  }

  void Reopen() override {
    int fd = OpenFd(path_, writable_);
    Unmap();
    ::close(fd_);
    fd_ = fd;
    if (!writable_ && mapped_reads) Map(OpenStat().size);
  }

  bool Writable() const override { return writable_; }

 private:
  // Maps the first `size` bytes for reading; where that fails, reads go
  // through pread alone.
  void Map(uint64_t size) {
    Unmap();
    if (size == 0 || size > SIZE_MAX) return;
    void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd_, 0);
    if (p == MAP_FAILED) return;
    map_ = static_cast<const uint8_t*>(p);
    map_size_ = static_cast<size_t>(size);
  }
  void Unmap() {
    if (map_ != nullptr) ::munmap(const_cast<uint8_t*>(map_), map_size_);
    map_ = nullptr;
    map_size_ = 0;
  }

  FileStamp OpenStat() {
    struct stat st;
    if (::fstat(fd_, &st) != 0) RaiseIoError(name_, "examining", errno);
    return ToStamp(st);
  }

  static FileStamp ToStamp(const struct stat& st) {
    FileStamp stamp;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                        st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    return stamp;
  }

  int fd_;
  std::filesystem::path path_;
  std::string name_;
  bool writable_;
  const uint8_t* map_ = nullptr;  // the file's bytes, read-only opens only
  size_t map_size_ = 0;
};

int OpenFd(const std::filesystem::path& path, bool writable) {
  int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseIoError(path.string(), "opening", errno);
  struct stat st;
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    error = EINVAL;
  }
  if (error != 0) {
    ::close(fd);
    RaiseIoError(path.string(), "opening", error);
  }
  return fd;
}

}  // namespace

void SetMappedReads(bool enabled) { mapped_reads = enabled; }

std::unique_ptr<PageFile> OpenPageFile(const std::filesystem::path& path,
                                       OpenMode mode) {
  bool writable = mode == OpenMode::kReadWrite;
  return std::make_unique<PosixPageFile>(OpenFd(path, writable), path, writable);
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
