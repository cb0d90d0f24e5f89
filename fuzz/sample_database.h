// Small databases made by our own engine: the seeds of the file readers and
// the starting point of the update sequence.
#ifndef FUZZ_SAMPLE_DATABASE_H_
#define FUZZ_SAMPLE_DATABASE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "attribution/import_data.h"
#include "db/jet/read/database.h"
#include "db/jet/write/writer.h"

namespace fuzz {

// The table beside the attribution tables that holds one column of each
// kind the writer stores: id (LONG autonumber), flag (BOOLEAN), tiny (BYTE),
// small (INT), money (MONEY), single (FLOAT), dbl (DOUBLE), stamp (date),
// bin (BINARY 16), txt (TEXT 20), num (NUMERIC 18,4), guid (GUID), memo
// (MEMO), ole (OLE). With indexes, "txt" over txt and a unique "small" over
// small.
inline constexpr char16_t kKindsTable[] = u"kinds";

// A new database in memory, open read-write, with the tables city, cardtype
// and numindex (indexed as attribution::CreateAttributionTables does when `indexes`)
// and the kinds table, all empty. Raises jet::Error only for engine faults.
std::unique_ptr<jet::Database> NewSampleDatabase(bool indexes);

// Adds a few rows to each table of a NewSampleDatabase in one batch: CJK
// names, scrambled and plain heads, a null, and MEMO and OLE values in each
// storage form (inline, one long-value row, a chain).
void AddSampleRows(jet::Database& db, jet::Writer& writer);

// The bytes of NewSampleDatabase(indexes), with AddSampleRows when `rows`.
// Made once per variant and kept.
const std::vector<uint8_t>& SampleImage(bool indexes, bool rows);

// A database over a writable copy of `image` in memory that a jet::Writer
// accepts (no journal is kept).
std::unique_ptr<jet::Database> OpenImageForWriting(const std::vector<uint8_t>& image);

// A small release as an import reads it: six cities (深圳 twice, with other
// codes; 朝阳 in two provinces), three card types, 36 heads over them.
attribution::AttributionData SampleRelease();

}  // namespace fuzz

#endif  // FUZZ_SAMPLE_DATABASE_H_
