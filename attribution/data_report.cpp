// Figures and findings of attribution data.
#include "attribution/data_report.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "attribution/mobile_number.h"

namespace attribution {
namespace {

constexpr size_t kExamples = 5;

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Heads per answer number (index 0 unused), and per city row of the report.
struct Counts {
  std::vector<size_t> of_answer;
  std::vector<size_t> of_city;
};

Counts Count(const AttributionIndex& index, const LoadReport& report) {
  Counts counts;
  counts.of_answer.assign(index.AnswerCount() + 1, 0);
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    ++counts.of_answer[index.Find(head)];
  }
  counts.of_answer[0] = 0;
  counts.of_city.assign(report.cities.size(), 0);
  for (uint32_t n = 1; n <= index.AnswerCount(); ++n) {
    const uint32_t city = report.city_of_answer[n - 1];
    if (city != LoadReport::kNone) counts.of_city[city] += counts.of_answer[n];
  }
  return counts;
}

std::string Name(const LoadReport::CityRecord& city) { return city.province + " " + city.city; }

std::string Texts(const Attribution& a) {
  return a.province + "|" + a.city + "|" + a.postal_code + "|" + a.area_code + "|" + a.card_type;
}

// Adds `finding` when it counts anything.
void Add(std::vector<Finding>& findings, Finding finding) {
  if (finding.count > 0) findings.push_back(std::move(finding));
}

void Example(Finding& finding, std::string text) {
  ++finding.count;
  if (finding.examples.size() < kExamples) finding.examples.push_back(std::move(text));
}

}  // namespace

DataInfo DescribeData(const AttributionIndex& index, const LoadReport& report) {
  DataInfo info;
  const Counts counts = Count(index, report);
  info.heads = index.HeadCount();
  info.undecodable = report.undecodable_rows;
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    if (index.Find(head) == 0) continue;
    ++(index.FromPlain(head) ? info.plain : info.scrambled);
    const uint32_t prefix = head / 10000;
    if (prefix >= kFirstPrefix && prefix <= kLastPrefix) ++info.heads_by_prefix[prefix - kFirstPrefix];
  }
  std::set<std::string> provinces;
  std::map<std::pair<std::string, std::string>, size_t> heads_of_name;
  for (size_t i = 0; i < report.cities.size(); ++i) {
    const LoadReport::CityRecord& city = report.cities[i];
    provinces.insert(city.province);
    heads_of_name[{city.province, city.city}] += counts.of_city[i];
  }
  info.provinces = provinces.size();
  info.cities = heads_of_name.size();
  info.city_rows = report.cities.size();
  for (const auto& [name, heads] : heads_of_name) {
    if (heads > info.largest_heads) {
      info.largest_heads = heads;
      info.largest_province = name.first;
      info.largest_city = name.second;
    }
  }
  std::map<std::string, size_t> heads_of_type;
  for (uint32_t n = 1; n <= index.AnswerCount(); ++n) {
    heads_of_type[index.Answer(n).card_type] += counts.of_answer[n];
  }
  info.card_types.assign(heads_of_type.begin(), heads_of_type.end());
  std::stable_sort(info.card_types.begin(), info.card_types.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return info;
}

std::vector<Finding> CheckData(const AttributionIndex& index, const LoadReport& report) {
  std::vector<Finding> findings;
  const Counts counts = Count(index, report);

  Add(findings, {"stored heads that no lookup finds (not seven digits starting with 1)", true,
                 report.undecodable_rows, report.undecodable_examples});

  Finding outside{"heads not starting with 13 to 19", false, 0, {}};
  Finding no_city{"heads whose city key has no city row", true, 0, {}};
  Finding no_type{"heads whose card type key has no cardtype row", true, 0, {}};
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    const uint32_t n = index.Find(head);
    if (n == 0) continue;
    if (head < 1300000) Example(outside, std::to_string(head));
    if (report.city_of_answer[n - 1] == LoadReport::kNone) Example(no_city, std::to_string(head));
    if (!report.card_type_known[n - 1]) Example(no_type, std::to_string(head));
  }
  Add(findings, std::move(outside));

  Finding differing{"heads stored twice with different answers (the first row answers)", true,
                    0, {}};
  Finding same{"heads stored twice with the same answer", false, 0, {}};
  std::set<uint32_t> seen_differing, seen_same;
  for (const LoadReport::Duplicate& d : report.duplicates) {
    const std::string first = Texts(index.Answer(d.first));
    const std::string later = Texts(index.Answer(d.later));
    if (first != later) {
      if (seen_differing.insert(d.head).second) {
        Example(differing, std::to_string(d.head) + ": " + first + " / " + later);
      }
    } else if (seen_same.insert(d.head).second) {
      Example(same, std::to_string(d.head));
    }
  }
  Add(findings, std::move(differing));
  Add(findings, std::move(same));

  for (const std::string& key : report.missing_city_keys) {
    if (no_city.examples.size() < kExamples * 2) no_city.examples.push_back("key " + key);
  }
  Add(findings, std::move(no_city));
  for (const std::string& key : report.missing_card_type_keys) {
    if (no_type.examples.size() < kExamples * 2) no_type.examples.push_back("key " + key);
  }
  Add(findings, std::move(no_type));

  Finding zero{"city rows whose area code keeps its leading 0 (shown with two)", true, 0, {}};
  Finding unused{"city rows without heads", false, 0, {}};
  Finding postal{"city rows whose postal code is not six digits", false, 0, {}};
  Finding area{"city rows whose area code is not 2 or 3 digits after the 0", false, 0, {}};
  // Per name: its rows and its distinct postal and area codes.
  std::map<std::pair<std::string, std::string>, std::pair<size_t, std::set<std::string>>>
      rows_of_name;
  for (size_t i = 0; i < report.cities.size(); ++i) {
    const LoadReport::CityRecord& c = report.cities[i];
    const std::string row = "index " + c.key + " " + Name(c);
    auto& [rows, codes] = rows_of_name[{c.province, c.city}];
    ++rows;
    codes.insert(c.postal_code + "|" + c.quhao);
    if (c.quhao.starts_with('0')) Example(zero, row + " " + c.quhao);
    if (counts.of_city[i] == 0) Example(unused, row);
    if (c.postal_code.size() != 6 || !AllDigits(c.postal_code)) {
      Example(postal, row + " '" + c.postal_code + "'");
    }
    if (!c.quhao.starts_with('0') &&
        (c.quhao.size() < 2 || c.quhao.size() > 3 || !AllDigits(c.quhao))) {
      Example(area, row + " '" + c.quhao + "'");
    }
  }
  Finding split{"city names held by several city rows", false, 0, {}};
  for (const auto& [name, held] : rows_of_name) {
    const auto& [rows, codes] = held;
    if (rows < 2) continue;
    Example(split, name.first + " " + name.second + " (" + std::to_string(rows) + " rows, " +
                       std::to_string(codes.size()) + " postal and area codes)");
  }
  for (Finding* f : {&zero, &unused, &postal, &area, &split}) Add(findings, std::move(*f));
  return findings;
}

}  // namespace attribution
