// Descriptors of the Microsoft C runtime.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <system_error>

#include "platform/descriptor.h"
#include "platform/path_text.h"

namespace platform {

int OpenReadDescriptor(const std::filesystem::path& path) {
  const int fd = ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "opening " + platform::Utf8Of(path));
  return fd;
}

void CloseDescriptor(int descriptor) { ::_close(descriptor); }

Pipe MakePipe() {
  int ends[2];
  if (::_pipe(ends, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) {
    throw std::system_error(errno, std::generic_category(), "pipe");
  }
  return {ends[0], ends[1]};
}

void WriteAll(int descriptor, const void* data, size_t length) {
  const char* at = static_cast<const char*>(data);
  while (length > 0) {
    const unsigned chunk = length > INT_MAX ? INT_MAX : static_cast<unsigned>(length);
    const int n = ::_write(descriptor, at, chunk);
    if (n < 0) throw std::system_error(errno, std::generic_category(), "writing");
    at += n;
    length -= static_cast<size_t>(n);
  }
}

bool IsTerminal(int descriptor) { return ::_isatty(descriptor) != 0; }

size_t ReadSome(int descriptor, void* out, size_t length) {
  // Text mode would turn CR LF into LF and stop at Ctrl-Z: input is bytes.
  ::_setmode(descriptor, _O_BINARY);
  const unsigned chunk = length > INT_MAX ? INT_MAX : static_cast<unsigned>(length);
  const int n = ::_read(descriptor, out, chunk);
  if (n < 0) throw std::system_error(errno, std::generic_category(), "reading");
  return static_cast<size_t>(n);
}

bool InputWaiting(int descriptor) {
  // Where it cannot be told, the answer is no: that costs a reader only an
  // early flush, while a wrong yes would keep answers from one who waits.
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
  if (handle == INVALID_HANDLE_VALUE) return false;
  switch (::GetFileType(handle)) {
    case FILE_TYPE_PIPE: {
      DWORD available = 0;
      // A pipe whose writer has gone fails here and ends at the next read.
      if (!::PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) return false;
      return available > 0;
    }
    case FILE_TYPE_CHAR:
      return false;
    default:
      return true;
  }
}

std::optional<uint64_t> RegularFileSize(int descriptor) {
  struct _stat64 st;
  if (::_fstat64(descriptor, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

}  // namespace platform
