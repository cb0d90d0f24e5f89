// The provider errors of the connection and the cursor: the engine's and the
// statement layer's failures worded as the database engine words them, and
// turned into EOleException with the description trimmed as users see it.
#ifndef DB_PROVIDER_ERROR_H_
#define DB_PROVIDER_ERROR_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "db/jet/format/error.h"
#include "db/sql/error.h"

namespace db {

// The general failure code reported when a description is empty.
inline constexpr uint32_t kGeneralFailure = 0x80004005;

// A provider description as users see it: trailing blanks, control
// characters and full stops removed; "OLE error %.8x" with `code` when
// nothing is left.
std::string TrimDescription(std::string_view description,
                            uint32_t code = kGeneralFailure);

// "Error creating object.  Please verify that the Microsoft Data Access
// Components 2.1 (or later) have been properly installed" (two blanks).
std::string ErrorCreatingObjectMessage();
// "OLE error %.8x" with `code` in eight hexadecimal digits.
std::string OleErrorMessage(uint32_t code);

// "Could not find file '<full path>'."
std::string CouldNotFindFileMessage(const std::filesystem::path& path);
// "Unrecognized database format '<full path>'."
std::string UnrecognizedFormatMessage(const std::filesystem::path& path);
// "The database engine cannot open the file '<full path>'.  It is already
// opened exclusively by another user, or you need permission to view its
// data."
std::string CannotOpenFileMessage(const std::filesystem::path& path);
// "Not a valid password."
std::string NotAValidPasswordMessage();
// "Not a valid account name or password."
std::string NotAValidAccountMessage();
// "Provider cannot be found. It may not be properly installed."
std::string ProviderNotFoundMessage();
// "The database '<full path>' needs to be repaired or isn't a database file
// (<detail>)."
std::string NeedsRepairMessage(const std::filesystem::path& path,
                               std::string_view detail);
// "Cannot update.  Database or object is read-only."
std::string ReadOnlyMessage();
// "Disk or network error."
std::string DiskErrorMessage();

// Raises EOleException with TrimDescription(description).
[[noreturn]] void RaiseProviderError(std::string_view description);
// Raises the provider error for a statement that cannot run.
[[noreturn]] void RaiseStatementError(const sql::Error& error);
// Raises the provider error for an engine failure on the file `path`;
// `opening` when it happened while the file was being opened.
[[noreturn]] void RaiseEngineError(const jet::Error& error,
                                   const std::filesystem::path& path,
                                   bool opening = false);

}  // namespace db

#endif  // DB_PROVIDER_ERROR_H_
