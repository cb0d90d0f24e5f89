// The one error class of the Jet engine. Each kind of failure is raised by one
// function below, so every message of a kind is made in one place.
#ifndef DB_JET_FORMAT_ERROR_H_
#define DB_JET_FORMAT_ERROR_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jet {

enum class ErrorKind {
  kIo,                  // the operating system refused a read, write or open
  kNotADatabase,        // empty file, wrong signature: not a Jet file at all
  kUnsupportedVersion,  // Jet 3, ACE (Access 2007+) or an unknown version
  kEncrypted,           // page encryption or a database password
  kCorrupt,             // bytes from the file that break the format
  kNoSuchTable,         // no user table of that name
  kNoSuchColumn,        // no column of that name in the table
  kReadOnly,            // a write through a file opened read-only
  kInvalidArgument,     // a caller's request that cannot be met
  kBusy,                // another process held the file's lock too long
};

// What the engine raises. what() is an English message (UTF-8) that names
// the file or page concerned.
class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// Raises kIo: "<file>: <action> failed: <system error text>".
[[noreturn]] void RaiseIoError(std::string_view file, std::string_view action,
                               int error_number);
// Raises kNotADatabase: "<file>: not a Jet database: <why>".
[[noreturn]] void RaiseNotADatabase(std::string_view file, std::string_view why);
// Raises kUnsupportedVersion: "<file>: unsupported database format: <what>".
[[noreturn]] void RaiseUnsupportedVersion(std::string_view file,
                                          std::string_view what);
// Raises kEncrypted: "<file>: <what>; encrypted databases are not supported".
[[noreturn]] void RaiseEncrypted(std::string_view file, std::string_view what);
// Raises kCorrupt: "damaged database: page <page>: <what>".
[[noreturn]] void RaiseCorrupt(uint32_t page, std::string_view what);
// Raises kCorrupt for a fault of the whole file: "<file>: damaged database:
// <what>".
[[noreturn]] void RaiseCorruptFile(std::string_view file, std::string_view what);
// Raises kNoSuchTable: "no such table: <name>".
[[noreturn]] void RaiseNoSuchTable(std::u16string_view name);
// Raises kNoSuchColumn: "no such column: <table>.<column>".
[[noreturn]] void RaiseNoSuchColumn(std::u16string_view table,
                                    std::u16string_view column);
// Raises kReadOnly: "<file>: the database is open read-only".
[[noreturn]] void RaiseReadOnly(std::string_view file);
// Raises kBusy: "<file>: the database is busy: another program is changing
// it; nothing was changed, try again".
[[noreturn]] void RaiseBusy(std::string_view file);
// Raises kInvalidArgument with `what` as the message.
[[noreturn]] void RaiseInvalidArgument(std::string_view what);

// A table, column or index name as it stands in a message: UTF-8, a
// surrogate pair as the one character it encodes, a lone surrogate as
// U+FFFD. Every message of the engine that names something uses it.
std::string NameForMessage(std::u16string_view name);

}  // namespace jet

#endif  // DB_JET_FORMAT_ERROR_H_
