// Provider messages, one function each, and the trimming of descriptions.
#include "db/provider_error.h"

#include <cstdio>

#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "platform/path_text.h"

namespace db {
namespace {

// The path's text in the file system's encoding, as UTF-16; names that are
// not valid in that encoding keep their valid parts.
std::u16string PathText(const std::filesystem::path& path) {
  try {
    return path.u16string();
  } catch (const std::exception&) {
    return base::Utf8ToUtf16(platform::Utf8Of(path));
  }
}

// The full path as the messages show it: GBK, like every other text.
std::string FullPath(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  return base::Utf16ToGbk(PathText((ec ? path : full).lexically_normal()));
}

}  // namespace

std::string TrimDescription(std::string_view description, uint32_t code) {
  size_t end = description.size();
  while (end > 0) {
    unsigned char c = static_cast<unsigned char>(description[end - 1]);
    if (c != ' ' && c != '.' && c >= 0x20 && c != 0x7F) break;
    --end;
  }
  if (end == 0) return OleErrorMessage(code);
  return std::string(description.substr(0, end));
}

std::string ErrorCreatingObjectMessage() {
  return "Error creating object.  Please verify that the Microsoft Data "
         "Access Components 2.1 (or later) have been properly installed";
}

std::string OleErrorMessage(uint32_t code) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8x", code);
  return buffer;
}

std::string CouldNotFindFileMessage(const std::filesystem::path& path) {
  return "Could not find file '" + FullPath(path) + "'.";
}

std::string UnrecognizedFormatMessage(const std::filesystem::path& path) {
  return "Unrecognized database format '" + FullPath(path) + "'.";
}

std::string CannotOpenFileMessage(const std::filesystem::path& path) {
  return "The database engine cannot open the file '" + FullPath(path) +
         "'.  It is already opened exclusively by another user, or you need "
         "permission to view its data.";
}

std::string NotAValidPasswordMessage() { return "Not a valid password."; }

std::string NotAValidAccountMessage() {
  return "Not a valid account name or password.";
}

std::string ProviderNotFoundMessage() {
  return "Provider cannot be found. It may not be properly installed.";
}

std::string NeedsRepairMessage(const std::filesystem::path& path,
                               std::string_view detail) {
  return "The database '" + FullPath(path) +
         "' needs to be repaired or isn't a database file (" +
         std::string(detail) + ").";
}

std::string ReadOnlyMessage() {
  return "Cannot update.  Database or object is read-only.";
}

std::string DiskErrorMessage() { return "Disk or network error."; }

void RaiseProviderError(std::string_view description) {
  base::RaiseOleError(TrimDescription(description));
}

void RaiseStatementError(const sql::Error& error) {
  RaiseProviderError(base::Utf16ToGbk(error.Message()));
}

void RaiseEngineError(const jet::Error& error, const std::filesystem::path& path,
                      bool opening) {
  switch (error.kind()) {
    case jet::ErrorKind::kIo:
      RaiseProviderError(opening ? CannotOpenFileMessage(path) : DiskErrorMessage());
    case jet::ErrorKind::kNotADatabase:
    case jet::ErrorKind::kUnsupportedVersion:
      RaiseProviderError(UnrecognizedFormatMessage(path));
    case jet::ErrorKind::kEncrypted:
      RaiseProviderError(NotAValidPasswordMessage());
    case jet::ErrorKind::kCorrupt:
      RaiseProviderError(NeedsRepairMessage(path, error.what()));
    case jet::ErrorKind::kReadOnly:
      RaiseProviderError(ReadOnlyMessage());
    case jet::ErrorKind::kNoSuchTable:
    case jet::ErrorKind::kNoSuchColumn:
    case jet::ErrorKind::kInvalidArgument:
    case jet::ErrorKind::kBusy:
      break;
  }
  RaiseProviderError(error.what());
}

}  // namespace db
