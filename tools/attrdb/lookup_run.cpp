// attrdb lookup and list: the database read once through the engine, then
// the input answered from memory.
#include "tools/attrdb/lookup_run.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "attribution/attribution_index.h"
#include "attribution/city_heads.h"
#include "attribution/mobile_number.h"
#include "base/exceptions.h"
#include "base/utf.h"
#include "platform/descriptor.h"
#include "platform/file.h"
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

// What tells that a file changed: its size, time of change and identity.
std::optional<platform::FileInfo> StampOf(const std::filesystem::path& file) {
  try {
    return platform::PathInfo(file);
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

bool SameStamp(const std::optional<platform::FileInfo>& a,
               const std::optional<platform::FileInfo>& b) {
  if (!a || !b) return !a && !b;
  return a->size == b->size && a->modified_ns == b->modified_ns && a->id == b->id &&
         a->volume == b->volume;
}

// Answers lines and numbers into the writer, counting those that are none.
class Answerer {
 public:
  explicit Answerer(LookupWriter& writer) : writer_(writer) {}

  // A line of the input; blank ones are passed over.
  void AnswerLine(std::string_view line, const AttributionIndex& index) {
    if (!IsBlank(line)) Answer(line, index);
  }

  // As AnswerLine, but the row may wait in a chunk of lines until Drain or
  // the chunk is full: the entry of each head is fetched from memory while
  // the next lines are read, rather than waited for one at a time.
  void AnswerInChunk(std::string_view line, const AttributionIndex& index) {
    if (IsBlank(line)) return;
    chunk_index_ = &index;
    Held& held = chunk_[held_++];
    if (NormalizeMobile(line, held.digits)) {
      held.head = HeadOf(held.digits);
      index.Prefetch(held.head);
      held.other = kMobile;
    } else {
      held.other = others_.size();
      others_.emplace_back(line);
    }
    if (held_ == chunk_.size()) Drain();
  }

  // Writes the rows of the lines held in the chunk.
  void Drain() {
    for (size_t i = 0; i < held_; ++i) {
      const Held& held = chunk_[i];
      if (held.other == kMobile) {
        writer_.WriteNumber(held.digits, chunk_index_->Find(held.head));
      } else {
        Answer(others_[held.other], *chunk_index_);
      }
    }
    held_ = 0;
    others_.clear();
  }

  void Answer(std::string_view text, const AttributionIndex& index) {
    char digits[kMobileDigits];
    if (NormalizeMobile(text, digits)) {
      writer_.WriteNumber(digits, index.Find(HeadOf(digits)));
    } else if (!base::IsUtf8(text)) {
      writer_.WriteNotUtf8(text);
      ++not_utf8_;
    } else {
      writer_.WriteNotMobile(text);
      ++not_mobile_;
    }
  }

  // The closing messages; whether every line was a number.
  bool Report(std::FILE* err) const {
    if (not_utf8_ > 0) {
      ReportError(std::to_string(not_utf8_) + (not_utf8_ == 1 ? " line was" : " lines were") +
                      " not UTF-8",
                  err);
    }
    if (not_mobile_ > 0) {
      ReportError(std::to_string(not_mobile_) +
                      (not_mobile_ == 1 ? " line was" : " lines were") + " not a mobile number",
                  err);
    }
    return not_mobile_ + not_utf8_ == 0;
  }

 private:
  static constexpr size_t kMobile = SIZE_MAX;
  struct Held {
    char digits[kMobileDigits];
    uint32_t head;
    size_t other;  // in others_, or kMobile
  };

  LookupWriter& writer_;
  uint64_t not_mobile_ = 0, not_utf8_ = 0;
  std::array<Held, 32> chunk_;
  size_t held_ = 0;
  std::vector<std::string> others_;  // held lines that are no number
  const AttributionIndex* chunk_index_ = nullptr;
};

// The lines of the input, the byte order mark of the first dropped.
class NumberLines {
 public:
  explicit NumberLines(int fd) : reader_(fd) {}

  bool Next(std::string_view& line) {
    if (!reader_.Next(line)) return false;
    if (first_ && line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
    first_ = false;
    return true;
  }
  LineReader& reader() { return reader_; }

 private:
  LineReader reader_;
  bool first_ = true;
};

// Answers the first lines of the input one group at a time (the lines
// already waiting) by seeking their heads, for as long as the input stays
// short; returns the lines read but not yet answered once it shows itself
// long (the whole attribution is then loaded for them and the rest).
// An input that ends before it shows itself long has answered all its lines
// (`ended`); the file is read even for none, so that one that cannot be read
// is still reported.
std::vector<std::string> SeekFirstLines(const LookupOptions& options, NumberLines& lines,
                                        const std::function<void(const AttributionIndex&)>& use,
                                        Answerer& answerer, bool& ended) {
  std::vector<std::string> group;
  std::optional<attribution::HeadSeeker> seeker;
  size_t answered = 0;
  std::string_view line;
  while (true) {
    group.clear();
    if (!lines.Next(line)) {
      ended = true;
      if (!seeker) {
        seeker.emplace(platform::PathFromUtf8(options.database));
        seeker->Seek({});
        use(seeker->index());
      }
      return group;
    }
    group.emplace_back(line);
    while (answered + group.size() <= options.seek_lines && lines.reader().Ready() &&
           lines.Next(line)) {
      group.emplace_back(line);
    }
    if (answered + group.size() > options.seek_lines) return group;
    if (!seeker) {
      seeker.emplace(platform::PathFromUtf8(options.database));
      if (!seeker->Seekable()) return group;
    }
    std::vector<uint32_t> heads;
    char digits[kMobileDigits];
    for (const std::string& text : group) {
      if (NormalizeMobile(text, digits)) heads.push_back(HeadOf(digits));
    }
    if (seeker->Seek(heads) || answered == 0) use(seeker->index());
    for (const std::string& text : group) answerer.AnswerLine(text, seeker->index());
    answered += group.size();
  }
}

int Lookup(const LookupOptions& options, int input_fd, std::FILE* out, std::FILE* err) {
  LookupWriter writer(out, options.format);
  Answerer answerer(writer);
  // The column names go out once the file has been read.
  bool header = options.header;
  const auto use = [&](const AttributionIndex& index) {
    writer.Use(index);
    if (header) writer.WriteHeader();
    header = false;
  };
  if (!options.numbers.empty()) {
    const AttributionIndex index =
        attribution::LoadForLookup(platform::PathFromUtf8(options.database), options.numbers);
    use(index);
    for (const std::string& number : options.numbers) answerer.Answer(number, index);
  } else {
    NumberLines lines(input_fd);
    // Whoever waits for an answer gets it before the next line is awaited.
    bool waited = false;
    lines.reader().BeforeWaiting([&writer, &answerer, &waited] {
      answerer.Drain();
      writer.Flush();
      waited = true;
    });
    bool ended = false;
    const std::vector<std::string> waiting =
        SeekFirstLines(options, lines, use, answerer, ended);
    if (!ended) {
      const int64_t size = options.progress ? RegularFileSize(input_fd) : 0;
      const std::filesystem::path file = platform::PathFromUtf8(options.database);
      // The file as it stood before it was read: a program that keeps asking
      // gets answers from the file as changed since, read again after it
      // waited for the input (a long input waits seldom, if ever).
      std::optional<platform::FileInfo> stamp = StampOf(file);
      auto index = std::make_unique<AttributionIndex>(attribution::LoadForLookup(file, {}));
      use(*index);
      for (const std::string& text : waiting) answerer.AnswerLine(text, *index);
      std::string_view line;
      waited = false;
      for (uint64_t count = 0; lines.Next(line); ++count) {
        if (waited) {
          waited = false;
          std::optional<platform::FileInfo> now = StampOf(file);
          if (!SameStamp(now, stamp)) {
            stamp = now;
            index = std::make_unique<AttributionIndex>(attribution::LoadForLookup(file, {}));
            use(*index);
          }
        }
        answerer.AnswerInChunk(line, *index);
        if (size > 0 && count % kProgressLines == 0) {
          options.progress(static_cast<int64_t>(lines.reader().BytesRead()), size);
        }
      }
      answerer.Drain();
      if (size > 0) options.progress(-1, size);
    }
  }
  writer.Flush();
  if (CheckOutput(out, err) != kExitOk) return kExitFailed;
  return answerer.Report(err) ? kExitOk : kExitFailed;
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
