// For the implementations of File: a positional read or write done in as
// many system calls as the system needs.
#ifndef PLATFORM_TRANSFER_LOOP_H_
#define PLATFORM_TRANSFER_LOOP_H_

#include <cstddef>

namespace platform {

// Calls `step(done)` until `length` bytes are moved; each call moves bytes
// from `done` on and returns how many, 0 at the end of the file. Returns
// the bytes moved in all.
template <typename Step>
size_t TransferAll(size_t length, Step step) {
  size_t done = 0;
  while (done < length) {
    const size_t n = step(done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace platform

#endif  // PLATFORM_TRANSFER_LOOP_H_
