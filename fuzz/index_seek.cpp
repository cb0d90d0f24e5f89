// Seeks through damaged index pages: a database of 1,500 heads under the
// attribution indexes, its index pages changed by the input, then lookups
// by head and by city through the index and through the equality hash. A
// seek may fail as damaged; it may never crash, hang, or give a row the
// data pages do not.
#include <memory>
#include <string>

#include "db/jet/read/database.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/file/page_file.h"
#include "db/jet/write/writer.h"
#include "db/sql/session.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/sample_database.h"

namespace fuzz {
namespace {

constexpr int kHeads = 1500;

std::u16string Head(int i) {
  const std::string digits = std::to_string(1300000 + 37 * i);
  return std::u16string(digits.begin(), digits.end());
}

// The image with kHeads rows in numindex, made once.
const std::vector<uint8_t>& IndexedImage() {
  static const std::vector<uint8_t> image = [] {
    auto db = NewSampleDatabase(true);
    jet::Writer writer(*db, jet::WriterOptions{.sync = false});
    writer.Begin();
    auto numindex = db->GetTable(u"numindex");
    for (int i = 0; i < kHeads; ++i) {
      writer.InsertRow(numindex, {{0, Head(i)}, {1, int32_t{i % 13}},
                                  {2, std::u16string(u"1")}});
    }
    writer.Commit();
    return jet::DatabaseBytes(*db);
  }();
  return image;
}

std::vector<jet::RowLocation> Rows(sql::Session& session, const std::u16string& statement) {
  std::vector<jet::RowLocation> rows;
  for (const jet::Row& row : session.Execute(statement).rows) rows.push_back(row.location());
  return rows;
}

}  // namespace

void SeekDamagedIndex(const uint8_t* data, size_t size) {
  if (size < 2) return;
  std::vector<uint8_t> image = IndexedImage();
  // Byte pairs of the input: an offset into the index pages, then a value.
  std::vector<size_t> index_pages;
  for (size_t p = 0; p * jet::format::kPageSize < image.size(); ++p) {
    const uint8_t type = image[p * jet::format::kPageSize];
    if (type == jet::format::kPageIndexNode || type == jet::format::kPageIndexLeaf) {
      index_pages.push_back(p);
    }
  }
  const uint32_t probe = data[0] | (data[1] << 8);
  for (size_t i = 2; i + 2 < size && !index_pages.empty(); i += 3) {
    const size_t page = index_pages[data[i] % index_pages.size()];
    const size_t offset = (data[i + 1] << 4 | (data[i + 2] >> 4)) % jet::format::kPageSize;
    image[page * jet::format::kPageSize + offset] ^= static_cast<uint8_t>(1 + (data[i + 2] & 0x0F));
  }
  jet::Database db(std::make_unique<jet::MemoryPageFile>(image, false, "seek"));
  sql::Session seeking(db), hashing(db);
  hashing.SetIndexSeeks(false);
  const std::u16string statements[] = {
      u"select * from numindex where numhead = '" + Head(static_cast<int>(probe % (kHeads + 5))) + u"'",
      u"select * from numindex where [index] = " + std::u16string(1, static_cast<char16_t>(u'0' + probe % 10)),
  };
  for (const std::u16string& statement : statements) {
    std::vector<jet::RowLocation> expected;
    try {
      expected = Rows(hashing, statement);
    } catch (const jet::Error&) {
      return;  // the damage reached the data pages' reading too
    }
    std::vector<jet::RowLocation> found;
    try {
      found = Rows(seeking, statement);
    } catch (const jet::Error& e) {
      if (e.kind() != jet::ErrorKind::kCorrupt) Fail(std::string("seek raised ") + e.what());
      continue;
    }
    size_t j = 0;
    for (const jet::RowLocation& row : found) {
      while (j < expected.size() && expected[j] != row) ++j;
      if (j == expected.size()) Fail("a seek gave a row the scan does not, or out of order");
    }
  }
}

}  // namespace fuzz
