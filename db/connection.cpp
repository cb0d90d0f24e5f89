// Opening and closing the connection.
#include "db/connection.h"

#include <system_error>

#include "db/connection_state.h"
#include "db/connection_string.h"
#include "db/provider_error.h"
#include "db/query.h"
#include "platform/path_text.h"

namespace db {

TADOConnection::TADOConnection(std::string name)
    : name_(std::move(name)), connection_string_(BuildConnectionString()) {}

TADOConnection::~TADOConnection() { Close(); }

void TADOConnection::SetDataSource(const std::string& path) {
  connection_string_ = BuildConnectionString(path);
}

void TADOConnection::Open() {
  if (state_) return;
  ConnectionSettings settings = ReadConnectionSettings(connection_string_);
  const std::filesystem::path path = platform::PathFromUtf8(settings.data_source);
  std::error_code ec;
  if (settings.data_source.empty() || !std::filesystem::is_regular_file(path, ec)) {
    RaiseProviderError(CouldNotFindFileMessage(path));
  }
  try {
    std::unique_ptr<jet::Database> database;
    bool read_only = settings.read_only;
    // A file marked read-only for everyone stays unwritten even for a user
    // (such as root) whom the system would let write it.
    using std::filesystem::perms;
    const perms mode = std::filesystem::status(path, ec).permissions();
    if (!ec && (mode & (perms::owner_write | perms::group_write | perms::others_write)) ==
                   perms::none) {
      read_only = true;
    }
    if (!read_only) {
      // A file the process may not write is opened for reading, as the
      // provider does.
      try {
        database = jet::Database::Open(path, jet::OpenMode::kReadWrite);
      } catch (const jet::Error& e) {
        if (e.kind() != jet::ErrorKind::kIo) throw;
        read_only = true;
      }
    }
    if (!database) database = jet::Database::Open(path, jet::OpenMode::kReadOnly);
    state_ = std::make_unique<ConnectionState>(std::move(database), path, read_only);
  } catch (const jet::Error& e) {
    RaiseEngineError(e, path, /*opening=*/true);
  }
}

bool TADOConnection::Connected() const { return state_ != nullptr; }

void TADOConnection::Close() {
  // Results hold rows that read from the engine; they go first.
  for (TADOQuery* query : queries_) query->Close();
  state_.reset();
}

void TADOConnection::Loaded(const std::function<void(const base::Exception&)>& report) {
  try {
    Open();
  } catch (const base::Exception& e) {
    report(e);
  }
}

}  // namespace db
