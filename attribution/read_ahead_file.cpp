// Block-wise reading under the engine's page cache.
#include "attribution/read_ahead_file.h"

#include <algorithm>
#include <cstring>

#include "db/jet/format/error.h"
#include "db/jet/file/journal.h"

namespace attribution {
namespace {

// Each table is read once from start to end, so a few pages of cache serve
// as well as many and keep the memory low.
constexpr size_t kScanCachePages = 16;

}  // namespace

std::unique_ptr<jet::Database> OpenForScan(const std::filesystem::path& file) {
  return std::make_unique<jet::Database>(
      std::make_unique<ReadAheadFile>(jet::OpenJournaledFile(file, jet::OpenMode::kReadOnly,
                                                           jet::PageReads::kCalls)),
      kScanCachePages);
}

ReadAheadFile::ReadAheadFile(std::unique_ptr<jet::PageFile> inner, size_t block_bytes)
    : inner_(std::move(inner)), block_(block_bytes) {}

size_t ReadAheadFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
  // Reads larger than a block, or crossing one, go to the file itself.
  const uint64_t start = offset - offset % block_.size();
  if (length > block_.size() || offset + length > start + block_.size()) {
    return inner_->ReadAt(offset, out, length);
  }
  if (block_length_ == 0 || start != block_offset_) {
    block_length_ = 0;
    block_length_ = inner_->ReadAt(start, block_.data(), block_.size());
    block_offset_ = start;
  }
  const size_t skip = static_cast<size_t>(offset - start);
  const size_t n = skip < block_length_ ? std::min(length, block_length_ - skip) : 0;
  if (n > 0) std::memcpy(out, block_.data() + skip, n);
  return n;
}

void ReadAheadFile::WriteAt(uint64_t, const uint8_t*, size_t) {
  jet::RaiseReadOnly(Name());
}

void ReadAheadFile::Reopen() {
  block_length_ = 0;
  inner_->Reopen();
}

}  // namespace attribution
