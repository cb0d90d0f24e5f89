// The raising functions of the engine's error kinds.
#include "db/jet/format/error.h"

#include <cstring>

#include "base/utf.h"

namespace jet {
namespace {

[[noreturn]] void Raise(ErrorKind kind, std::string message) {
  throw Error(kind, message);
}

std::string Join(std::string_view a, std::string_view b) {
  std::string s(a);
  s += b;
  return s;
}

}  // namespace

void RaiseIoError(std::string_view file, std::string_view action,
                  int error_number) {
  Raise(ErrorKind::kIo, Join(file, ": ") + std::string(action) +
                            " failed: " + std::strerror(error_number));
}

void RaiseNotADatabase(std::string_view file, std::string_view why) {
  Raise(ErrorKind::kNotADatabase, Join(file, ": not a Jet database: ") +
                                      std::string(why));
}

void RaiseUnsupportedVersion(std::string_view file, std::string_view what) {
  Raise(ErrorKind::kUnsupportedVersion,
        Join(file, ": unsupported database format: ") + std::string(what));
}

void RaiseEncrypted(std::string_view file, std::string_view what) {
  Raise(ErrorKind::kEncrypted, Join(file, ": ") + std::string(what) +
                                   "; encrypted databases are not supported");
}

void RaiseCorrupt(uint32_t page, std::string_view what) {
  Raise(ErrorKind::kCorrupt, "damaged database: page " + std::to_string(page) +
                                 ": " + std::string(what));
}

void RaiseCorruptFile(std::string_view file, std::string_view what) {
  Raise(ErrorKind::kCorrupt, Join(file, ": damaged database: ") +
                                 std::string(what));
}

void RaiseBusy(std::string_view file) {
  Raise(ErrorKind::kBusy, Join(file, ": the database is busy: another program is "
                                     "using it; nothing was changed, try again"));
}

void RaiseNoSuchTable(std::u16string_view name) {
  Raise(ErrorKind::kNoSuchTable, "no such table: " + NameForMessage(name));
}

void RaiseNoSuchColumn(std::u16string_view table, std::u16string_view column) {
  Raise(ErrorKind::kNoSuchColumn, "no such column: " + NameForMessage(table) + "." +
                                      NameForMessage(column));
}

void RaiseReadOnly(std::string_view file) {
  Raise(ErrorKind::kReadOnly, Join(file, ": the database is open read-only"));
}

void RaiseInvalidArgument(std::string_view what) {
  Raise(ErrorKind::kInvalidArgument, std::string(what));
}

std::string NameForMessage(std::u16string_view name) { return base::Utf16ToUtf8(name); }

}  // namespace jet
