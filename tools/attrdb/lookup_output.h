// The rows `attrdb lookup` writes, in TSV, CSV or JSON lines: number,
// status, province, city, postal code, area code and card type. The text
// after the number of each answer is made once, so that a row costs two
// copies into a large buffer.
#ifndef TOOLS_ATTRDB_LOOKUP_OUTPUT_H_
#define TOOLS_ATTRDB_LOOKUP_OUTPUT_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "attribution/attribution_index.h"
#include "attribution/mobile_number.h"

namespace attrdb {

enum class OutputFormat {
  kTsv,   // tab-separated; tab, CR, LF and backslash written \t \r \n \\ .
  kCsv,   // comma-separated; a field holding , " CR or LF is quoted, " doubled
  kJson,  // one object per line; the fields of a number not found are null
};

// The statuses of a row.
inline constexpr char kFound[] = "found";
inline constexpr char kNotFound[] = "not-found";
inline constexpr char kNotMobile[] = "not-mobile";
inline constexpr char kNotUtf8[] = "not-utf8";

// `text` as one field of `format` (JSON: a string with its quotes; bytes that
// are not UTF-8 become U+FFFD), appended to `out`.
void AppendField(OutputFormat format, std::string_view text, std::string& out);

class LookupWriter {
 public:
  // Writes to `out`; numbers are answered from the index given to Use.
  LookupWriter(std::FILE* out, OutputFormat format);
  // Flushes.
  ~LookupWriter();
  LookupWriter(const LookupWriter&) = delete;
  LookupWriter& operator=(const LookupWriter&) = delete;

  // The line of column names (TSV and CSV; nothing for JSON).
  void WriteHeader();
  // Answers from `index` from now on; answer numbers of an index used before
  // no longer hold. REQUIRES: `index` outlives its use; answers may be added
  // to it in between.
  void Use(const attribution::AttributionIndex& index);
  // The row of a mobile number whose head has answer `answer` (0: not found)
  // in the index in use.
  void WriteNumber(const char (&digits)[attribution::kMobileDigits], uint32_t answer) {
    if (answer >= tails_.size()) AddTails();
    const std::string& tail = tails_[answer];
    char* p = Reserve(number_prefix_.size() + attribution::kMobileDigits + tail.size());
    p = Copy(p, number_prefix_);
    p = Copy(p, std::string_view(digits, attribution::kMobileDigits));
    p = Copy(p, tail);
    used_ = static_cast<size_t>(p - buffer_.data());
  }
  // The row of a text that is not a mobile number, the text as given.
  void WriteNotMobile(std::string_view text);
  // The row of a line that is not UTF-8, each stray byte shown as U+FFFD.
  void WriteNotUtf8(std::string_view text);
  // Writes what is buffered to the stream.
  void Flush();

 private:
  static char* Copy(char* p, std::string_view s) {
    s.copy(p, s.size());
    return p + s.size();
  }
  // Room for `n` more bytes; returns where they go.
  char* Reserve(size_t n) {
    if (buffer_.size() - used_ < n) Grow(n);
    return buffer_.data() + used_;
  }
  void Grow(size_t n);
  // The tails of answers added to the index since the last call.
  void AddTails();
  // The text that follows the number in a row: the status and the fields.
  std::string Tail(std::string_view status, const attribution::Attribution* answer) const;

  std::FILE* out_;
  OutputFormat format_;
  const attribution::AttributionIndex* index_ = nullptr;
  std::string number_prefix_;       // before the number: JSON's {"number":"
  std::vector<std::string> tails_;  // by answer number (0: not found), with
                                    // JSON's quote closing the number
  std::string not_mobile_tail_;
  std::string not_utf8_tail_;
  std::string buffer_;              // its first used_ bytes are pending output
  size_t used_ = 0;
};

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_LOOKUP_OUTPUT_H_
