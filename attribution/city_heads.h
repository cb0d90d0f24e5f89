// The number heads of one city, found as the window's segment listing finds
// them: every city row of the province and city names (a city may be held in
// several rows, one per postal or area code), then the numindex rows of each
// row's key in turn, each key's in stored order.
#ifndef ATTRIBUTION_CITY_HEADS_H_
#define ATTRIBUTION_CITY_HEADS_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/jet/read/database.h"

namespace attribution {

// The keys (city.index, read as the window reads it) of the city rows, in
// stored order, whose sheng is `province` and whose shi is `city`, both
// compared without regard to case as statements compare text; each key
// once, rows whose key does not read as an integer left out. Empty when no
// row matches. Raises jet::Error when the table or a column is missing or
// the file is damaged.
std::vector<int32_t> FindCityKeys(jet::Database& db, std::u16string_view province,
                                  std::u16string_view city);

// Calls `each` with the stored numhead text (empty for null) of every
// numindex row whose index equals one of `keys`: those of keys[0] first, in
// stored order, then those of keys[1], and so on. Raises as FindCityKeys,
// and jet::Error kInvalidArgument when numindex.index is not a number
// column.
void ForEachCityHead(jet::Database& db, const std::vector<int32_t>& keys,
                     const std::function<void(std::u16string_view)>& each);

// The listing of a city from the database `file`, in one committed state
// (under its read lock), the heads sought through an index where there is
// one and the pages read one by one: `each` as ForEachCityHead gives it
// for the keys FindCityKeys finds. Returns false, `each` never called, when
// no city row matches. Raises as those do and as jet::Database::Open does.
bool ListCityHeads(const std::filesystem::path& file, std::u16string_view province,
                   std::u16string_view city,
                   const std::function<void(std::u16string_view)>& each);

// The listing line of a stored head, without "xxxx": seven plain characters
// as they are (the head was never scrambled), anything else through
// DecodeNumberHead, in UTF-8. Raises EConvertError as DecodeNumberHead does
// for a group of three characters that is not a number.
std::string ListedHead(std::u16string_view stored);

}  // namespace attribution

#endif  // ATTRIBUTION_CITY_HEADS_H_
