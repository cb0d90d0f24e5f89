// ADOConnection1: the one connection to the attribution database, with the
// fixed connection string, opened while the window is built and on demand.
#ifndef DB_CONNECTION_H_
#define DB_CONNECTION_H_

#include <memory>
#include <string>

namespace db {

class ConnectionState;  // the open engine behind the connection

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

  // Opens the database named by the connection string's Data Source,
  // relative to the working directory. Does nothing when already open.
  // Raises EOleException with the engine's description on failure; the
  // connection then stays closed.
  void Open();
  bool Connected() const;
  // Closes the database; never raises.
  void Close();

  // The open engine; null while closed. For the query cursor.
  ConnectionState* State() const { return state_.get(); }

 private:
  std::string name_;
  std::string connection_string_;
  std::unique_ptr<ConnectionState> state_;
};

}  // namespace db

#endif  // DB_CONNECTION_H_
