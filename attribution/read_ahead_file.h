// A page file read in large blocks, for one pass over a whole database: the
// engine asks for one page at a time, and a read of the operating system per
// page would cost more than decoding the page.
#ifndef ATTRIBUTION_READ_AHEAD_FILE_H_
#define ATTRIBUTION_READ_AHEAD_FILE_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/file/page_file.h"

namespace attribution {

class ReadAheadFile : public jet::PageFile {
 public:
  // Reads `inner` in blocks of `block_bytes`. Writing is refused.
  explicit ReadAheadFile(std::unique_ptr<jet::PageFile> inner,
                         size_t block_bytes = size_t{1} << 18);

  const std::string& Name() const override { return inner_->Name(); }
  uint64_t Size() override { return inner_->Size(); }
  // Serves the bytes from the block that holds `offset`, reading that block
  // first when it is not the one held. Raises kIo as the inner file does.
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override;
  // Raises kReadOnly.
  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override;
  void Sync() override {}
  jet::FileStamp Stamp() override { return inner_->Stamp(); }
  void Reopen() override;
  bool Writable() const override { return false; }
  // Takes the inner file's lock; the block held may be of an older state,
  // so it is dropped.
  bool BeginRead() override {
    block_length_ = 0;
    return inner_->BeginRead();
  }
  void EndRead() override { inner_->EndRead(); }
  void SetBusyTimeout(std::chrono::milliseconds t) override { inner_->SetBusyTimeout(t); }

 private:
  std::unique_ptr<jet::PageFile> inner_;
  std::vector<uint8_t> block_;
  uint64_t block_offset_ = 0;
  size_t block_length_ = 0;  // bytes of block_ holding file data; 0: none
};

// `file` opened for reading (a journal a crashed writer left is honoured),
// read in large blocks with a few pages of cache: for one pass over each
// table. Raises jet::Error as jet::Database::Open does.
std::unique_ptr<jet::Database> OpenForScan(const std::filesystem::path& file);

}  // namespace attribution

#endif  // ATTRIBUTION_READ_AHEAD_FILE_H_
