// The one error reporter of attrdb.
#include "tools/attrdb/report.h"
#include "tools/attrdb/stream_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

// `text` with every byte that does not belong to valid UTF-8 written \xNN.
std::string ValidUtf8(std::string_view text) {
  const std::string round_trip = base::Utf16ToUtf8(base::Utf8ToUtf16(text));
  if (round_trip == text) return std::string(text);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3
                                : (byte >> 3) == 30 ? 4 : 0;
    if (length > 0 && i + length <= text.size()) {
      const std::string_view one = text.substr(i, length);
      if (base::Utf16ToUtf8(base::Utf8ToUtf16(one)) == one) {
        out += one;
        i += length;
        continue;
      }
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    out += escaped;
    ++i;
  }
  return out;
}

}  // namespace

void ReportError(std::string_view message, std::FILE* err) {
  std::fflush(stdout);
  const std::string line = "attrdb: " + ValidUtf8(message) + "\n";
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

int Guarded(const std::function<int()>& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    ReportError(MessageOf(e));
    return kExitFailed;
  }
}

bool FinishStandardOutput() {
  const bool failed_before = std::ferror(stdout) != 0;
  const bool flushed = FlushStream(stdout);
  errno = 0;
  const bool closed = std::fclose(stdout) == 0 || NoteStreamFailure();
  if (!failed_before && flushed && closed) return true;
  const int error = FirstStreamError();
  ReportError(std::string("standard output: writing failed: ") +
              (error != 0 ? std::strerror(error) : "an earlier write failed"));
  return false;
}

}  // namespace attrdb
