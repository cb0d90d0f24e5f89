// A flat direct-index table of every answer, the peer that `attrdb lookup`
// is measured against (bench/lookup_compare.sh): the database is read once
// into a file of the rows' text and one entry per number head, and lookups
// then read that file and answer from it with no engine at all.
//
//   direct_index build DATABASE TABLE.bin
//   direct_index lookup TABLE.bin < numbers > answers
//
// The answers are byte for byte those of `attrdb lookup --db DATABASE` in
// TSV with its header line. The file holds integers in the byte order of the
// machine that made it: it is a scratch file of one benchmark run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "attribution/attribution_index.h"
#include "attribution/mobile_number.h"
#include "attribution/read_ahead_file.h"
#include "base/utf.h"
#include "db/jet/read/database.h"
#include "platform/path_text.h"

namespace {

using attribution::kFirstHead;
using attribution::kHeadSpan;
using attribution::kMobileDigits;

constexpr char kMagic[8] = {'a', 't', 't', 'r', 'd', 'i', 'x', '1'};
constexpr size_t kInputBytes = size_t{1} << 20;
constexpr size_t kOutputBytes = size_t{1} << 20;
constexpr std::string_view kHeaderLine =
    "number\tstatus\tprovince\tcity\tpostal_code\tarea_code\tcard_type\n";
constexpr std::string_view kNotFoundTail = "\tnot-found\t\t\t\t\t\n";
constexpr std::string_view kNotMobileTail = "\tnot-mobile\t\t\t\t\t\n";
constexpr std::string_view kNotUtf8Tail = "\tnot-utf8\t\t\t\t\t\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What precedes the tails in the file.
struct FileHeader {
  char magic[8];
  uint32_t tail_count;   // answers + 1; tail 0 is the one of a number not found
  uint32_t entry_bytes;  // 2 or 4
  uint64_t tail_bytes;   // the tails' text, all of them one after the other
};
// Then: tail_count + 1 offsets (uint32_t) into the text, the text, and
// kHeadSpan entries of entry_bytes each, the tail number of every head.

void Report(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "direct_index: %s\n", message.c_str());
}

int Fail(const std::string& message) {
  Report(message);
  return 1;
}

// `text` as a TSV field, the way attrdb escapes it.
void AppendTsv(std::string_view text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\f\v") == std::string_view::npos;
}

template <typename Entry>
std::vector<Entry> EntriesOf(const attribution::AttributionIndex& index) {
  std::vector<Entry> entries(kHeadSpan);
  for (uint32_t i = 0; i < kHeadSpan; ++i) {
    entries[i] = static_cast<Entry>(index.Find(kFirstHead + i));
  }
  return entries;
}

int Build(const char* database, const char* table_path) {
  const auto db = attribution::OpenForScan(platform::PathFromUtf8(database));
  attribution::AttributionIndex index = [&] {
    jet::ReadLock lock(*db);
    return attribution::AttributionIndex::Load(*db);
  }();

  std::vector<uint32_t> offsets = {0};
  std::string text(kNotFoundTail);
  offsets.push_back(static_cast<uint32_t>(text.size()));
  for (uint32_t n = 1; n <= index.AnswerCount(); ++n) {
    const attribution::Attribution& answer = index.Answer(n);
    text += "\tfound";
    for (const std::string* field : {&answer.province, &answer.city, &answer.postal_code,
                                     &answer.area_code, &answer.card_type}) {
      text += '\t';
      AppendTsv(*field, text);
    }
    text += '\n';
    offsets.push_back(static_cast<uint32_t>(text.size()));
  }

  FileHeader header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.tail_count = index.AnswerCount() + 1;
  header.entry_bytes = header.tail_count > 65536 ? 4 : 2;
  header.tail_bytes = text.size();

  std::FILE* out = std::fopen(table_path, "wb");
  if (out == nullptr) return Fail(std::string("cannot create ") + table_path);
  std::fwrite(&header, sizeof header, 1, out);
  std::fwrite(offsets.data(), sizeof(uint32_t), offsets.size(), out);
  std::fwrite(text.data(), 1, text.size(), out);
  if (header.entry_bytes == 2) {
    const std::vector<uint16_t> entries = EntriesOf<uint16_t>(index);
    std::fwrite(entries.data(), sizeof(uint16_t), entries.size(), out);
  } else {
    const std::vector<uint32_t> entries = EntriesOf<uint32_t>(index);
    std::fwrite(entries.data(), sizeof(uint32_t), entries.size(), out);
  }
  const bool failed = std::ferror(out) != 0;
  if (std::fclose(out) != 0 || failed) return Fail(std::string("writing ") + table_path);
  std::printf("%u answers, %zu heads, %u-byte entries\n", index.AnswerCount(),
              index.HeadCount(), header.entry_bytes);
  return 0;
}

