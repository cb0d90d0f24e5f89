// Building a whole attribution database in memory from checked import data,
// so that the file on disk is replaced in one step.
#ifndef TOOLS_ATTRDB_IMPORT_BUILDER_H_
#define TOOLS_ATTRDB_IMPORT_BUILDER_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/attrdb/import_data.h"

namespace attrdb {

// Called now and then with the rows written so far and the rows in all.
using ImportProgress = std::function<void(int64_t done, int64_t total)>;

// The bytes of a new database holding the tables city, cardtype and
// numindex (db::CreateAttributionTables) filled with `data` in its order;
// each head stored by codec::EncodeNumberHead, or as its seven digits when
// `plain_heads`. An empty postal or area code is stored as empty text.
// Raises jet::Error when the engine refuses (which checked data does not
// cause).
std::vector<uint8_t> BuildAttributionImage(const AttributionData& data, bool plain_heads,
                                           const ImportProgress& progress);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_IMPORT_BUILDER_H_
