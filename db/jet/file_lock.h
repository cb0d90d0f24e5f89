// The write lock that keeps two writers (in this process or others) from
// changing the database at the same time: an open-file-description lock on
// a byte range far beyond any data a Jet file can hold, so that readers,
// which take no lock, are never held up.
#ifndef DB_JET_FILE_LOCK_H_
#define DB_JET_FILE_LOCK_H_

#include <filesystem>
#include <string>

namespace jet {

class FileLock {
 public:
  // Opens `path` for locking. Raises kIo when it cannot be opened.
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Waits until no other holder has the lock, then takes it (shared only,
  // when the file cannot be opened for writing). Raises kIo.
  void Lock();
  // Releases the lock; does nothing when it is not held.
  void Unlock();
  bool Held() const { return held_; }

 private:
  int fd_;
  std::string name_;
  bool held_ = false;
  bool writable_ = true;
};

}  // namespace jet

#endif  // DB_JET_FILE_LOCK_H_