// The file read back whole. The entries' memory is not cleared first (a
// page first touched costs as much as the read of it), nor is the input's.
struct Table {
  std::vector<uint32_t> offsets;
  std::string text;
  std::unique_ptr<uint16_t[]> narrow;  // the entries, when two bytes wide
  std::unique_ptr<uint32_t[]> wide;    // the entries, when four bytes wide
};

template <typename Entry>
bool ReadEntries(std::FILE* in, uint32_t tail_count, std::unique_ptr<Entry[]>& entries) {
  entries.reset(new Entry[kHeadSpan]);
  if (std::fread(entries.get(), sizeof(Entry), kHeadSpan, in) != kHeadSpan) return false;
  for (uint32_t i = 0; i < kHeadSpan; ++i) {
    if (entries[i] >= tail_count) return false;
  }
  return true;
}

bool ReadTable(const char* path, Table& table) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path, "rb"), &std::fclose);
  if (!in) return false;
  FileHeader header;
  const auto read = [&](void* to, size_t size, size_t count) {
    return std::fread(to, size, count, in.get()) == count;
  };
  if (!read(&header, sizeof header, 1) || std::memcmp(header.magic, kMagic, 8) != 0 ||
      (header.entry_bytes != 2 && header.entry_bytes != 4)) {
    return false;
  }
  table.offsets.resize(size_t{header.tail_count} + 1);
  table.text.resize(header.tail_bytes);
  if (!read(table.offsets.data(), sizeof(uint32_t), table.offsets.size()) ||
      !read(table.text.data(), 1, table.text.size())) {
    return false;
  }
  if (table.offsets.back() != header.tail_bytes) return false;
  return header.entry_bytes == 2 ? ReadEntries(in.get(), header.tail_count, table.narrow)
                                 : ReadEntries(in.get(), header.tail_count, table.wide);
}

// Rows gathered in a large block and written with one fwrite per block.
class Output {
 public:
  Output() : buffer_(new char[kOutputBytes]) {}
  ~Output() { Flush(); }

  void Append(std::string_view a, std::string_view b) {
    if (kOutputBytes - used_ < a.size() + b.size()) {
      Flush();
      if (a.size() + b.size() > kOutputBytes) {  // a line of junk longer than the block
        std::fwrite(a.data(), 1, a.size(), stdout);
        std::fwrite(b.data(), 1, b.size(), stdout);
        return;
      }
    }
    std::memcpy(buffer_.get() + used_, a.data(), a.size());
    std::memcpy(buffer_.get() + used_ + a.size(), b.data(), b.size());
    used_ += a.size() + b.size();
  }
  void Flush() {
    if (used_ > 0) std::fwrite(buffer_.get(), 1, used_, stdout);
    used_ = 0;
  }

 private:
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
};

