// What a database's attribution data holds and what is odd about it, from
// the attribution index and its load report: the figures of attrdb info and
// the findings of attrdb check --data.
#ifndef ATTRIBUTION_DATA_REPORT_H_
#define ATTRIBUTION_DATA_REPORT_H_

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "attribution/attribution_index.h"

namespace attribution {

// Heads per three-digit prefix run from kFirstPrefix to kLastPrefix.
inline constexpr int kFirstPrefix = 130;
inline constexpr int kLastPrefix = 199;

struct DataInfo {
  size_t heads = 0;        // distinct heads a lookup finds
  size_t scrambled = 0;    // of them, answered from a scrambled row
  size_t plain = 0;        // of them, answered from a row still plain
  size_t undecodable = 0;  // numindex rows no lookup finds
  size_t provinces = 0;    // distinct sheng of the city rows
  size_t cities = 0;       // distinct sheng and shi of the city rows
  size_t city_rows = 0;
  std::vector<std::pair<std::string, size_t>> card_types;  // shown name, heads; most first
  std::array<size_t, kLastPrefix - kFirstPrefix + 1> heads_by_prefix{};
  std::string largest_province, largest_city;  // the name with the most heads
  size_t largest_heads = 0;
};

// The figures of the data `index` answers from. REQUIRES: `report` was
// filled by the load of `index`.
DataInfo DescribeData(const AttributionIndex& index, const LoadReport& report);

struct Finding {
  std::string what;   // what was found, in words
  bool harmful;       // makes answers wrong or missing
  size_t count;       // how many (heads, rows or names, as `what` says)
  std::vector<std::string> examples;  // a few of them
};

// The findings about the data, in a fixed order, each only when its count is
// not 0: stored heads no lookup finds (harmful); heads not starting 13 to 19;
// heads stored twice with different answers (harmful) and with the same;
// heads whose city key has no city row (harmful); heads whose card type key
// has no cardtype row (harmful); area codes stored with their leading 0
// (harmful: shown with two); city rows without heads; postal codes not six
// digits; area codes not 2 or 3 digits; city names held by several rows
// (with how many postal and area codes).
// REQUIRES as DescribeData.
std::vector<Finding> CheckData(const AttributionIndex& index, const LoadReport& report);

}  // namespace attribution

#endif  // ATTRIBUTION_DATA_REPORT_H_
