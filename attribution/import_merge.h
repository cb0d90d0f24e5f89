// Bringing an existing attribution database to the content of an import's
// input in place: only the rows that differ are written, in one journaled
// batch, so that readers and a crash see the database wholly before or
// wholly after.
#ifndef ATTRIBUTION_IMPORT_MERGE_H_
#define ATTRIBUTION_IMPORT_MERGE_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "attribution/import_data.h"
#include "db/jet/read/database.h"
#include "db/jet/format/row_location.h"
#include "db/jet/format/values.h"

namespace attribution {

struct MergePlan;

struct MergeOptions {
  bool prune = false;        // delete heads the input lacks
  bool force_plain = false;  // store new heads as seven plain digits
  // Called with the plan, under the write lock, before anything is
  // written; raising from it leaves the database as it was.
  std::function<void(const MergePlan&)> before_writing = {};
};

// What a merge changes, worked out from the database and the input before
// anything is written.
struct MergePlan {
  struct CityUpdate {
    jet::RowLocation row;
    std::u16string postal_code, area_code;
  };
  struct NewCity {
    int32_t key = 0;
    const CityRow* source = nullptr;
  };
  struct NewCardType {
    std::u16string key;
    const CardTypeRow* source = nullptr;
  };
  struct HeadChange {
    jet::RowLocation row;       // the numindex row (updates, deletions)
    std::string head;           // seven digits
    int32_t city = 0;           // city key (updates, insertions)
    std::u16string card_type;   // card type key (updates, insertions)
    bool city_changed = false, card_type_changed = false;  // updates
  };

  std::vector<CityUpdate> city_updates;
  std::vector<NewCity> new_cities;
  std::vector<NewCardType> new_card_types;
  std::vector<HeadChange> head_updates;
  std::vector<HeadChange> head_inserts;
  std::vector<HeadChange> head_deletes;
  size_t unchanged_heads = 0;  // head rows kept as they are
  // The heads the database answered before the merge.
  size_t HeadsBefore() const {
    return unchanged_heads + head_updates.size() + head_deletes.size();
  }
  bool plain_heads = false;  // how new heads are stored

  bool Empty() const {
    return city_updates.empty() && new_cities.empty() && new_card_types.empty() &&
           head_updates.empty() && head_inserts.empty() && head_deletes.empty();
  }
  size_t RowCount() const {
    return city_updates.size() + new_cities.size() + new_card_types.size() +
           head_updates.size() + head_inserts.size() + head_deletes.size();
  }
};

// Compares `db` (holding city, cardtype and numindex) with `source`:
//  - a source city is the database's city row with the same province,
//    city, postal and area code; else a row of the same province and city
//    that no source city matches wholly, its postal and area code updated;
//    else a new row keyed after the largest key;
//  - a source card type is the cardtype row with its description, else a
//    new row keyed by its own key when free, else after the largest number;
//  - a head whose answer (city texts and card type description) differs
//    from the source is updated in place (numindex.index, numindex.cardtype),
//    a head the database lacks is inserted (stored scrambled, or plain when
//    most heads of the database are plain or options.force_plain), and with
//    options.prune a head the source lacks is deleted. Rows that are not
//    heads (stored heads that decode to no head) are left alone.
// `source` must outlive the plan. Raises jet::Error when a table or column
// is missing, or the file is damaged.
MergePlan PlanMerge(jet::Database& db, const AttributionData& source,
                    const MergeOptions& options);

// Merges `source` into `db` (opened read-write): under the write lock, plans
// the merge (PlanMerge) and writes it in one batch, or nothing when the plan
// is empty or `write` is false (then `db` may be read-only). Returns the
// plan. Raises jet::Error as PlanMerge and the writer do (a value a column
// cannot hold, kBusy, kIo); the file is then unchanged.
MergePlan MergeInto(jet::Database& db, const AttributionData& source,
                    const MergeOptions& options, bool write = true);

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_MERGE_H_
