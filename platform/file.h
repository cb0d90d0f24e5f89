// Files as the operating system keeps them: open handles with positional
// reads and writes, their size and identity, read-only mappings, and the
// few operations on names (replace, create-if-absent, remove, stamp) that
// must be atomic. Every failure raises std::system_error whose code is a
// std::generic_category() errno value on every platform (ENOENT, EACCES,
// EISDIR, ENOSPC, EIO for the rest), so callers word messages one way.
#ifndef PLATFORM_FILE_H_
#define PLATFORM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace platform {

enum class FileKind { kRegular, kDirectory, kOther };

// What the system knows of one file. Two states of a file with equal size,
// modification time, id and volume are taken to be the same state.
struct FileInfo {
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;
  int64_t modified_ns = 0;  // nanoseconds since 1970-01-01 UTC
  uint64_t id = 0;          // inode, or the file index on Windows
  uint64_t volume = 0;      // device, or the volume serial number
  bool read_only = false;   // no write permission for anyone (or the attribute)
};

enum class Access { kRead, kReadWrite };

enum class Creation {
  kOpenExisting,      // fails with ENOENT when missing
  kCreateOrTruncate,  // a new empty file either way
};

// One open file. Move-only; closes on destruction. Others may read, write,
// rename and remove the file while it is open (on Windows, the handle is
// opened with every sharing mode).
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens the file at `path`. A directory is refused with EISDIR. Raises.
  static File Open(const std::filesystem::path& path, Access access,
                   Creation creation = Creation::kOpenExisting);

  bool is_open() const { return handle_ != kClosed; }

  // Reads up to `length` bytes at `offset`; fewer only at the end of the
  // file. Raises.
  size_t ReadAt(uint64_t offset, void* out, size_t length) const;
  // Writes all of `length` bytes at `offset`, growing the file. Raises.
  void WriteAt(uint64_t offset, const void* data, size_t length);
  // Forces written data and the size to the disk. Raises.
  void Sync();
  // Sets the size, cutting or zero-filling. Raises.
  void Resize(uint64_t size);
  // The open file's size and identity. Raises.
  FileInfo Info() const;
  // Closes now, reporting a failure (which the destructor would swallow).
  void Close();

  // The system's handle (a descriptor, or a HANDLE), for platform code.
  intptr_t native() const { return handle_; }

 private:
  static constexpr intptr_t kClosed = -1;
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kClosed;
};

// The first bytes of an open file, mapped read-only. Writes by anyone to
// the file show in the mapping; the file must not shrink below the mapped
// size while mapped (readers remap when the size changes).
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the first `size` bytes of `file` (size > 0); nullopt where the
  // system cannot map it, and always on Windows, where a mapping would keep
  // other processes from shrinking or replacing the file (callers then read
  // through File::ReadAt).
  static std::optional<MappedFile> Map(const File& file, uint64_t size);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  // Lets go of the mapping, if any.
  void Unmap() noexcept;

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// The file at `path`, or nullopt when nothing is there. Raises for other
// failures (a folder on the way that cannot be searched).
std::optional<FileInfo> PathInfo(const std::filesystem::path& path);

// Sets the modification time of the file at `path`. Raises.
void SetModificationTime(const std::filesystem::path& path, int64_t modified_ns);

// Removes the file at `path`; false when nothing was there. Raises.
bool RemoveFile(const std::filesystem::path& path);

// Puts the file `from` in place of `to` in one step: a reader of `to` sees
// the old file or the new, never neither. Raises.
void ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts the file `from` at `to` only when nothing is at `to`, in one step;
// `from` is gone afterwards either way when it returns. Returns false when
// `to` existed (then `from` is removed and `to` left alone). Raises.
bool MoveIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to);

// Forces the entries of the folder holding `path` (a rename, a removal) to
// the disk where the system needs that asked separately. Best effort.
void SyncFolderOf(const std::filesystem::path& path);

// This process's id, for names of temporary files.
uint64_t ProcessId();

// Whether a process with id `pid` is running (false once it has ended), so
// that a temporary file named after a process that is gone can be removed.
bool ProcessRunning(uint64_t pid);

// The file `path` names, symbolic links at its last part followed (a link
// to a link too): the name to put files kept beside it (a journal, a
// temporary copy) and to replace, so that every path to one file shares
// them and a replace leaves the link a link. A link's folder is its own
// folder, so only the last part matters. `path` itself when it is no link
// or cannot be examined.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

// Gives the open file `to` the permission bits of the file at `from` and,
// where this process may set them, its owner and group, so that a file
// replacing another keeps them. Nothing where the system keeps no such bits
// (Windows) or `from` is gone. Raises when the bits cannot be set.
void CopyOwnerAndMode(const std::filesystem::path& from, File& to);

enum class StandardStream { kInput, kOutput, kError };
// Whether the stream is an interactive terminal (or console).
bool IsTerminal(StandardStream stream);

// std::fopen of a path of any name (a narrow name means the ANSI code page
// on Windows); nullptr with errno set when it fails.
std::FILE* OpenStdioFile(const std::filesystem::path& path, const char* mode);

}  // namespace platform

#endif  // PLATFORM_FILE_H_
