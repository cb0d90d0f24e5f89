// Building a whole attribution database in memory from checked import data,
// so that the file on disk is replaced in one step.
#ifndef ATTRIBUTION_IMPORT_BUILDER_H_
#define ATTRIBUTION_IMPORT_BUILDER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attribution/import_data.h"
#include "db/jet/read/database.h"

namespace attribution {

// Called now and then with the rows written so far and the rows in all.
using ImportProgress = std::function<void(int64_t done, int64_t total)>;

// The bytes of a database holding the tables city, cardtype and numindex
// filled with `data` in its order; each head stored by
// codec::EncodeNumberHead, or as its seven digits when `plain_heads`. An
// empty postal or area code is stored as empty text (null in a number
// column).
//
// With `base` null, a new database with the three tables as
// attribution::CreateAttributionTables makes them. Otherwise `base` is an existing
// database in memory (jet::LoadDatabaseIntoMemory), changed by the build:
// its three tables are emptied and refilled, keeping their definitions and
// indexes, and everything else it holds; one without any of the three gets
// them.
//
// Raises jet::Error kInvalidArgument "the database has table <a> but not
// <b>" when `base` holds some of the three tables only; the writer's
// refusals when an existing table's columns cannot hold the data ("value
// too long for numindex.numhead: ...", or "<table>.<column> (<KIND>)
// cannot hold '<text>'" for a column of another kind than text or a whole
// number, or a number column given text that is not one); kCorrupt for a
// damaged `base`.
struct BuildOptions {
  // Tables made anew get non-unique indexes on city.index,
  // cardtype.cardtype, numindex.numhead and numindex.index, built once the
  // rows are in; existing tables keep the indexes they have.
  bool indexes = true;
  // When set, receives "table.column" of each index left out because the
  // engine cannot compute its keys for the data.
  std::vector<std::string>* indexes_left_out = nullptr;
};

// Whether `db` holds nothing but what a new import makes: the three tables
// with their columns, no other table, catalog object or system row, and
// either the lookup indexes (`indexed` set) or none. Such a database is
// replaced by a fresh build, compact, rather than emptied and refilled
// (which keeps pages the old rows used). Raises kCorrupt for a damaged
// file.
bool HoldsOnlyImportTables(jet::Database& db, bool& indexed);

std::vector<uint8_t> BuildAttributionImage(const AttributionData& data, bool plain_heads,
                                           const ImportProgress& progress,
                                           std::unique_ptr<jet::Database> base = nullptr,
                                           const BuildOptions& options = {});

// The database BuildAttributionImage makes the bytes of, in memory, for
// jet::SaveDatabase (which spares a copy of the whole file).
std::unique_ptr<jet::Database> BuildAttributionDatabase(const AttributionData& data,
                                                        bool plain_heads,
                                                        const ImportProgress& progress,
                                                        std::unique_ptr<jet::Database> base,
                                                        const BuildOptions& options);

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_BUILDER_H_
