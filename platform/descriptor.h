// Streams by C runtime descriptor (standard input, a pipe, a file opened
// for such code), for readers of line input that must not care which.
#ifndef PLATFORM_DESCRIPTOR_H_
#define PLATFORM_DESCRIPTOR_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

// Standard input is descriptor 0 everywhere.
constexpr int kStandardInputDescriptor = 0;

// Opens the file at `path` for reading (binary). Raises std::system_error
// with an errno value.
int OpenReadDescriptor(const std::filesystem::path& path);
void CloseDescriptor(int descriptor);
// A pipe: what is written to `write` (with WriteAll) is read from `read`.
// Both ends are binary and not inherited by children. Raises
// std::system_error.
struct Pipe {
  int read = -1;
  int write = -1;
};
Pipe MakePipe();
// Writes all of `data`. Raises std::system_error.
void WriteAll(int descriptor, const void* data, size_t length);

// Whether the descriptor is an interactive terminal (or console).
bool IsTerminal(int descriptor);
// Reads up to `length` bytes, as many as are ready (waiting for at least
// one); 0 at the end of the input. Raises std::system_error.
size_t ReadSome(int descriptor, void* out, size_t length);
// Whether a read would return at once: input is waiting, or the input has
// ended (or failed). A regular file is always ready. Where it cannot be
// told (a console), the answer is false, which costs a reader that flushes
// before it waits only an early flush.
bool InputWaiting(int descriptor);
// The size of what the descriptor reads when it is a regular file.
std::optional<uint64_t> RegularFileSize(int descriptor);

}  // namespace platform

#endif  // PLATFORM_DESCRIPTOR_H_
