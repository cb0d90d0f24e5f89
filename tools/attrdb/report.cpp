// The one error reporter of attrdb.
#include "tools/attrdb/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "tools/attrdb/stream_error.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {

void ReportError(std::string_view message, std::FILE* err) {
  std::fflush(stdout);
  // Bytes that are not UTF-8 become U+FFFD, so that the line stays text.
  const std::string line = "attrdb: " + base::Utf16ToUtf8(base::Utf8ToUtf16(message)) + "\n";
  std::fwrite(line.data(), 1, line.size(), err);
  std::fflush(err);
}

std::string MessageOf(const std::exception& error) {
  if (const auto* raised = dynamic_cast<const base::Exception*>(&error)) {
    return base::Utf16ToUtf8(base::GbkToUtf16(raised->Message()));
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return "out of memory";
  return error.what();
}

int Guarded(const std::function<int()>& body, std::string_view after, std::FILE* err) {
  try {
    return body();
  } catch (const std::exception& e) {
    ReportError(MessageOf(e), err);
  }
  if (!after.empty()) ReportError(after, err);
  return kExitFailed;
}

bool FinishStandardOutput() {
  int error = FlushedError(stdout);
  errno = 0;
  if (std::fclose(stdout) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error == 0) return true;
  ReportError(std::string("standard output: writing failed: ") + std::strerror(error));
  return false;
}

}  // namespace attrdb
