// Where a subcommand writes its output: standard output (no name, or "-"),
// or a file that appears only whole, written under a temporary name beside
// it and renamed over it once every byte is written, flushed and synced.
// A database is never overwritten by it.
#ifndef TOOLS_ATTRDB_OUTPUT_FILE_H_
#define TOOLS_ATTRDB_OUTPUT_FILE_H_

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/interrupt.h"

namespace attrdb {

class OutputFile {
 public:
  // Opens the output named `name` (UTF-8). Raises std::runtime_error
  // "<name>: would overwrite a database; nothing written" when `name` is one
  // of `inputs` (the same file by any path) or a Jet or ACE database, and
  // "<name>: cannot be written (<reason>)" when the temporary file cannot
  // be made.
  OutputFile(const std::string& name, const std::vector<std::string>& inputs);
  // Removes the temporary file unless Commit succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* stream() const { return stream_; }
  // The name for messages: the file's, or "standard output".
  const std::string& name() const { return name_; }

  // Flushes what is written and, for a file, syncs it, closes it and
  // renames it over the target. Raises std::runtime_error "<name>: writing
  // failed: <reason>" (the target then untouched).
  void Commit();

 private:
  std::string name_;
  std::FILE* stream_ = nullptr;
  std::filesystem::path target_;
  std::filesystem::path temporary_;  // empty for standard output
  std::unique_ptr<platform::RemovedOnInterrupt> guard_;
  bool committed_ = false;
};

// Whether the file at `path` begins as a Jet or ACE database does.
bool LooksLikeDatabase(const std::filesystem::path& path);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_OUTPUT_FILE_H_
