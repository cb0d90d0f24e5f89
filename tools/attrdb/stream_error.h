// Writes and flushes of an output stream that keep the system's reason for
// the first failure, so that the end of the run can say why the output is
// incomplete (the stream itself keeps only that it failed).
#ifndef TOOLS_ATTRDB_STREAM_ERROR_H_
#define TOOLS_ATTRDB_STREAM_ERROR_H_

#include <cerrno>
#include <cstdio>

namespace attrdb {

// The errno of the first failed WriteStream or FlushStream, 0 if none.
inline int& FirstStreamError() {
  static int error = 0;
  return error;
}

inline bool NoteStreamFailure() {
  if (FirstStreamError() == 0) FirstStreamError() = errno != 0 ? errno : EIO;
  return false;
}

// std::fwrite of all `size` bytes; false (the reason kept) when it fails.
inline bool WriteStream(const void* data, size_t size, std::FILE* out) {
  errno = 0;
  return std::fwrite(data, 1, size, out) == size || NoteStreamFailure();
}

// std::fflush; false (the reason kept) when it fails.
inline bool FlushStream(std::FILE* out) {
  errno = 0;
  return std::fflush(out) == 0 || NoteStreamFailure();
}

// Flushes `out`: 0 when that and every write before it succeeded, else the
// system's reason (EIO when none was kept).
inline int FlushedError(std::FILE* out) {
  const bool failed_before = std::ferror(out) != 0;
  if (FlushStream(out) && !failed_before) return 0;
  return FirstStreamError() != 0 ? FirstStreamError() : EIO;
}

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_STREAM_ERROR_H_
