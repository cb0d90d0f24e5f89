// Escaping and quoting of the lookup rows, and the buffered writer.
#include "tools/attrdb/lookup_output.h"
#include "tools/attrdb/stream_error.h"

#include "base/utf.h"

#include <algorithm>
#include <array>

namespace attrdb {

using attribution::Attribution;
using attribution::AttributionIndex;
namespace {

// A few rows go out from a small buffer; many, from a large one.
constexpr size_t kFirstBufferBytes = size_t{1} << 12;
constexpr size_t kBufferBytes = size_t{1} << 18;

constexpr std::array<std::string_view, 7> kColumns = {
    "number", "status", "province", "city", "postal_code", "area_code", "card_type"};

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

void AppendCsv(std::string_view text, std::string& out) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Length of the UTF-8 sequence starting `text` (at least one byte left), 0
// when it is not one: overlong forms, surrogates and values past U+10FFFF
// are refused.
size_t Utf8Length(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendJson(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text[0]);
    size_t length = 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else if ((length = Utf8Length(text)) == 0) {
          out += "\\ufffd";
          length = 1;
        } else {
          out.append(text.data(), length);
        }
    }
    text.remove_prefix(length);
  }
  out += '"';
}

}  // namespace

void AppendField(OutputFormat format, std::string_view text, std::string& out) {
  switch (format) {
    case OutputFormat::kTsv: AppendTsv(text, out); break;
    case OutputFormat::kCsv: AppendCsv(text, out); break;
    case OutputFormat::kJson: AppendJson(text, out); break;
  }
}

LookupWriter::LookupWriter(std::FILE* out, OutputFormat format)
    : out_(out), format_(format), buffer_(kFirstBufferBytes, '\0') {
  if (format_ == OutputFormat::kJson) number_prefix_ = "{\"number\":\"";
  not_mobile_tail_ = Tail(kNotMobile, nullptr);
  not_utf8_tail_ = Tail(kNotUtf8, nullptr);
}

void LookupWriter::Use(const AttributionIndex& index) {
  index_ = &index;
  tails_.clear();
  AddTails();
}

void LookupWriter::AddTails() {
  const std::string_view close_number = format_ == OutputFormat::kJson ? "\"" : "";
  if (tails_.empty()) tails_.push_back(std::string(close_number) + Tail(kNotFound, nullptr));
  for (auto n = static_cast<uint32_t>(tails_.size()); n <= index_->AnswerCount(); ++n) {
    tails_.push_back(std::string(close_number) + Tail(kFound, &index_->Answer(n)));
  }
}

LookupWriter::~LookupWriter() { Flush(); }

std::string LookupWriter::Tail(std::string_view status,
                               const Attribution* answer) const {
  const std::array<const std::string*, 5> fields = {
      answer ? &answer->province : nullptr, answer ? &answer->city : nullptr,
      answer ? &answer->postal_code : nullptr, answer ? &answer->area_code : nullptr,
      answer ? &answer->card_type : nullptr};
  std::string tail;
  if (format_ == OutputFormat::kJson) {
    tail += ",\"status\":\"";
    tail += status;
    tail += '"';
    for (size_t i = 0; i < fields.size(); ++i) {
      tail += ",\"";
      tail += kColumns[i + 2];
      tail += "\":";
      if (fields[i]) {
        AppendJson(*fields[i], tail);
      } else {
        tail += "null";
      }
    }
    tail += "}\n";
    return tail;
  }
  const char separator = format_ == OutputFormat::kTsv ? '\t' : ',';
  tail += separator;
  tail += status;
  for (const std::string* field : fields) {
    tail += separator;
    if (field) AppendField(format_, *field, tail);
  }
  tail += '\n';
  return tail;
}

void LookupWriter::WriteHeader() {
  if (format_ == OutputFormat::kJson) return;
  std::string line;
  for (std::string_view column : kColumns) {
    if (!line.empty()) line += format_ == OutputFormat::kTsv ? '\t' : ',';
    line += column;
  }
  line += '\n';
  Copy(Reserve(line.size()), line);
  used_ += line.size();
}

void LookupWriter::WriteNotMobile(std::string_view text) {
  std::string row = format_ == OutputFormat::kJson ? "{\"number\":" : "";
  AppendField(format_, text, row);
  row += not_mobile_tail_;
  Copy(Reserve(row.size()), row);
  used_ += row.size();
}

void LookupWriter::WriteNotUtf8(std::string_view text) {
  std::string row = format_ == OutputFormat::kJson ? "{\"number\":" : "";
  // Each byte that is not UTF-8 shown as U+FFFD, so that the output stays text.
  AppendField(format_, base::Utf16ToUtf8(base::Utf8ToUtf16(text)), row);
  row += not_utf8_tail_;
  Copy(Reserve(row.size()), row);
  used_ += row.size();
}

void LookupWriter::Flush() {
  if (used_ > 0) WriteStream(buffer_.data(), used_, out_);
  used_ = 0;
  FlushStream(out_);
}

void LookupWriter::Grow(size_t n) {
  if (buffer_.size() < kBufferBytes) {
    buffer_.resize(std::max(kBufferBytes, used_ + n));
    return;
  }
  Flush();
  if (buffer_.size() < n) buffer_.resize(n);
}

}  // namespace attrdb
