// The layout of a phone.dat file, all numbers little-endian:
//
//   OFFSET  SIZE  MEANING
//   0       4     version: four ASCII digits, year and month (YYMM)
//   4       4     int32 offset of the first index entry
//   8       ...   records up to that offset: "province|city|postcode|areacode"
//                 in UTF-8, each ended by one NUL byte
//   offset  9*n   index entries to the end of the file, sorted by head:
//                   +0 int32 head (seven digits), +4 int32 offset of its
//                   record, +8 uint8 card type code
//
// Area codes carry their leading "0" there.
#ifndef ATTRIBUTION_PHONE_DAT_FORMAT_H_
#define ATTRIBUTION_PHONE_DAT_FORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace attribution::phone_dat {

inline constexpr size_t kVersionOffset = 0;
inline constexpr size_t kVersionSize = 4;
inline constexpr size_t kIndexOffsetOffset = 4;  // int32
inline constexpr size_t kHeaderSize = 8;         // where the records start

inline constexpr size_t kEntrySize = 9;
inline constexpr size_t kEntryHead = 0;        // int32
inline constexpr size_t kEntryRecord = 4;      // int32, from the start of the file
inline constexpr size_t kEntryCardType = 8;    // uint8

inline constexpr char kFieldSeparator = '|';
inline constexpr size_t kRecordFields = 4;     // province, city, postcode, areacode
inline constexpr char kRecordEnd = '\0';

// The card type codes and their names; other codes are named by their number.
inline constexpr std::string_view kCardTypeNames[] = {
    {},                    // 0: none
    "中国移动",            // 1
    "中国联通",            // 2
    "中国电信",            // 3
    "中国电信虚拟运营商",  // 4
    "中国联通虚拟运营商",  // 5
    "中国移动虚拟运营商",  // 6
    "中国广电",            // 7
    "中国广电虚拟运营商",  // 8
};

}  // namespace attribution::phone_dat

#endif  // ATTRIBUTION_PHONE_DAT_FORMAT_H_
