// The fuzzed entry points. Each takes any bytes, runs one part of the system
// over them, and aborts through Fail when a promise is broken (a wrong value,
// an error of a kind the part never raises, a checker complaint). Plain
// functions, so that the libFuzzer targets, the replay program and the
// replay test all run the same code.
#ifndef FUZZ_FUZZ_ENTRIES_H_
#define FUZZ_FUZZ_ENTRIES_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace fuzz {

using EntryFunction = void (*)(const uint8_t* data, size_t size);

struct Entry {
  const char* name;  // also the folder of its seeds and regression inputs
  EntryFunction run;
};

// A database file's bytes: opened in memory, every table (system tables too)
// scanned, every value of every row read (MEMO and OLE followed), each row
// read again by its location, then the checker run. Only jet::Error may be
// raised.
void ReadDatabaseFile(const uint8_t* data, size_t size);
// UTF-8 text as a statement: tokenized (the tokens must cover the text in
// order), parsed (only syntax errors), and when it parses, run over a small
// attribution database (only sql::Error).
void ParseStatement(const uint8_t* data, size_t size);
// GBK text through the parameter-marker scan, with the scan's counts checked.
void ScanParameterMarkers(const uint8_t* data, size_t size);
// Text through TextToInteger and TryTextToInteger, which must agree with
// each other and with a plain reading of decimal text.
void ConvertInteger(const uint8_t* data, size_t size);
// Text through FromDigitTriplets and DecodeNumberHead, with the round trips
// through ToDigitTriplets and EncodeNumberHead checked.
void DecodeDigits(const uint8_t* data, size_t size);
// The bytes as a program of inserts, updates, deletions, commits and
// rollbacks on a small attribution database in memory, kept in step with a
// model; at the end (and at checkpoints) every row must equal the model and
// the checker must find nothing.
void UpdateSequence(const uint8_t* data, size_t size);

// The bytes as damage to the index pages of a database of 1,500 heads, then
// lookups through the indexes: only kCorrupt may be raised, and every row a
// seek gives must be one the data pages give, in their order.
void SeekDamagedIndex(const uint8_t* data, size_t size);

// The bytes as a phone.dat file: read (only InputError "<name>: byte <n>:
// <what>"), and what is read must be data an import may write and read back
// the same once written again by PhoneDatWriter.
void ReadPhoneDatBytes(const uint8_t* data, size_t size);
// The first byte picks the layout (bit 0: the folder of tables, its three
// files split at kFileSeparator of import_input.h; else one CSV file), a
// second reading with the layout told from the content (bit 1) and a small
// block for the CSV reader (bits 2-3); the rest is the input, written into
// a scratch folder. The reader gives the same records in small blocks as in
// large ones; the import's reading refuses only with InputError naming the
// file, and what it accepts reads back the same once written out again.
void ReadImportCsv(const uint8_t* data, size_t size);
// The first byte picks a small database (bits 0-2), pruning (bit 3), plain
// new heads (bit 4), a refusal just before writing (bit 5) and the source's
// layout (bits 6-7: one CSV file, the folder of tables, phone.dat); the rest
// is the source, merged into the database in memory. Refusals leave the
// file as it was; a merge leaves a file the checker passes whose heads
// answer as the source says, and that a second merge leaves alone.
void MergeImport(const uint8_t* data, size_t size);

// Every entry above, by name.
std::span<const Entry> Entries();
// The entry named `name`, or null.
const Entry* FindEntry(std::string_view name);

// Prints "fuzz: <what>" to standard error and aborts.
[[noreturn]] void Fail(std::string_view what);

}  // namespace fuzz

#endif  // FUZZ_FUZZ_ENTRIES_H_
