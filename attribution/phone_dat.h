// phone.dat files (layout in attribution/phone_dat_format.h): read into
// import data, and written from the answers of every head.
#ifndef ATTRIBUTION_PHONE_DAT_H_
#define ATTRIBUTION_PHONE_DAT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "attribution/attribution_index.h"
#include "attribution/import_data.h"

namespace attribution {

// Whether the first bytes of a file look like phone.dat: at least eight
// bytes, the first four ASCII digits.
bool LooksLikePhoneDat(std::string_view start);

// The import data of the phone.dat file at `path`, read in one piece
// (mapped). Cities as in the one-file CSV layout (one row per distinct
// record text, area codes without their "0"), in order of first use by the
// heads; card types keyed by their code ("1" ...), described by the code's
// name or, for an unknown code, by its number. Records no head uses are left
// out and counted in the summary. Raises InputError "<path>: byte <n>:
// <what>" for damage: a short header, a version that is not four digits, an
// index offset outside the file or the record area, an index that is not a
// whole number of entries or not sorted by head (each head after the one
// before), a head that is not seven digits starting with 1, a record offset
// outside the record area or not at a record's start, a record without its
// NUL, bytes that are not UTF-8 (named at the first such byte), a record
// without four fields, and text the tables cannot hold; "<path>: cannot be
// read (<reason>)" when it cannot be read.
// Messages name the file `name` (the path when empty).
AttributionData ReadPhoneDat(const std::filesystem::path& path, const std::string& name = {});
// The same for the file's bytes, `name` used in messages.
AttributionData ParsePhoneDat(std::span<const uint8_t> bytes, const std::string& name);

// The phone.dat code of a card type's description: the code of a name of the
// format, or the number a description made of digits gives (0 to 255);
// nothing for anything else. With `near` set, a name of the format without
// its leading "中国" ("电信虚拟运营商") gives that name's code too, and
// `*near` tells whether that happened.
std::optional<uint8_t> PhoneDatCardType(std::string_view description, bool* near = nullptr);

// Builds a phone.dat file head by head; records are written once each, in
// order of first use.
class PhoneDatWriter {
 public:
  // Adds `head` with its texts (area code as shown, with its "0") and card
  // type code. Raises InputError "head <h>: <field> '<text>' holds '|' or a
  // NUL byte, which phone.dat cannot carry". REQUIRES: heads are added in
  // increasing order.
  void Add(uint32_t head, std::string_view province, std::string_view city,
           std::string_view postal_code, std::string_view area_code, uint8_t card_type);
  // The whole file. REQUIRES: `version` is four ASCII digits.
  std::string Finish(std::string_view version) const;

 private:
  std::string records_;
  std::string entries_;
  std::unordered_map<std::string, uint32_t> record_at_;  // text -> offset
  std::string record_;            // the record being added
  std::string previous_;          // the record of the head before, and its offset
  uint32_t previous_offset_ = 0;
  bool have_previous_ = false;
};

// The phone.dat file of every head `index` answers, in head order, with
// version `version`: each answer's texts as shown (area code with its "0")
// and its card type's code (PhoneDatCardType, names without "中国" taken;
// each such name is added to `renamed` as "'<name>' as <code> <format's
// name>", since reading the file back gives the format's name). Raises
// InputError "card type '<name>' has no phone.dat code (a name of the
// format or a number)", and as PhoneDatWriter::Add. REQUIRES: `version` is
// four ASCII digits.
std::string WritePhoneDat(const AttributionIndex& index, std::string_view version,
                          std::vector<std::string>* renamed = nullptr);

}  // namespace attribution

#endif  // ATTRIBUTION_PHONE_DAT_H_
