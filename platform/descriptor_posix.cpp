// Descriptors as POSIX has them.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/descriptor.h"
#include "platform/path_text.h"

namespace platform {

int OpenReadDescriptor(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "opening " + platform::Utf8Of(path));
  return fd;
}

void CloseDescriptor(int descriptor) { ::close(descriptor); }

Pipe MakePipe() {
  int ends[2];
  if (::pipe(ends) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
  for (int end : ends) ::fcntl(end, F_SETFD, FD_CLOEXEC);
  return {ends[0], ends[1]};
}

void WriteAll(int descriptor, const void* data, size_t length) {
  const char* at = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = ::write(descriptor, at, length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category(), "writing");
    at += n;
    length -= static_cast<size_t>(n);
  }
}

bool IsTerminal(int descriptor) { return ::isatty(descriptor) != 0; }

size_t ReadSome(int descriptor, void* out, size_t length) {
  while (true) {
    ssize_t n = ::read(descriptor, out, length);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "reading");
  }
}

bool InputWaiting(int descriptor) {
  pollfd entry{descriptor, POLLIN, 0};
  while (true) {
    const int n = ::poll(&entry, 1, 0);
    if (n >= 0) return n > 0;
    if (errno != EINTR) return true;  // the read reports what is wrong
  }
}

std::optional<uint64_t> RegularFileSize(int descriptor) {
  struct stat st;
  if (::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace platform
