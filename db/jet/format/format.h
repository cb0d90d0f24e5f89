// Every fact of the Jet 4 file format the engine relies on: offsets, sizes,
// page types, flags and masks, grouped by structure. Each group names the
// section of docs jet4-format.md that explains it.
#ifndef DB_JET_FORMAT_FORMAT_H_
#define DB_JET_FORMAT_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace jet::format {

// ---- Pages (section 0 conventions, section 2) ----
inline constexpr uint32_t kPageSize = 4096;           // Jet 4 page size
inline constexpr uint32_t kJet3PageSize = 2048;       // Jet 3 page size
inline constexpr uint32_t kMinPages = 3;              // header, global map, catalog TDEF
inline constexpr uint8_t kPageHeader = 0x00;          // page 0
inline constexpr uint8_t kPageData = 0x01;            // data, LVAL and map-holder pages
inline constexpr uint8_t kPageTdef = 0x02;            // table definition
inline constexpr uint8_t kPageIndexNode = 0x03;       // index node
inline constexpr uint8_t kPageIndexLeaf = 0x04;       // index leaf
inline constexpr uint8_t kPageUsageMap = 0x05;        // usage-map bitmap page
inline constexpr size_t kPageTypeOffset = 0x00;       // u8 page type
inline constexpr uint8_t kPageMarker = 0x01;          // byte 1 of every page but 0

// ---- File header, page 0 (section 1) ----
inline constexpr size_t kMagicOffset = 0x00;          // 4 bytes 00 01 00 00
inline constexpr uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};
inline constexpr size_t kSignatureOffset = 0x04;      // 15 ASCII bytes
inline constexpr size_t kSignatureSize = 15;
inline constexpr char kJetSignature[] = "Standard Jet DB";
inline constexpr char kAceSignature[] = "Standard ACE DB";
inline constexpr size_t kVersionOffset = 0x14;        // u8 format version
inline constexpr uint8_t kVersionJet3 = 0;
inline constexpr uint8_t kVersionJet4 = 1;
inline constexpr uint8_t kVersionAceFirst = 2;        // 2..6: ACE 12..17
inline constexpr uint8_t kVersionAceLast = 6;
inline constexpr size_t kObscuredOffset = 0x18;       // start of the RC4-masked region
inline constexpr size_t kObscuredSize = 128;          // masked bytes 0x18..0x97
inline constexpr size_t kCodePageOffset = 0x3C;       // u16 default code page
inline constexpr size_t kDatabaseKeyOffset = 0x3E;    // u32, 0 = pages not encrypted
inline constexpr size_t kPasswordOffset = 0x42;       // 40 bytes masked UCS-2
inline constexpr size_t kPasswordSize = 40;
inline constexpr size_t kSortOrderOffset = 0x6E;      // u16 collation LCID
inline constexpr size_t kSortVersionOffset = 0x71;    // u8 sort-order version
inline constexpr size_t kCreationDateOffset = 0x72;   // f64 Access date
// Header keystream (appendix A): XOR with bytes 0x18..0x97 of page 0.
extern const uint8_t kHeaderKeystream[kObscuredSize];

// ---- Data page header (section 2.1) ----
inline constexpr size_t kDataFreeSpaceOffset = 0x02;  // u16 free bytes
inline constexpr size_t kDataOwnerOffset = 0x04;      // u32 owning TDEF page
inline constexpr size_t kDataRowCountOffset = 0x0C;   // u16 row-offset entries
inline constexpr size_t kDataRowTableOffset = 0x0E;   // u16 x n row offsets
inline constexpr uint32_t kLvalOwnerTag = 0x4C41564C; // "LVAL" at the owner field

// ---- Row offsets (section 6) ----
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;    // start of the row
inline constexpr uint16_t kRowFlagOverflow = 0x4000;  // slot holds a row pointer
inline constexpr uint16_t kRowFlagTarget = 0x8000;    // moved data, not a home row
inline constexpr uint16_t kRowFlagDeleted = 0xC000;   // both bits: deleted slot
inline constexpr uint32_t kMaxRowsPerPage = 255;      // row number is one byte

// ---- Row pointers (section 0): [row u8][page u24], read as one u32 ----
inline constexpr uint32_t kRowPointerRowMask = 0xFF;
inline constexpr uint32_t kRowPointerPageShift = 8;