// Answers every line of standard input; counts the lines that are no mobile
// number, and those that are not UTF-8.
template <typename Entry>
bool Answer(const Table& table, const Entry* entries, uint64_t& not_mobile,
            uint64_t& not_utf8) {
  const auto tail = [&](uint32_t n) {
    return std::string_view(table.text.data() + table.offsets[n],
                            table.offsets[n + 1] - table.offsets[n]);
  };
  Output output;
  output.Append(kHeaderLine, {});
  std::string row;
  const auto answer = [&](std::string_view line) {
    if (line.size() == kMobileDigits && line[0] == '1') {
      uint32_t head = 0;
      size_t i = 0;
      for (; i < kMobileDigits; ++i) {
        const unsigned digit = static_cast<unsigned char>(line[i]) - '0';
        if (digit > 9) break;
        if (i < attribution::kHeadDigits) head = head * 10 + digit;
      }
      if (i == kMobileDigits) {
        output.Append(line, tail(entries[head - kFirstHead]));
        return;
      }
    }
    char digits[kMobileDigits];
    if (attribution::NormalizeMobile(line, digits)) {
      const uint32_t head = attribution::HeadOf(digits);
      output.Append(std::string_view(digits, kMobileDigits), tail(entries[head - kFirstHead]));
      return;
    }
    row.clear();
    if (!base::IsUtf8(line)) {
      AppendTsv(base::Utf16ToUtf8(base::Utf8ToUtf16(line)), row);
      output.Append(row, kNotUtf8Tail);
      ++not_utf8;
    } else {
      AppendTsv(line, row);
      output.Append(row, kNotMobileTail);
      ++not_mobile;
    }
  };

  size_t capacity = kInputBytes;
  std::unique_ptr<char[]> input(new char[capacity]);
  size_t begin = 0, end = 0;
  bool first = true, eof = false;
  while (!eof) {
    if (begin > 0) {  // the unfinished line to the front
      std::memmove(input.get(), input.get() + begin, end - begin);
      end -= begin;
      begin = 0;
    }
    if (end == capacity) {  // a line longer than the block
      std::unique_ptr<char[]> larger(new char[capacity * 2]);
      std::memcpy(larger.get(), input.get(), end);
      input = std::move(larger);
      capacity *= 2;
    }
    const size_t n = std::fread(input.get() + end, 1, capacity - end, stdin);
    if (n == 0) {
      if (std::ferror(stdin)) return false;
      eof = true;
      if (end == 0) break;
      input[end++] = '\n';  // ends the last line (there is room: end < capacity)
    }
    end += n;
    const char* data = input.get();
    while (true) {
      const void* lf = std::memchr(data + begin, '\n', end - begin);
      if (lf == nullptr) break;
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - (data + begin));
      std::string_view line(data + begin, length);
      begin += length + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (first) {
        first = false;
        if (line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
      }
      if (IsBlank(line)) continue;
      answer(line);
    }
  }
  return true;
}

int Lookup(const char* table_path) {
  Table table;
  if (!ReadTable(table_path, table)) {
    return Fail(std::string("cannot read ") + table_path + " (made by direct_index build?)");
  }
  uint64_t not_mobile = 0, not_utf8 = 0;
  const bool read = table.narrow ? Answer(table, table.narrow.get(), not_mobile, not_utf8)
                                 : Answer(table, table.wide.get(), not_mobile, not_utf8);
  if (!read) return Fail("reading the input failed");
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return Fail("writing the output failed");
  const auto count = [](uint64_t n, const char* what) {
    Report(std::to_string(n) + (n == 1 ? " line was " : " lines were ") + what);
  };
  if (not_utf8 > 0) count(not_utf8, "not UTF-8");
  if (not_mobile > 0) count(not_mobile, "not a mobile number");
  return not_mobile + not_utf8 == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  try {
    if (command == "build" && argc == 4) return Build(argv[2], argv[3]);
    if (command == "lookup" && argc == 3) return Lookup(argv[2]);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  std::fprintf(stderr,
               "usage: direct_index build DATABASE TABLE.bin\n"
               "       direct_index lookup TABLE.bin < numbers > answers\n");
  return 2;
}
