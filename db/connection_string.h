// The connection string of ADOConnection1: built from its fixed table of
// settings, and read back into keys when the connection opens.
#ifndef DB_CONNECTION_STRING_H_
#define DB_CONNECTION_STRING_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db {

// The file the connection opens, relative to the working directory.
inline constexpr std::string_view kDefaultDataSource = "attrdata.mdb";

// The connection string for the data source `data_source`: eighteen
// "key=value" pairs joined by ";", empty values written as two double
// quotes. With the default data source it is 552 characters long.
std::string BuildConnectionString(std::string_view data_source = kDefaultDataSource);

// The pairs of a connection string, keys and values with surrounding blanks
// removed and values unquoted ("..." or '...', a doubled quote standing for
// one). Empty pieces are skipped.
using ConnectionKeys = std::vector<std::pair<std::string, std::string>>;
ConnectionKeys ParseConnectionString(std::string_view text);

// The value of `key` (compared without regard to ASCII case); the last one
// wins, as with the provider. Nothing when absent.
std::optional<std::string> FindKey(const ConnectionKeys& keys, std::string_view key);

// What the engine needs of a connection string; the keys that only
// configure the platform's provider are accepted and ignored.
struct ConnectionSettings {
  std::string provider;
  std::string user;
  std::string data_source;
  bool read_only = false;  // Mode=Read
};

// Reads the settings. Raises EOleException when the provider is not the Jet
// 4.0 provider ("Provider cannot be found...") or the user is not "Admin"
// ("Not a valid account name or password").
ConnectionSettings ReadConnectionSettings(std::string_view text);

}  // namespace db

#endif  // DB_CONNECTION_STRING_H_
