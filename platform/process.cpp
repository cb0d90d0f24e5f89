// What ChildProcess does the same way everywhere.
#include <utility>

#include "platform/process.h"

namespace platform {

ChildProcess::~ChildProcess() { Release(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), end_(std::move(other.end_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, 0);
    end_ = std::move(other.end_);
  }
  return *this;
}

}  // namespace platform
