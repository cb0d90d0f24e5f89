// The bodies of `attrdb lookup` and `attrdb list`, apart from the command
// line, so that tests can run them on streams of their own.
#ifndef TOOLS_ATTRDB_LOOKUP_RUN_H_
#define TOOLS_ATTRDB_LOOKUP_RUN_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/attrdb/lookup_output.h"

namespace attrdb {

// The database file both subcommands read unless told otherwise.
inline constexpr char kDefaultDatabase[] = "attrdata.mdb";

struct LookupOptions {
  std::string database = kDefaultDatabase;
  OutputFormat format = OutputFormat::kTsv;
  bool header = true;                // TSV and CSV only
  std::vector<std::string> numbers;  // empty: one per line from the input
  // Input lines answered by seeking their heads in the file's index before
  // the whole attribution is loaded for the rest; lines waiting to be read
  // beyond this many show a long input and start the load at once.
  size_t seek_lines = 64;
  // When set and the input is a regular file: told the bytes read of the
  // input's size every so many lines, and once more with `done` < 0 when
  // all is read, before any closing message.
  std::function<void(int64_t done, int64_t total)> progress;
};

// Writes one row per number (per input line when `options.numbers` is
// empty, read from `input_fd`) to `out`. The rows given are flushed whenever
// the input keeps the next line waiting. Returns kExitOk, or kExitFailed
// after writing "attrdb: <message>" to `err` when the database cannot be
// read, the input or output fails, or some line was not a mobile number (the
// rows are all written; the message counts such lines).
int RunLookup(const LookupOptions& options, int input_fd, std::FILE* out,
              std::FILE* err);

struct ListOptions {
  std::string database = kDefaultDatabase;
  std::string province;  // UTF-8
  std::string city;      // UTF-8
};

// Writes "<head>xxxx" for every number head of the city (of each of its
// city rows in turn) to `out`, one per line. Returns kExitOk, or kExitFailed after a message on `err` when the
// database cannot be read, there is no such city, or a head does not decode
// (the other heads are still listed).
int RunList(const ListOptions& options, std::FILE* out, std::FILE* err);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_LOOKUP_RUN_H_
