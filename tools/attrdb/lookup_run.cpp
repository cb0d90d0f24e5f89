// attrdb lookup and list: the database read once through the engine, then
// the input answered from memory.
#include "tools/attrdb/lookup_run.h"

#include <cstring>

#include "attribution/attribution_index.h"
#include "attribution/city_heads.h"
#include "attribution/mobile_number.h"
#include "base/exceptions.h"
#include "base/utf.h"
#include "platform/descriptor.h"
#include "platform/path_text.h"
#include "tools/attrdb/line_reader.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/stream_error.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {

using attribution::AttributionIndex;
using attribution::HeadOf;
using attribution::kMobileDigits;
using attribution::ListedHead;
using attribution::NormalizeMobile;
namespace {

// Lines between reports of progress.
constexpr uint64_t kProgressLines = uint64_t{1} << 16;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr size_t kListBufferBytes = size_t{1} << 16;

// The size of the input when it is a regular file, else 0.
int64_t RegularFileSize(int fd) {
  return static_cast<int64_t>(platform::RegularFileSize(fd).value_or(0));
}

// A line of nothing but blanks: skipped, as a line between groups of numbers.
bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\f\v") == std::string_view::npos;
}

// Reports a failed output once, with the system's reason.
int CheckOutput(std::FILE* out, std::FILE* err) {
  const int error = FlushedError(out);
  if (error == 0) return kExitOk;
  ReportError(std::string("writing the output failed: ") + std::strerror(error), err);
  std::clearerr(out);
  return kExitFailed;
}

int Lookup(const LookupOptions& options, int input_fd, std::FILE* out,
           std::FILE* err) {
  const AttributionIndex index =
      attribution::LoadForLookup(platform::PathFromUtf8(options.database), options.numbers);
  LookupWriter writer(out, options.format, index);
  if (options.header) writer.WriteHeader();
  uint64_t not_mobile = 0, not_utf8 = 0;
  const auto answer = [&](std::string_view text) {
    char digits[kMobileDigits];
    if (NormalizeMobile(text, digits)) {
      writer.WriteNumber(digits, index.Find(HeadOf(digits)));
    } else if (!base::IsUtf8(text)) {
      writer.WriteNotUtf8(text);
      ++not_utf8;
    } else {
      writer.WriteNotMobile(text);
      ++not_mobile;
    }
  };

  if (!options.numbers.empty()) {
    for (const std::string& number : options.numbers) answer(number);
  } else {
    // Someone typing gets each answer at once.
    const bool interactive = platform::IsTerminal(input_fd);
    const int64_t size = options.progress ? RegularFileSize(input_fd) : 0;
    LineReader reader(input_fd);
    std::string_view line;
    for (uint64_t lines = 0; reader.Next(line); ++lines) {
      if (lines == 0 && line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
      if (IsBlank(line)) continue;
      answer(line);
      if (interactive) writer.Flush();
      if (size > 0 && lines % kProgressLines == 0) {
        options.progress(static_cast<int64_t>(reader.BytesRead()), size);
      }
    }
    if (size > 0) options.progress(-1, size);
  }
  writer.Flush();
  if (CheckOutput(out, err) != kExitOk) return kExitFailed;
  if (not_utf8 > 0) {
    ReportError(std::to_string(not_utf8) + (not_utf8 == 1 ? " line was" : " lines were") +
                    " not UTF-8",
                err);
  }
  if (not_mobile > 0) {
    ReportError(std::to_string(not_mobile) + (not_mobile == 1 ? " line was" : " lines were") +
                    " not a mobile number",
                err);
  }
  return not_mobile + not_utf8 == 0 ? kExitOk : kExitFailed;
}

int List(const ListOptions& options, std::FILE* out, std::FILE* err) {
  std::string buffer;
  int undecodable = 0;
  const auto list = [&](std::u16string_view stored) {
    try {
      buffer += ListedHead(stored);
    } catch (const base::EConvertError& e) {
      ++undecodable;
      ReportError("number head " + base::Utf16ToUtf8(stored) + " does not decode: " +
                      MessageOf(e),
                  err);
      return;
    }
    buffer += "xxxx\n";
    if (buffer.size() >= kListBufferBytes) {
      WriteStream(buffer.data(), buffer.size(), out);
      buffer.clear();
    }
  };
  if (!attribution::ListCityHeads(platform::PathFromUtf8(options.database),
                                  base::Utf8ToUtf16(options.province),
                                  base::Utf8ToUtf16(options.city), list)) {
    ReportError("no city " + options.city + " in province " + options.province, err);
    return kExitFailed;
  }
  WriteStream(buffer.data(), buffer.size(), out);
  if (CheckOutput(out, err) != kExitOk) return kExitFailed;
  return undecodable == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunLookup(const LookupOptions& options, int input_fd, std::FILE* out,
              std::FILE* err) {
  return Guarded([&] { return Lookup(options, input_fd, out, err); }, {}, err);
}

int RunList(const ListOptions& options, std::FILE* out, std::FILE* err) {
  return Guarded([&] { return List(options, out, err); }, {}, err);
}

}  // namespace attrdb
