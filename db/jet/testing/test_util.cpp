// Test helpers of the engine.
#include "db/jet/testing/test_util.h"

#include <cstdio>

#include <fstream>
#include <iterator>

#include "base/utf.h"

namespace jet::testing {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

nlohmann::json ReadJson(const std::filesystem::path& path) {
  std::ifstream in(path);
  return nlohmann::json::parse(in);
}

nlohmann::json ValueToJson(const Value& value) {
  using nlohmann::json;
  return std::visit(
      [](const auto& v) -> json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, Currency>) {
          return FormatCurrency(v);
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return FormatDecimal(v);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          return FormatDateTime(v);
        } else if constexpr (std::is_same_v<T, Guid>) {
          return FormatGuid(v);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return base::Utf16ToUtf8(v);
        } else if constexpr (std::is_same_v<T, Bytes>) {
          static const char kDigits[] = "0123456789abcdef";
          std::string hex;
          for (uint8_t b : v) {
            hex.push_back(kDigits[b >> 4]);
            hex.push_back(kDigits[b & 15]);
          }
          return hex;
        } else if constexpr (std::is_same_v<T, uint8_t>) {
          return int{v};
        } else {
          return v;
        }
      },
      value);
}

bool ValuesMatch(ColumnKind kind, const nlohmann::json& actual,
                 const nlohmann::json& expected) {
  if (actual.is_null() || expected.is_null()) {
    return actual.is_null() && expected.is_null();
  }
  if (kind == ColumnKind::kSingle) {
    return actual.is_number() && expected.is_number() &&
           actual.get<float>() == static_cast<float>(expected.get<double>());
  }
  if (kind == ColumnKind::kDouble) {
    return actual.is_number() && expected.is_number() &&
           actual.get<double>() == expected.get<double>();
  }
  return actual == expected;
}

std::optional<std::string> RunCommand(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return out;
}

}  // namespace jet::testing
