// The merge of an import into an existing database, its source read from the
// bytes in one of the input layouts. A refusal must be one the merge
// documents and leave the file's bytes as they were; an accepted merge must
// leave a file the checker passes, in which every head of the source
// answers as the source says, the other rows are as they were (or pruned),
// and a second merge finds nothing to do.
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "attribution/attribution_index.h"
#include "attribution/import_builder.h"
#include "attribution/import_merge.h"
#include "attribution/schema.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/format/error.h"
#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/writer.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/import_input.h"
#include "fuzz/sample_database.h"
#include "fuzz/value_compare.h"

namespace fuzz {
namespace {

using attribution::AttributionData;

std::u16string Ascii(std::string_view text) { return {text.begin(), text.end()}; }

bool IsPlainHead(std::string_view s) {
  return s.size() == 7 && s[0] == '1' &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A database as older tools left them, with the release's rows and rows the
// merge must take as they are: a city key given twice (without indexes) and
// a city without a key, a card type key given twice (and once more in
// another case: lookups take keys without regard to case), a head stored scrambled and plain, heads
// whose city or card type has no row, a row without a city, and rows that
// hold no head (null, empty, six digits). Numhead is TEXT(`numhead_size`);
// heads that do not fit it are stored plain.
std::vector<uint8_t> OlderToolImage(uint16_t numhead_size, bool indexes) {
  const AttributionData release = SampleRelease();
  jet::NewDatabaseOptions options;
  options.created = 46000.5;
  auto db = jet::NewMemoryDatabase(options);
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  attribution::CreateAttributionTables(*db, writer,
                                       {.numhead_size = numhead_size, .indexes = indexes});
  auto city = db->GetTable(u"city");
  auto cardtype = db->GetTable(u"cardtype");
  auto numindex = db->GetTable(u"numindex");
  const size_t c_index = city->ColumnIndex(u"index"), c_sheng = city->ColumnIndex(u"sheng"),
               c_shi = city->ColumnIndex(u"shi"), c_youbian = city->ColumnIndex(u"youbian"),
               c_quhao = city->ColumnIndex(u"quhao");
  const size_t k_key = cardtype->ColumnIndex(u"cardtype"),
               k_text = cardtype->ColumnIndex(u"describe");
  const size_t n_head = numindex->ColumnIndex(u"numhead"),
               n_index = numindex->ColumnIndex(u"index"),
               n_type = numindex->ColumnIndex(u"cardtype");
  writer.Begin();
  for (const attribution::CityRow& c : release.cities) {
    writer.InsertRow(city, {{c_index, c.index}, {c_sheng, c.province}, {c_shi, c.city},
                            {c_youbian, c.postal_code}, {c_quhao, c.area_code}});
  }
  if (!indexes) {  // (the primary key forbids it)
    writer.InsertRow(city, {{c_index, int32_t{4}}, {c_sheng, std::u16string(u"四川")},
                            {c_shi, std::u16string(u"绵阳")},
                            {c_youbian, std::u16string(u"621000")},
                            {c_quhao, std::u16string(u"816")}});
  }
  writer.InsertRow(city, {{c_sheng, std::u16string(u"新疆")}, {c_shi, std::u16string(u"乌鲁木齐")}});
  for (const attribution::CardTypeRow& t : release.card_types) {
    writer.InsertRow(cardtype, {{k_key, t.key}, {k_text, t.description}});
  }
  writer.InsertRow(cardtype, {{k_key, std::u16string(u"2")}, {k_text, std::u16string(u"联通")}});
  writer.InsertRow(cardtype, {{k_key, std::u16string(u"x")}, {k_text, std::u16string(u"虚拟")}});
  writer.InsertRow(cardtype,
                   {{k_key, std::u16string(u"X")}, {k_text, std::u16string(u"虚拟运营商")}});
  auto stored = [&](const std::string& head, bool plain) {
    const std::string text = plain || numhead_size < 21 ? head : codec::EncodeNumberHead(head);
    return Ascii(text);
  };
  for (size_t i = 0; i < release.heads.size(); ++i) {
    const attribution::HeadRow& h = release.heads[i];
    writer.InsertRow(numindex, {{n_head, stored(h.head, i % 4 == 3)}, {n_index, h.city},
                                {n_type, release.card_types[h.card_type].key}});
  }
  const std::string twice = release.heads[5].head;
  writer.InsertRow(numindex, {{n_head, Ascii(twice)}, {n_index, int32_t{2}},
                              {n_type, std::u16string(u"3")}});
  writer.InsertRow(numindex, {{n_head, stored("1530999", false)}, {n_index, int32_t{999}},
                              {n_type, std::u16string(u"3")}});
  writer.InsertRow(numindex, {{n_head, stored("1860999", false)}, {n_index, int32_t{3}},
                              {n_type, std::u16string(u"9")}});
  writer.InsertRow(numindex, {{n_head, stored("1770001", false)}, {n_type, std::u16string(u"1")}});
  writer.InsertRow(numindex, {{n_index, int32_t{1}}, {n_type, std::u16string(u"1")}});
  writer.InsertRow(numindex, {{n_head, std::u16string()}, {n_index, int32_t{2}}});
  writer.InsertRow(numindex, {{n_head, std::u16string(u"189560")}, {n_index, int32_t{5}},
                              {n_type, std::u16string(u"2")}});
  writer.Commit();
  return jet::DatabaseBytes(*db);
}

constexpr size_t kImages = 8;

// The databases merged into, by the input's choice: the release built by
// the import (heads scrambled, no indexes; heads plain, indexed); as older
// tools left it (scrambled and plain heads; plain heads in TEXT(10),
// indexed; indexed); the sample databases with rows, with and without
// indexes, and without rows.
const std::vector<uint8_t>& MergeImage(size_t n) {
  static std::vector<uint8_t> images[kImages];
  std::vector<uint8_t>& image = images[n];
  if (!image.empty()) return image;
  switch (n) {
    case 0:
    case 1:
      image = attribution::BuildAttributionImage(SampleRelease(), n == 1, nullptr, nullptr,
                                                 {.indexes = n == 1});
      break;
    case 2: image = OlderToolImage(30, false); break;
    case 3: image = OlderToolImage(10, true); break;
    case 4: image = OlderToolImage(30, true); break;
    case 5: image = SampleImage(true, true); break;
    case 6: image = SampleImage(false, true); break;
    default: image = SampleImage(false, false); break;
  }
  return image;
}

// The head a stored numhead stands for, as the merge takes it (plain, or
// decoded); empty for none.
std::string HeadOf(const jet::Row& row, size_t column) {
  std::u16string text;
  if (!row.GetText(column, text)) return {};
  const std::string stored = base::Utf16ToUtf8(text);
  if (IsPlainHead(stored)) return stored;
  try {
    std::string head = codec::DecodeNumberHead(stored);
    if (IsPlainHead(head)) return head;
  } catch (const std::exception&) {
  }
  return {};
}

struct StoredRow {
  std::string head;  // the head it holds; empty for none
  std::string values;
  bool operator==(const StoredRow&) const = default;
};

std::string Described(const jet::Row& row) {
  std::string out;
  for (size_t c = 0; c < row.table().columns.size(); ++c) {
    out += DescribeValue(row.Get(c)) + "|";
  }
  return out;
}

// Every row of the three tables, in stored order (numindex rows with the
// head they hold).
struct TableRows {
  std::vector<std::string> cities, card_types;
  std::vector<StoredRow> heads;
  bool operator==(const TableRows&) const = default;
};

TableRows ReadTables(jet::Database& db) {
  TableRows rows;
  for (auto cursor = db.Scan(db.GetTable(u"city")); cursor.Next();) {
    rows.cities.push_back(Described(cursor.row()));
  }
  for (auto cursor = db.Scan(db.GetTable(u"cardtype")); cursor.Next();) {
    rows.card_types.push_back(Described(cursor.row()));
  }
  auto numindex = db.GetTable(u"numindex");
  const size_t numhead = numindex->ColumnIndex(u"numhead");
  for (auto cursor = db.Scan(numindex); cursor.Next();) {
    rows.heads.push_back({HeadOf(cursor.row(), numhead), Described(cursor.row())});
  }
  return rows;
}

// Nothing written: the file's bytes and what the same database reads.
void CheckUnchanged(jet::Database& db, const std::vector<uint8_t>& image,
                    const TableRows& before, const char* after_what) {
  if (jet::DatabaseBytes(db) != image) Fail(std::string("the file changed after ") + after_what);
  if (ReadTables(db) != before) Fail(std::string("the rows read otherwise after ") + after_what);
}

// What `attrdb check` does: the checker, then every value of every row of
// every table, system tables too.
void CheckFile(jet::Database& db, const std::vector<std::string>& problems_before) {
  const std::vector<std::string> problems = jet::CheckDatabase(db);
  if (problems != problems_before) {
    Fail("the checker finds after the merge: " + (problems.empty() ? "" : problems.front()));
  }
  try {
    std::vector<std::u16string> names = db.TableNames();
    for (const std::u16string& name : db.SystemTableNames()) names.push_back(name);
    for (const std::u16string& name : names) {
      auto table = db.FindTable(name, true);
      for (auto cursor = db.Scan(table); cursor.Next();) Described(cursor.row());
    }
  } catch (const jet::Error& e) {
    Fail(std::string("the merged file cannot be read: ") + e.what());
  }
}

void CheckAnswers(jet::Database& db, const AttributionData& source) {
  const attribution::AttributionIndex index = attribution::AttributionIndex::Load(db);
  std::map<int32_t, const attribution::CityRow*> city;
  for (const attribution::CityRow& c : source.cities) city[c.index] = &c;
  for (const attribution::HeadRow& h : source.heads) {
    const uint32_t n = index.Find(static_cast<uint32_t>(std::stoul(h.head)));
    if (n == 0) Fail("head " + h.head + " is not found after the merge");
    const attribution::Attribution& a = index.Answer(n);
    const attribution::CityRow& c = *city.at(h.city);
    const std::string area = c.area_code.empty() ? "" : "0" + base::Utf16ToUtf8(c.area_code);
    const std::string want[] = {base::Utf16ToUtf8(c.province), base::Utf16ToUtf8(c.city),
                                base::Utf16ToUtf8(c.postal_code), area,
                                base::Utf16ToUtf8(source.card_types[h.card_type].description)};
    const std::string got[] = {a.province, a.city, a.postal_code, a.area_code, a.card_type};
    for (size_t i = 0; i < std::size(want); ++i) {
      if (want[i] != got[i]) {
        Fail("head " + h.head + " answers '" + got[i] + "' where the source says '" + want[i] +
             "'");
      }
    }
  }
}

// The numindex rows the merge must not touch: rows without a head, and (when
// not pruning) those of heads the source lacks; as a sorted list.
std::vector<std::string> Untouched(const TableRows& rows, const std::set<std::string>& source,
                                   bool prune) {
  std::vector<std::string> out;
  for (const StoredRow& row : rows.heads) {
    if (row.head.empty() || (!prune && !source.count(row.head))) out.push_back(row.values);
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct Refused {};

}  // namespace

void MergeImport(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const uint8_t mode = data[0];
  constexpr InputLayout kLayouts[] = {InputLayout::kCsv, InputLayout::kTables,
                                      InputLayout::kPhoneDat, InputLayout::kCsv};
  const InputLayout layout = kLayouts[mode >> 6];
  std::optional<AttributionData> source;
  {
    ScratchFolder folder;
    source = ReadInput(
        folder.Write(layout, {reinterpret_cast<const char*>(data) + 1, size - 1}), layout, false);
  }
  if (!source) return;

  const std::vector<uint8_t>& image = MergeImage(mode % kImages);
  static std::vector<std::string> problems_of[kImages];
  static bool checked[kImages] = {};
  if (!checked[mode % kImages]) {
    jet::Database original(std::make_unique<jet::MemoryPageFile>(image, false, "original"));
    problems_of[mode % kImages] = jet::CheckDatabase(original);
    checked[mode % kImages] = true;
  }
  auto db = OpenImageForWriting(image);
  const TableRows before = ReadTables(*db);
  attribution::MergeOptions options{.prune = (mode & 8) != 0, .force_plain = (mode & 16) != 0};
  if ((mode & 32) != 0) options.before_writing = [](const attribution::MergePlan&) {
    throw Refused{};
  };
  attribution::MergePlan plan;
  try {
    plan = attribution::MergeInto(*db, *source, options);
  } catch (const Refused&) {
    CheckUnchanged(*db, image, before, "a refusal before writing");
    return;
  } catch (const jet::Error& e) {
    const std::string message = e.what();
    if (e.kind() != jet::ErrorKind::kInvalidArgument ||
        (message.find(" cannot hold '") == std::string::npos &&
         !message.starts_with("value too long for "))) {
      Fail("the merge raised " + message);
    }
    CheckUnchanged(*db, image, before, "a refused merge");
    return;
  }

  const std::vector<uint8_t> after = jet::DatabaseBytes(*db);
  if (plan.Empty() && after != image) Fail("a merge with nothing to do changed the file");
  jet::Database merged(std::make_unique<jet::MemoryPageFile>(after, false, "merged"));
  CheckFile(merged, problems_of[mode % kImages]);
  CheckAnswers(merged, *source);
  const TableRows rows = ReadTables(merged);
  std::set<std::string> heads;
  for (const attribution::HeadRow& h : source->heads) heads.insert(h.head);
  if (Untouched(rows, heads, options.prune) != Untouched(before, heads, options.prune)) {
    Fail("the merge changed rows of heads the source lacks, or rows without a head");
  }
  for (const StoredRow& row : rows.heads) {
    if (options.prune && !row.head.empty() && !heads.count(row.head)) {
      Fail("head " + row.head + " outlived a pruning merge of a source without it");
    }
  }
  if (rows.heads.size() !=
      before.heads.size() + plan.head_inserts.size() - plan.head_deletes.size()) {
    Fail("the merge wrote another number of head rows than it planned");
  }
  if (!attribution::PlanMerge(merged, *source, {.prune = options.prune}).Empty()) {
    Fail("a second merge of the same source still finds changes");
  }
}

}  // namespace fuzz