// ---- TDEF page header and table header (sections 2.2, 4.1, 4.2) ----
inline constexpr size_t kTdefNextPageOffset = 0x04;    // u32 continuation page
inline constexpr size_t kTdefContinuationData = 0x08;  // data resumes here
inline constexpr size_t kTdefLengthOffset = 0x08;      // u32 logical length
inline constexpr size_t kTdefRowCountOffset = 0x10;    // u32 live rows
inline constexpr size_t kTdefAutonumberOffset = 0x14;  // u32 last autonumber
inline constexpr size_t kTdefTableTypeOffset = 0x28;   // u8 'N' or 'S'
inline constexpr size_t kTdefMaxColumnsOffset = 0x29;  // u16 column numbers ever used
inline constexpr size_t kTdefMaxVarColumnsOffset = 0x2B;  // u16 var slots ever used
inline constexpr size_t kTdefColumnCountOffset = 0x2D;    // u16 columns defined
inline constexpr size_t kTdefLogicalIndexCountOffset = 0x2F;  // u32
inline constexpr size_t kTdefRealIndexCountOffset = 0x33;     // u32
inline constexpr size_t kTdefOwnedMapOffset = 0x37;    // row pointer: owned pages
inline constexpr size_t kTdefFreeMapOffset = 0x3B;     // row pointer: pages with room
inline constexpr size_t kTdefHeaderSize = 0x3F;        // variable part starts here
inline constexpr size_t kTdefMagicOffset = 0x0C;       // u32 kTdefMagic
inline constexpr uint32_t kTdefMagic = 1625;           // also in columns and logical indexes
inline constexpr size_t kTdefAutonumberOnOffset = 0x18;  // u8 1, written always
inline constexpr uint8_t kTableTypeUser = 0x4E;
inline constexpr uint8_t kTableTypeSystem = 0x53;
inline constexpr uint32_t kMaxTdefPages = 64;          // bound on the continuation chain

// ---- Real-index counters (section 4.3 item 1) ----
inline constexpr size_t kRealIndexCounterSize = 12;

// ---- Column descriptor, 25 bytes (section 4.4) ----
inline constexpr size_t kColumnSize = 25;
inline constexpr size_t kColumnTypeOffset = 0;         // u8 data type
inline constexpr size_t kColumnMagicOffset = 1;        // u32 kTdefMagic
inline constexpr size_t kColumnNumberOffset = 5;       // u16 column number
inline constexpr size_t kColumnNumberCopyOffset = 9;   // u16 unreliable copy
inline constexpr size_t kColumnVarIndexOffset = 7;     // u16 var slot
inline constexpr size_t kColumnSortOrderOffset = 11;   // u16 LCID (text)
inline constexpr size_t kColumnPrecisionOffset = 11;   // u8 (numeric)
inline constexpr size_t kColumnScaleOffset = 12;       // u8 (numeric)
inline constexpr size_t kColumnFlagsOffset = 15;       // u8 column flags
inline constexpr size_t kColumnExtraFlagsOffset = 16;  // u8 extra flags
inline constexpr size_t kColumnFixedOffsetOffset = 21; // u16 offset in the fixed area
inline constexpr size_t kColumnLengthOffset = 23;      // u16 length in bytes
inline constexpr uint8_t kColumnFlagFixed = 0x01;      // stored in the fixed area
inline constexpr uint8_t kColumnFlagNullable = 0x02;   // ordinary, may be null
inline constexpr uint8_t kColumnFlagAutoLong = 0x04;   // long autonumber
inline constexpr uint8_t kColumnFlagAutoGuid = 0x40;   // GUID autonumber
inline constexpr uint8_t kColumnFlagHyperlink = 0x80;  // hyperlink memo
inline constexpr uint8_t kColumnExtraCompressed = 0x01;  // compressed unicode allowed

// ---- Real-index block, 52 bytes (section 4.5) ----
inline constexpr size_t kRealIndexSize = 52;
inline constexpr uint32_t kRealIndexMagic = 1923;      // u32 at offset 0
inline constexpr size_t kRealIndexColumnsOffset = 4;   // 10 x (u16 column, u8 flags)
inline constexpr size_t kRealIndexMaxColumns = 10;
inline constexpr size_t kRealIndexColumnEntrySize = 3;
inline constexpr uint16_t kRealIndexUnusedColumn = 0xFFFF;
inline constexpr uint8_t kRealIndexAscending = 0x01;
inline constexpr size_t kRealIndexMapOffset = 34;      // row pointer: index pages
inline constexpr size_t kRealIndexRootOffset = 38;     // u32 root page
inline constexpr size_t kRealIndexFlagsOffset = 46;    // u8 index flags
inline constexpr uint8_t kIndexFlagUnique = 0x01;
inline constexpr uint8_t kIndexFlagIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexFlagRequired = 0x08;
inline constexpr uint8_t kIndexFlagAccess2000 = 0x80;  // on every Access 2000+ index

// ---- Logical-index block, 28 bytes (section 4.6) ----
inline constexpr size_t kLogicalIndexSize = 28;
inline constexpr size_t kLogicalIndexNumberOffset = 4;     // u32
inline constexpr size_t kLogicalIndexRelatedOffset = 13;   // i32 related index, -1 none
inline constexpr size_t kLogicalIndexRealOffset = 8;       // u32 real index behind it
inline constexpr size_t kLogicalIndexTypeOffset = 23;      // u8 index type
inline constexpr uint8_t kIndexTypePrimaryKey = 1;
inline constexpr uint8_t kIndexTypeForeignKey = 2;

// ---- Long-value column maps (section 4.3 item 7) ----
inline constexpr uint16_t kColumnMapEnd = 0xFFFF;
inline constexpr size_t kColumnMapEntrySize = 10;      // u16 column + 2 row pointers

