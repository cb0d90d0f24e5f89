// The seed inputs of each entry, made in code: small databases written by
// our engine, statements, marker texts, numbers and digit strings, and
// programs of changes.
#ifndef FUZZ_SEEDS_H_
#define FUZZ_SEEDS_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace fuzz {

// The seeds of the entry named `entry` (see Entries()); none for a name
// that is not an entry.
std::vector<std::vector<uint8_t>> Seeds(std::string_view entry);

}  // namespace fuzz

#endif  // FUZZ_SEEDS_H_
