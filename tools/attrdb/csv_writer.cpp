// The CSV form of rows, buffered and written in large blocks.
#include "tools/attrdb/csv_writer.h"

#include <charconv>

#include "base/utf.h"
#include "db/jet/error.h"
#include "db/jet/values.h"

namespace attrdb {
namespace {

constexpr size_t kFlushAt = 1 << 20;

template <typename Number>
void AppendNumber(std::string& out, Number value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendHex(std::string& out, const jet::Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  out.push_back('"');
  for (uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  out.push_back('"');
}

}  // namespace

CsvWriter::CsvWriter(std::FILE* out, const jet::TableDef& table,
                     std::string null_text)
    : out_(out), table_(table), null_text_(std::move(null_text)) {
  buffer_.reserve(kFlushAt + 65536);
}

CsvWriter::~CsvWriter() { Flush(); }

void CsvWriter::Flush() {
  if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
  buffer_.clear();
  std::fflush(out_);
}

void CsvWriter::WriteHeader() {
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    if (i > 0) buffer_.push_back(',');
    base::AppendUtf8(table_.columns[i].name, buffer_);
  }
  buffer_.push_back('\n');
}

void CsvWriter::WriteRow(const jet::Row& row) {
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    if (i > 0) buffer_.push_back(',');
    AppendValue(row, i);
  }
  buffer_.push_back('\n');
  if (buffer_.size() >= kFlushAt) {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }
}

void CsvWriter::AppendQuoted(std::u16string_view text) {
  utf8_.clear();
  base::AppendUtf8(text, utf8_);
  buffer_.push_back('"');
  for (char c : utf8_) {
    if (c == '"') buffer_.push_back('"');
    buffer_.push_back(c);
  }
  buffer_.push_back('"');
}

void CsvWriter::AppendValue(const jet::Row& row, size_t column) {
  using jet::ColumnKind;
  const jet::Column& c = table_.columns[column];
  switch (c.kind) {
    case ColumnKind::kText:
    case ColumnKind::kMemo:
      if (row.GetText(column, text_)) {
        AppendQuoted(text_);
      } else {
        buffer_ += null_text_;
      }
      return;
    case ColumnKind::kBoolean:
    case ColumnKind::kByte:
    case ColumnKind::kInteger: {
      int64_t value;
      if (row.GetInteger(column, value)) {
        AppendNumber(buffer_, value);
      } else {
        buffer_ += null_text_;
      }
      return;
    }
    default:
      break;
  }
  jet::Value value = row.Get(column);
  if (jet::IsNull(value)) {
    buffer_ += null_text_;
  } else if (auto* l = std::get_if<int32_t>(&value)) {
    AppendNumber(buffer_, *l);
  } else if (auto* m = std::get_if<jet::Currency>(&value)) {
    buffer_ += jet::FormatCurrency(*m);
  } else if (auto* f = std::get_if<float>(&value)) {
    AppendNumber(buffer_, *f);
  } else if (auto* d = std::get_if<double>(&value)) {
    AppendNumber(buffer_, *d);
  } else if (auto* t = std::get_if<jet::DateTime>(&value)) {
    try {
      buffer_ += '"' + jet::FormatDateTime(*t) + '"';
    } catch (const jet::Error&) {
      AppendNumber(buffer_, t->days);  // beyond the calendar: the stored days
    }
  } else if (auto* g = std::get_if<jet::Guid>(&value)) {
    buffer_ += '"' + jet::FormatGuid(*g) + '"';
  } else if (auto* n = std::get_if<jet::Decimal>(&value)) {
    buffer_ += jet::FormatDecimal(*n);
  } else if (auto* b = std::get_if<jet::Bytes>(&value)) {
    AppendHex(buffer_, *b);
  } else if (auto* s = std::get_if<std::u16string>(&value)) {
    AppendQuoted(*s);
  } else if (auto* u = std::get_if<uint8_t>(&value)) {
    AppendNumber(buffer_, int{*u});
  } else if (auto* i = std::get_if<int16_t>(&value)) {
    AppendNumber(buffer_, *i);
  } else if (auto* flag = std::get_if<bool>(&value)) {
    buffer_ += *flag ? "1" : "0";
  }
}

}  // namespace attrdb
