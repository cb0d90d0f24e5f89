// ADOConnection1: the one connection to the attribution database, with the
// fixed connection string, opened while the window is built and on demand.
#ifndef DB_CONNECTION_H_
#define DB_CONNECTION_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/exceptions.h"

namespace db {

class ConnectionState;  // the open engine behind the connection
class TADOQuery;

class TADOConnection {
 public:
  // `name` is the component name used in messages ("ADOConnection1").
  explicit TADOConnection(std::string name = "ADOConnection1");
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  const std::string& Name() const { return name_; }
  // The 552-character connection string.
  const std::string& ConnectionString() const { return connection_string_; }
  // Puts `path` in place of the Data Source of the connection string, for
  // tools and tests that open another file. REQUIRES: the connection is
  // closed.
  void SetDataSource(const std::string& path);

  // Opens the database named by the connection string's Data Source,
  // relative to the working directory. Does nothing when already open.
  // Raises EOleException with the engine's description on failure; the
  // connection then stays closed.
  void Open();
  bool Connected() const;
  // Closes the cursors that use the connection, then the database; never
  // raises.
  void Close();

  // The opening at the end of the window's construction: Open, with a
  // failure handed to `report` (the shell's error report) instead of being
  // raised, so that the window is built with the connection closed.
  void Loaded(const std::function<void(const base::Exception&)>& report);

  // The open engine; null while closed. For the query cursor.
  ConnectionState* State() const { return state_.get(); }

 private:
  friend class TADOQuery;  // cursors register while they exist

  std::string name_;
  std::string connection_string_;
  std::unique_ptr<ConnectionState> state_;
  std::vector<TADOQuery*> queries_;
};

}  // namespace db

#endif  // DB_CONNECTION_H_
