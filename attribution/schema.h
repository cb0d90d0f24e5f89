// The three tables of the attribution database (city, cardtype, numindex),
// created through the engine for the import command and the sample build.
#ifndef ATTRIBUTION_SCHEMA_H_
#define ATTRIBUTION_SCHEMA_H_

#include <cstdint>

#include "db/jet/read/database.h"
#include "db/jet/write/writer.h"

namespace attribution {

// Variations of the tables for databases made by older tools.
struct AttributionSchemaOptions {
  // Declared characters of numindex.numhead.
  uint16_t numhead_size = 30;
  // A primary key "PrimaryKey" on city.index and non-unique indexes
  // "numhead" on numindex.numhead and "index" on numindex.index.
  bool indexes = false;
};

// Adds the empty tables city (index LONG, sheng TEXT(50), shi TEXT(50),
// youbian TEXT(10), quhao TEXT(10)), cardtype (cardtype TEXT(10), describe
// TEXT(50)) and numindex (numhead TEXT(30), index LONG, cardtype TEXT(10)),
// all text compressed and no indexes (`options` may change the size of
// numhead and add indexes), to `db` in one committed batch of `writer`.
// Raises jet::Error kInvalidArgument when a table of these names exists
// already (nothing is then changed), kIo when writing fails.
// REQUIRES: no batch of `writer` is open; `writer` writes to `db`.
void CreateAttributionTables(jet::Database& db, jet::Writer& writer,
                             const AttributionSchemaOptions& options = {});

}  // namespace attribution

#endif  // ATTRIBUTION_SCHEMA_H_
