// New, empty Jet 4 databases made from nothing: the header, the global page
// map and the four system tables with the rows Jet itself writes into a
// database it creates (jet4-format.md sections 1, 3 and 14.1).
#ifndef DB_JET_WRITE_DATABASE_CREATOR_H_
#define DB_JET_WRITE_DATABASE_CREATOR_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "db/jet/read/database.h"

namespace jet {

struct NewDatabaseOptions {
  uint16_t code_page = 1252;    // the header's default code page
  uint16_t sort_order = 1033;   // "General", the only order this engine keys
  // Creation date written into the header and the catalog rows, as an Access
  // date (days since 1899-12-30); 0 means now.
  double created = 0;
  // Room set aside for the file to grow into, in bytes: a file built in
  // memory that is known to grow large is then not copied as it grows.
  size_t expected_size = 0;
};

// The bytes of a new, empty database: the catalog (MSysObjects) with the
// containers Tables, Databases and Relationships, MSysDb, and the tables
// MSysACEs, MSysQueries and MSysRelationships with their indexes and the
// access rows Jet gives the engine's and the admins' SIDs.
std::vector<uint8_t> NewDatabaseImage(const NewDatabaseOptions& options = {});

// A new, empty database in memory, open read-write: a Writer over it keeps
// no journal (nothing else can see the file). Its pages are in
// `db.file()` (a MemoryPageFile wrapped so that a Writer accepts it) and can
// be saved with SaveDatabaseImage.
std::unique_ptr<Database> NewMemoryDatabase(const NewDatabaseOptions& options = {});

// A copy in memory of the database file at `path`, open read-write like
// NewMemoryDatabase, for changes to be saved as a whole (SaveDatabaseImage
// with `replace`) or dropped. A journal a crashed writer left beside the
// file is honoured (the file is read as it was before the interrupted
// batch). Raises kIo and the header errors of Database::Open.
std::unique_ptr<Database> LoadDatabaseIntoMemory(const std::filesystem::path& path);

// Writes `bytes` as the file at `path` so that nobody ever sees it half
// written: into a temporary file beside it (TemporaryPathFor, removed
// should the process be interrupted), synced, then renamed over `path`
// (replacing a file there when `replace`, whose mode, owner and group the
// new file keeps). Where `path` is a symbolic link, the file it names is
// written and the link stays. Temporary files of earlier writers that are
// gone are removed first (RemoveLeftTemporaries). Raises kInvalidArgument
// "<path> exists already" when the path is taken and not `replace`, kIo when
// writing fails (naming the folder when that is missing; the temporary file
// is then removed).
void SaveDatabaseImage(const std::vector<uint8_t>& bytes,
                       const std::filesystem::path& path, bool replace = false);

// Saves the whole content of `db`'s file (no batch open) as SaveDatabaseImage
// saves bytes, read a piece at a time rather than copied whole first. Raises
// as SaveDatabaseImage, and kIo when `db`'s file cannot be read.
void SaveDatabase(Database& db, const std::filesystem::path& path, bool replace = false);

// The name of the temporary file process `pid` writes a new `database`
// under before renaming it over: "<database>.new-<pid>".
inline constexpr char kTemporarySuffix[] = ".new-";
std::filesystem::path TemporaryPathFor(const std::filesystem::path& database, uint64_t pid);

// Removes the temporary files beside `database` left by writers whose
// process has ended (killed mid-write); returns how many. Never raises.
size_t RemoveLeftTemporaries(const std::filesystem::path& database);

// The whole content of `db`'s file as it stands (no batch open), for
// SaveDatabaseImage. Raises kIo.
std::vector<uint8_t> DatabaseBytes(Database& db);

// Creates an empty database file at `path` (NewDatabaseImage, then
// SaveDatabaseImage without replacing). Raises as SaveDatabaseImage.
void CreateDatabase(const std::filesystem::path& path,
                    const NewDatabaseOptions& options = {});

}  // namespace jet

#endif  // DB_JET_WRITE_DATABASE_CREATOR_H_
