// Checking the file header, page 0 (jet4-format.md section 1).
#include "db/jet/file/header.h"

#include <array>
#include <cstring>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace format {

const uint8_t kHeaderKeystream[kObscuredSize] = {
    0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55, 0xEB, 0xA9, 0x67, 0x72,
    0x43, 0x3F, 0x00, 0x9C, 0x7A, 0x9F, 0x90, 0xFF, 0x80, 0x9A, 0x31, 0xC5,
    0x79, 0xBA, 0xED, 0x30, 0xBC, 0xDF, 0xCC, 0x9D, 0x63, 0xD9, 0xE4, 0xC3,
    0x7B, 0x42, 0xFB, 0x8A, 0xBC, 0x4E, 0x86, 0xFB, 0xEC, 0x37, 0x5D, 0x44,
    0x9C, 0xFA, 0xC6, 0x5E, 0x28, 0xE6, 0x13, 0xB6, 0x8A, 0x60, 0x54, 0x94,
    0x7B, 0x36, 0xF5, 0x72, 0xDF, 0xB1, 0x77, 0xF4, 0x13, 0x43, 0xCF, 0xAF,
    0xB1, 0x33, 0x34, 0x61, 0x79, 0x5B, 0x92, 0xB5, 0x7C, 0x2A, 0x05, 0xF1,
    0x7C, 0x99, 0x01, 0x1B, 0x98, 0xFD, 0x12, 0x4F, 0x4A, 0x94, 0x6C, 0x3E,
    0x60, 0x26, 0x5F, 0x95, 0xF8, 0xD0, 0x89, 0x24, 0x85, 0x67, 0xC6, 0x1F,
    0x27, 0x44, 0xD2, 0xEE, 0xCF, 0x65, 0xED, 0xFF, 0x07, 0xC7, 0x46, 0xA1,
    0x78, 0x16, 0x0C, 0xED, 0xE9, 0x2D, 0x62, 0xD4};

}  // namespace format

namespace {

bool HasSignature(const uint8_t* page, const char* signature) {
  return std::memcmp(page + format::kSignatureOffset, signature,
                     format::kSignatureSize) == 0;
}

// True when the masked password holds anything once the mask is removed.
bool HasPassword(const uint8_t* decoded, double creation_date) {
  int32_t mask_value = 0;
  if (creation_date > -2147483648.0 && creation_date < 2147483648.0) {
    mask_value = static_cast<int32_t>(creation_date);
  }
  uint8_t mask[4];
  StoreU32(mask, static_cast<uint32_t>(mask_value));
  for (size_t i = 0; i < format::kPasswordSize; ++i) {
    if ((decoded[format::kPasswordOffset + i] ^ mask[i % 4]) != 0) return true;
  }
  return false;
}

}  // namespace

HeaderInfo ReadHeader(PageFile& file) {
  const std::string& name = file.Name();
  uint64_t size = file.Size();
  if (size == 0) RaiseNotADatabase(name, "the file is empty");
  std::array<uint8_t, format::kPageSize> page{};
  size_t got = file.ReadAt(0, page.data(), page.size());
  if (got < format::kVersionOffset + 1 ||
      std::memcmp(page.data() + format::kMagicOffset, format::kMagic, 4) != 0) {
    RaiseNotADatabase(name, "no Jet file signature at the start of the file");
  }
  if (HasSignature(page.data(), format::kAceSignature)) {
    RaiseUnsupportedVersion(
        name, "an Access 2007 or later (ACE) file; only Jet 4 is supported");
  }
  if (!HasSignature(page.data(), format::kJetSignature)) {
    RaiseNotADatabase(name, "no \"Standard Jet DB\" signature in the header");
  }
  uint8_t version = page[format::kVersionOffset];
  if (version == format::kVersionJet3) {
    RaiseUnsupportedVersion(
        name, "a Jet 3 (Access 97) file; only Jet 4 (Access 2000-2003) is "
              "supported");
  }
  if (version >= format::kVersionAceFirst && version <= format::kVersionAceLast) {
    RaiseUnsupportedVersion(
        name, "an Access 2007 or later (ACE) file; only Jet 4 is supported");
  }
  if (version != format::kVersionJet4) {
    RaiseUnsupportedVersion(name, "unknown version " + std::to_string(version) +
                                      "; only Jet 4 is supported");
  }
  if (size % format::kPageSize != 0 ||
      size < uint64_t{format::kMinPages} * format::kPageSize) {
    RaiseCorruptFile(name, "the file is truncated: " + std::to_string(size) +
                               " bytes is not a whole number of " +
                               std::to_string(format::kPageSize) +
                               "-byte pages (at least " +
                               std::to_string(format::kMinPages) + ")");
  }
  for (size_t i = 0; i < format::kObscuredSize; ++i) {
    page[format::kObscuredOffset + i] ^= format::kHeaderKeystream[i];
  }
  HeaderInfo info;
  info.version = version;
  info.code_page = LoadU16(&page[format::kCodePageOffset]);
  info.sort_order = LoadU16(&page[format::kSortOrderOffset]);
  info.sort_version = page[format::kSortVersionOffset];
  info.creation_date = LoadF64(&page[format::kCreationDateOffset]);
  if (LoadU32(&page[format::kDatabaseKeyOffset]) != 0) {
    RaiseEncrypted(name, "the database's pages are encrypted");
  }
  if (HasPassword(page.data(), info.creation_date)) {
    RaiseEncrypted(name, "the database is protected by a password");
  }
  return info;
}

}  // namespace jet
