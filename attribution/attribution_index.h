// The whole attribution of a database held in memory for batch lookups:
// every mobile number head (scrambled or still plain) mapped, in one table
// indexed by the head, to its answer (province, city, postal code, area code,
// card type), the joins with city and cardtype made once while loading.
#ifndef ATTRIBUTION_ATTRIBUTION_INDEX_H_
#define ATTRIBUTION_ATTRIBUTION_INDEX_H_

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "attribution/mobile_number.h"
#include "db/jet/read/database.h"

namespace attribution {

// One answer, all text in UTF-8.
struct Attribution {
  std::string province;     // city.sheng
  std::string city;         // city.shi
  std::string postal_code;  // city.youbian
  std::string area_code;    // "0" and city.quhao; empty when quhao is
  std::string card_type;    // cardtype.describe, or the card type key itself
};

// What a load saw besides the answers, for inspecting the data: the city
// rows, how each answer was made, the heads that could not be taken, and
// every head stored more than once.
struct LoadReport {
  static constexpr uint32_t kNone = UINT32_MAX;

  struct CityRecord {
    std::string key;  // city.index as text ("" for null)
    std::string province, city, postal_code, quhao;
    bool used = false;  // the first row of a whole-number key: answers take it
  };
  struct Duplicate {
    uint32_t head;
    uint32_t first, later;  // answer numbers of an earlier row and of this one
  };

  std::vector<CityRecord> cities;            // every city row, in stored order
  std::vector<uint32_t> city_of_answer;      // by answer number - 1: a cities position or kNone
  std::vector<uint8_t> card_type_known;      // by answer number - 1: 1 when its key has a row
  std::vector<std::string> missing_city_keys;       // numindex keys without a city row
  std::vector<std::string> missing_card_type_keys;  // numindex keys without a cardtype row
  size_t undecodable_rows = 0;               // numindex rows no lookup can find
  std::vector<std::string> undecodable_examples;    // the first few, as stored
  std::vector<Duplicate> duplicates;         // every further row of a head
};

class AttributionIndex {
 public:
  // Reads the tables city, cardtype and numindex of `db` once each and
  // answers every head the way the window's lookup does: the first numindex
  // row of a head (in stored order), its city the first city row whose
  // index equals the row's index, its card type the description of the
  // first cardtype row with that key (compared without regard to case). A
  // head stored scrambled is preferred to the same head still stored as
  // seven plain digits, since the window finds only the scrambled form. A
  // city key with no city row gives empty province, city, postal code and
  // area code; a card type key with no cardtype row is shown as the key.
  // Heads that do not decode to seven digits starting with 1 are left out.
  // Raises jet::Error when a table or column is missing or the file is
  // damaged.
  // When `report` is given, it is filled as well.
  static AttributionIndex Load(jet::Database& db, LoadReport* report = nullptr);
  // Like Load, but only for `heads` (each in [kFirstHead, kFirstHead +
  // kHeadSpan)): rows whose stored head is not one of them, scrambled or
  // plain, are skipped before anything is decoded. Answers for a few
  // numbers without building the whole index.
  static AttributionIndex LoadFor(jet::Database& db, const std::vector<uint32_t>& heads);

  // The answer number of `head`, 0 when the head is not in the database.
  // REQUIRES: kFirstHead <= head < kFirstHead + kHeadSpan.
  uint32_t Find(uint32_t head) const {
    return heads_[head - kFirstHead] & kAnswerMask;
  }
  // Asks for the entry of `head` to be brought from memory before Find needs
  // it. REQUIRES: as Find.
  void Prefetch(uint32_t head) const {
#if defined(__GNUC__)
    __builtin_prefetch(&heads_[head - kFirstHead]);
#else
    (void)head;
#endif
  }
  // Answer number `n`, 1 <= n <= AnswerCount().
  const Attribution& Answer(uint32_t n) const { return answers_[n - 1]; }
  uint32_t AnswerCount() const { return static_cast<uint32_t>(answers_.size()); }
  // Number of distinct heads found.
  size_t HeadCount() const { return head_count_; }
  // Whether the answer of `head` was taken from a head stored as seven plain
  // digits. REQUIRES: Find(head) != 0.
  bool FromPlain(uint32_t head) const {
    return (heads_[head - kFirstHead] & kFromPlain) != 0;
  }

 private:
  friend class IndexLoader;
  // The top bit of a head's entry marks an answer taken from a plain head,
  // which a scrambled row of the same head replaces.
  static constexpr uint32_t kFromPlain = 0x80000000u;
  static constexpr uint32_t kAnswerMask = ~kFromPlain;

  struct Free {
    void operator()(uint32_t* p) const { std::free(p); }
  };
  // kHeadSpan entries: answer number or 0. Taken zeroed from the system
  // (calloc), so that only the pages holding heads are ever touched.
  std::unique_ptr<uint32_t[], Free> heads_;
  std::vector<Attribution> answers_;
  size_t head_count_ = 0;
};

class IndexLoader;

// Answers numbers as they come, each from its own head's rows, sought
// through the file's index on numindex.numhead: a few pages read per head,
// for a stream of numbers that may stay short. Each Seek reads one committed
// state under the file's read lock, and no lock is held between calls; when
// another program changed the file in between, what was found before is
// dropped and sought again.
class HeadSeeker {
 public:
  // Opens `file` for reading a few pages at a time. Raises jet::Error as
  // jet::Database::Open does.
  explicit HeadSeeker(const std::filesystem::path& file);
  ~HeadSeeker();
  HeadSeeker(const HeadSeeker&) = delete;
  HeadSeeker& operator=(const HeadSeeker&) = delete;

  // Whether heads can be sought: numindex.numhead is text with an index on
  // it. Without one every Seek would read the whole table. Raises jet::Error
  // when a table or column is missing or the file is damaged.
  bool Seekable();
  // Makes index() answer each of `heads` (each in [kFirstHead, kFirstHead +
  // kHeadSpan)) as AttributionIndex::Load would. Returns true when the file
  // had changed since the last call, so that the answer numbers of index()
  // given before no longer hold. Raises jet::Error.
  bool Seek(const std::vector<uint32_t>& heads);
  // Valid until the next Seek returns true.
  const AttributionIndex& index() const;

 private:
  std::unique_ptr<jet::Database> db_;
  std::unique_ptr<IndexLoader> loader_;
  std::vector<uint32_t> sought_;  // sorted; since the file last changed
};

// Up to this many numbers are looked up from their own heads' rows only,
// without loading every head.
inline constexpr size_t kFewNumbers = 64;

// What a lookup of `numbers` (as given; those that are no mobile number are
// passed over) needs from the database `file`, read in one committed state
// (under its read lock): for one to kFewNumbers numbers only their heads'
// rows (LoadFor), sought through an index where there is one, the pages
// read one by one; for more, or none (the numbers come later, from a
// stream), every head (Load), the file read in one pass (OpenForScan).
// Raises jet::Error as jet::Database::Open and Load do.
AttributionIndex LoadForLookup(const std::filesystem::path& file,
                               const std::vector<std::string>& numbers);

}  // namespace attribution

#endif  // ATTRIBUTION_ATTRIBUTION_INDEX_H_
