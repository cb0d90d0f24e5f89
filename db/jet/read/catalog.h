// The catalog: the rows of MSysObjects, whose definition sits at page 2,
// and the rule that tells user tables from system ones.
#ifndef DB_JET_READ_CATALOG_H_
#define DB_JET_READ_CATALOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "db/jet/file/page_cache.h"

namespace jet {

// One table of the database, as the catalog lists it.
struct CatalogEntry {
  std::u16string name;
  uint32_t id = 0;
  uint32_t parent_id = 0;
  uint32_t flags = 0;
  uint32_t tdef_page = 0;
  bool system = false;  // a system table (MSys*, or flagged as system)
};

// The local tables (object type 1) of the catalog in stored order, user and
// system alike. Raises kCorrupt when the catalog is damaged.
std::vector<CatalogEntry> ReadCatalog(PageCache& pages);

}  // namespace jet

#endif  // DB_JET_READ_CATALOG_H_
