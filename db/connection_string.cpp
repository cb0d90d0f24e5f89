// Building and reading the connection string.
#include "db/connection_string.h"

#include "db/provider_error.h"

namespace db {
namespace {

constexpr std::string_view kProvider = "Microsoft.Jet.OLEDB.4.0";
constexpr std::string_view kEmpty = "\"\"";

struct Setting {
  std::string_view key;
  std::string_view value;  // empty for the data source, filled in
};

constexpr Setting kSettings[] = {
    {"Provider", kProvider},
    {"User ID", "Admin"},
    {"Data Source", ""},
    {"Mode", "Share Deny None"},
    {"Extended Properties", kEmpty},
    {"Jet OLEDB:System database", kEmpty},
    {"Jet OLEDB:Registry Path", kEmpty},
    {"Jet OLEDB:Database Password", kEmpty},
    {"Jet OLEDB:Engine Type", "5"},
    {"Jet OLEDB:Database Locking Mode", "0"},
    {"Jet OLEDB:Global Partial Bulk Ops", "2"},
    {"Jet OLEDB:Global Bulk Transactions", "1"},
    {"Jet OLEDB:New Database Password", kEmpty},
    {"Jet OLEDB:Create System Database", "False"},
    {"Jet OLEDB:Encrypt Database", "False"},
    {"Jet OLEDB:Don't Copy Locale on Compact", "False"},
    {"Jet OLEDB:Compact Without Replica Repair", "False"},
    {"Jet OLEDB:SFP", "False"},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string BuildConnectionString(std::string_view data_source) {
  std::string text;
  for (const Setting& setting : kSettings) {
    if (!text.empty()) text += ';';
    text += setting.key;
    text += '=';
    text += setting.key == "Data Source" ? data_source : setting.value;
  }
  return text;
}

ConnectionKeys ParseConnectionString(std::string_view text) {
  ConnectionKeys keys;
  size_t i = 0;
  while (i < text.size()) {
    size_t equals = text.find_first_of("=;", i);
    if (equals == std::string_view::npos || text[equals] == ';') {
      i = equals == std::string_view::npos ? text.size() : equals + 1;
      continue;
    }
    std::string key(Trim(text.substr(i, equals - i)));
    size_t j = equals + 1;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    std::string value;
    if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
      char quote = text[j++];
      while (j < text.size()) {
        if (text[j] == quote) {
          if (j + 1 < text.size() && text[j + 1] == quote) {
            value += quote;
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        value += text[j++];
      }
      size_t end = text.find(';', j);
      i = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      size_t end = text.find(';', j);
      if (end == std::string_view::npos) end = text.size();
      value = std::string(Trim(text.substr(j, end - j)));
      i = end + 1;
    }
    if (!key.empty()) keys.emplace_back(std::move(key), std::move(value));
  }
  return keys;
}

std::optional<std::string> FindKey(const ConnectionKeys& keys, std::string_view key) {
  std::optional<std::string> found;
  for (const auto& [name, value] : keys) {
    if (EqualNoCase(name, key)) found = value;
  }
  return found;
}

ConnectionSettings ReadConnectionSettings(std::string_view text) {
  ConnectionKeys keys = ParseConnectionString(text);
  ConnectionSettings settings;
  settings.provider = FindKey(keys, "Provider").value_or("");
  if (!EqualNoCase(settings.provider, kProvider)) {
    RaiseProviderError(ProviderNotFoundMessage());
  }
  settings.user = FindKey(keys, "User ID").value_or("Admin");
  if (!settings.user.empty() && !EqualNoCase(settings.user, "Admin")) {
    RaiseProviderError(NotAValidAccountMessage());
  }
  settings.data_source = FindKey(keys, "Data Source").value_or("");
  settings.read_only = EqualNoCase(FindKey(keys, "Mode").value_or(""), "Read");
  return settings;
}

}  // namespace db
