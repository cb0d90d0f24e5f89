// Bitwise comparison, formatting and short descriptions of engine values.
#include "fuzz/value_compare.h"

#include <bit>
#include <cstdio>

#include "base/utf.h"
#include "db/jet/format/error.h"

namespace fuzz {

bool SameValue(const jet::Value& a, const jet::Value& b) {
  if (a.index() != b.index()) return false;
  if (const float* x = std::get_if<float>(&a)) {
    return std::bit_cast<uint32_t>(*x) == std::bit_cast<uint32_t>(std::get<float>(b));
  }
  if (const double* x = std::get_if<double>(&a)) {
    return std::bit_cast<uint64_t>(*x) == std::bit_cast<uint64_t>(std::get<double>(b));
  }
  if (const jet::DateTime* x = std::get_if<jet::DateTime>(&a)) {
    return std::bit_cast<uint64_t>(x->days) ==
           std::bit_cast<uint64_t>(std::get<jet::DateTime>(b).days);
  }
  return a == b;
}

void FormatValue(const jet::Value& value) {
  if (const auto* money = std::get_if<jet::Currency>(&value)) jet::FormatCurrency(*money);
  if (const auto* decimal = std::get_if<jet::Decimal>(&value)) jet::FormatDecimal(*decimal);
  if (const auto* guid = std::get_if<jet::Guid>(&value)) jet::FormatGuid(*guid);
  if (const auto* date = std::get_if<jet::DateTime>(&value)) {
    try {
      jet::FormatDateTime(*date);
    } catch (const jet::Error& e) {
      if (e.kind() != jet::ErrorKind::kInvalidArgument) throw;
    }
  }
}

std::string DescribeValue(const jet::Value& value) {
  struct Describe {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(bool v) const { return v ? "true" : "false"; }
    std::string operator()(uint8_t v) const { return "byte " + std::to_string(v); }
    std::string operator()(int16_t v) const { return "int " + std::to_string(v); }
    std::string operator()(int32_t v) const { return "long " + std::to_string(v); }
    std::string operator()(jet::Currency v) const { return "money " + jet::FormatCurrency(v); }
    std::string operator()(float v) const { return Bits("float", std::bit_cast<uint32_t>(v)); }
    std::string operator()(double v) const { return Bits("double", std::bit_cast<uint64_t>(v)); }
    std::string operator()(jet::DateTime v) const {
      return Bits("date", std::bit_cast<uint64_t>(v.days));
    }
    std::string operator()(const std::u16string& v) const {
      return "text(" + std::to_string(v.size()) + ") '" + base::Utf16ToUtf8(v.substr(0, 40)) +
             "'";
    }
    std::string operator()(const jet::Bytes& v) const {
      return "bytes(" + std::to_string(v.size()) + ")";
    }
    std::string operator()(const jet::Guid& v) const { return "guid " + jet::FormatGuid(v); }
    std::string operator()(const jet::Decimal& v) const {
      return "decimal " + jet::FormatDecimal(v) + " p" + std::to_string(v.precision) + " s" +
             std::to_string(v.scale);
    }
    static std::string Bits(const char* what, uint64_t bits) {
      char text[40];
      std::snprintf(text, sizeof text, "%s 0x%llx", what, static_cast<unsigned long long>(bits));
      return text;
    }
  };
  return std::visit(Describe{}, value);
}

}  // namespace fuzz
