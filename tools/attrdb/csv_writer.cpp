// The CSV form of rows, buffered and written in large blocks.
#include "tools/attrdb/csv_writer.h"
#include "tools/attrdb/stream_error.h"

#include <charconv>
#include <cstring>

#include "base/utf.h"
#include "db/jet/format/error.h"
#include "db/jet/format/values.h"

namespace attrdb {
namespace {

constexpr size_t kFlushAt = 1 << 20;

template <typename Number>
std::string_view FormatNumber(char (&buffer)[64], Number value) {
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
}

}  // namespace

CsvWriter::CsvWriter(std::FILE* out, const jet::TableDef& table,
                     std::string null_text)
    : out_(out), table_(table), null_text_(std::move(null_text)) {
  buffer_.resize(kFlushAt + 65536);
}

CsvWriter::~CsvWriter() { Flush(); }

char* CsvWriter::Reserve(size_t n) {
  if (buffer_.size() - used_ < n) buffer_.resize(used_ + n + kFlushAt);
  return buffer_.data() + used_;
}

void CsvWriter::Append(std::string_view s) {
  std::memcpy(Reserve(s.size()), s.data(), s.size());
  used_ += s.size();
}

void CsvWriter::Flush() {
  if (used_ > 0) WriteStream(buffer_.data(), used_, out_);
  used_ = 0;
  FlushStream(out_);
}

void CsvWriter::WriteHeader() {
  std::string line;
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    if (i > 0) line.push_back(',');
    base::AppendUtf8(table_.columns[i].name, line);
  }
  line.push_back('\n');
  Append(line);
}

void CsvWriter::WriteRow(const jet::Row& row) {
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    if (i > 0) Append(",");
    AppendValue(row, i);
  }
  Append("\n");
  if (used_ >= kFlushAt) {
    WriteStream(buffer_.data(), used_, out_);
    used_ = 0;
  }
}

// UTF-16 to UTF-8 between quotes, quotes doubled, in one pass.
void CsvWriter::AppendQuoted(std::u16string_view text) {
  char* start = Reserve(6 * text.size() + 2);
  char* o = start;
  *o++ = '"';
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c < 0x80) {
      if (c == '"') *o++ = '"';
      *o++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      *o++ = static_cast<char>(0xF0 | (c >> 18));
      *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    } else {
      if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
      if (c < 0x800) {
        *o++ = static_cast<char>(0xC0 | (c >> 6));
        *o++ = static_cast<char>(0x80 | (c & 0x3F));
        continue;
      }
      *o++ = static_cast<char>(0xE0 | (c >> 12));
    }
    *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  *o++ = '"';
  used_ += static_cast<size_t>(o - start);
}

void CsvWriter::AppendValue(const jet::Row& row, size_t column) {
  using jet::ColumnKind;
  const jet::Column& c = table_.columns[column];
  char number[64];
  switch (c.kind) {
    case ColumnKind::kText:
    case ColumnKind::kMemo:
      if (row.GetText(column, text_)) {
        AppendQuoted(text_);
      } else {
        Append(null_text_);
      }
      return;
    case ColumnKind::kBoolean:
    case ColumnKind::kByte:
    case ColumnKind::kInteger:
    case ColumnKind::kLong: {
      int64_t value;
      if (row.GetInteger(column, value)) {
        Append(FormatNumber(number, value));
      } else {
        Append(null_text_);
      }
      return;
    }
    default:
      break;
  }
  jet::Value value = row.Get(column);
  if (jet::IsNull(value)) {
    Append(null_text_);
  } else if (auto* m = std::get_if<jet::Currency>(&value)) {
    Append(jet::FormatCurrency(*m));
  } else if (auto* f = std::get_if<float>(&value)) {
    Append(FormatNumber(number, *f));
  } else if (auto* d = std::get_if<double>(&value)) {
    Append(FormatNumber(number, *d));
  } else if (auto* t = std::get_if<jet::DateTime>(&value)) {
    try {
      Append('"' + jet::FormatDateTime(*t) + '"');
    } catch (const jet::Error&) {
      Append(FormatNumber(number, t->days));  // beyond the calendar
    }
  } else if (auto* g = std::get_if<jet::Guid>(&value)) {
    Append('"' + jet::FormatGuid(*g) + '"');
  } else if (auto* n = std::get_if<jet::Decimal>(&value)) {
    Append(jet::FormatDecimal(*n));
  } else if (auto* b = std::get_if<jet::Bytes>(&value)) {
    static const char kDigits[] = "0123456789ABCDEF";
    char* o = Reserve(2 * b->size() + 2);
    char* start = o;
    *o++ = '"';
    for (uint8_t byte : *b) {
      *o++ = kDigits[byte >> 4];
      *o++ = kDigits[byte & 15];
    }
    *o++ = '"';
    used_ += static_cast<size_t>(o - start);
  } else if (auto* s = std::get_if<std::u16string>(&value)) {
    AppendQuoted(*s);
  }
}

}  // namespace attrdb
