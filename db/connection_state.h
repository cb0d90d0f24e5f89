// What an open connection holds: the engine on the file and the statement
// session with its indexes.
#ifndef DB_CONNECTION_STATE_H_
#define DB_CONNECTION_STATE_H_

#include <filesystem>
#include <memory>

#include "db/jet/read/database.h"
#include "db/jet/write/writer.h"
#include "db/sql/session.h"

namespace db {

class ConnectionState {
 public:
  ConnectionState(std::unique_ptr<jet::Database> database, std::filesystem::path path,
                  bool read_only)
      : database_(std::move(database)),
        session_(*database_),
        path_(std::move(path)),
        read_only_(read_only) {}

  jet::Database& database() { return *database_; }
  sql::Session& session() { return session_; }
  // The file as named by the Data Source.
  const std::filesystem::path& path() const { return path_; }
  bool read_only() const { return read_only_; }
  // The writer of the file, made on first use.
  // REQUIRES: !read_only().
  jet::Writer& writer() {
    if (!writer_) writer_ = std::make_unique<jet::Writer>(*database_);
    return *writer_;
  }

 private:
  std::unique_ptr<jet::Database> database_;
  sql::Session session_;
  std::filesystem::path path_;
  bool read_only_;
  std::unique_ptr<jet::Writer> writer_;  // declared last: destroyed first
};

}  // namespace db

#endif  // DB_CONNECTION_STATE_H_