// ---- Usage maps (section 5) ----
inline constexpr uint8_t kMapInline = 0x00;
inline constexpr uint8_t kMapReference = 0x01;
inline constexpr size_t kMapTypeOffset = 0;            // u8 map type
inline constexpr size_t kMapStartPageOffset = 1;       // u32 (inline) first page
inline constexpr size_t kMapInlineBitmapOffset = 5;    // inline bitmap
inline constexpr size_t kMapInlineRowSize = 69;        // map rows of new tables
inline constexpr size_t kMapReferenceSlotsOffset = 1;  // u32 x n (reference)
inline constexpr size_t kMapPageBitmapOffset = 4;      // bitmap in a 0x05 page
inline constexpr uint32_t kPagesPerMapPage = (kPageSize - kMapPageBitmapOffset) * 8;

// ---- Global page map (section 5.3): page 1, row 0; a set bit = free ----
inline constexpr uint32_t kGlobalMapPage = 1;
inline constexpr uint16_t kGlobalMapRow = 0;

// ---- Index pages (sections 2.3, 13.2, 13.3) ----
inline constexpr size_t kIndexFreeSpaceOffset = 0x02;  // u16
inline constexpr size_t kIndexOwnerOffset = 0x04;      // u32 TDEF page
inline constexpr size_t kIndexPrevOffset = 0x0C;       // u32 previous page
inline constexpr size_t kIndexNextOffset = 0x10;       // u32 next page
inline constexpr size_t kIndexTailOffset = 0x14;       // u32 child tail (nodes)
inline constexpr size_t kIndexPrefixOffset = 0x18;     // u16 shared prefix length
inline constexpr size_t kIndexBitmapOffset = 0x1B;     // entry-end bitmap
inline constexpr size_t kIndexBitmapSize = 453;
inline constexpr size_t kIndexEntriesOffset = 0x1E0;   // first entry
inline constexpr size_t kIndexMaxEntryBytes = 3616;    // stored bytes per page
inline constexpr size_t kIndexRowIdSize = 4;           // page BE u24 + row u8
inline constexpr size_t kIndexChildSize = 4;           // node entries: u32 BE
inline constexpr uint8_t kKeyNull = 0x00;              // ascending null segment
inline constexpr uint8_t kKeyNullDescending = 0xFF;    // descending null segment
inline constexpr uint8_t kKeyAscending = 0x7F;         // ascending flag byte
inline constexpr uint8_t kKeyDescending = 0x80;        // descending flag byte
inline constexpr uint8_t kKeyTextEnd = 0x01;           // end of text codes
inline constexpr uint8_t kKeyTextTerminator = 0x00;    // after the end mark
inline constexpr uint16_t kGeneralSortOrder = 1033;    // General, version 0

// ---- Row layout (section 7) ----
inline constexpr size_t kRowColumnCountSize = 2;       // u16 ncols at offset 0

// ---- Long values, MEMO and OLE (section 9) ----
inline constexpr size_t kLongValueHeaderSize = 12;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
inline constexpr uint32_t kLongValueKindMask = 0xC0000000;
inline constexpr uint32_t kLongValueInline = 0x80000000;
inline constexpr uint32_t kLongValueSingle = 0x40000000;
inline constexpr uint32_t kLongValueChain = 0x00000000;
inline constexpr size_t kLongValuePointerOffset = 4;   // row pointer to the LVAL row
inline constexpr size_t kLongValueChainLinkSize = 4;   // next-piece pointer in a chain

// ---- Text (section 8) ----
inline constexpr uint8_t kCompressedMarker[2] = {0xFF, 0xFE};

// ---- Data type codes (section 4.7) ----
inline constexpr uint8_t kTypeBoolean = 0x01;
inline constexpr uint8_t kTypeByte = 0x02;
inline constexpr uint8_t kTypeInteger = 0x03;
inline constexpr uint8_t kTypeLong = 0x04;
inline constexpr uint8_t kTypeCurrency = 0x05;
inline constexpr uint8_t kTypeSingle = 0x06;
inline constexpr uint8_t kTypeDouble = 0x07;
inline constexpr uint8_t kTypeDateTime = 0x08;
inline constexpr uint8_t kTypeBinary = 0x09;
inline constexpr uint8_t kTypeText = 0x0A;
inline constexpr uint8_t kTypeOle = 0x0B;
inline constexpr uint8_t kTypeMemo = 0x0C;
inline constexpr uint8_t kTypeGuid = 0x0F;
inline constexpr uint8_t kTypeNumeric = 0x10;
inline constexpr size_t kNumericSize = 17;             // sign + 4 words (section 10.1)
inline constexpr size_t kGuidSize = 16;                // section 10.4

// ---- The catalog, MSysObjects (section 3) ----
inline constexpr uint32_t kCatalogTdefPage = 2;
inline constexpr int16_t kObjectTypeTable = 1;
inline constexpr uint32_t kObjectFlagSystem = 0x80000000;
inline constexpr uint32_t kObjectFlagAccessSystem = 0x00000002;
inline constexpr uint32_t kObjectIdPageMask = 0x00FFFFFF;
inline constexpr uint32_t kTablesContainerId = 0x0F000001;

}  // namespace jet::format

#endif  // DB_JET_FORMAT_FORMAT_H_
