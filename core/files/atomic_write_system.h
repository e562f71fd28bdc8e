// Inside the atomic writer: the calls that differ between systems, defined
// in atomic_write_posix.cc or atomic_write_windows.cc, and the syncing
// thread; atomic_write.cc holds what the systems share (the buffering,
// finishing, the commit).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "core/files/atomic_write.h"

namespace quorlix::atomic_write_system {

// A target's temporary files sit in its folder, named
// ".<name>.quorlix-tmp-" followed by six letters or digits.
inline constexpr std::size_t kTempSuffixLength = 6;
// ".<name>.quorlix-tmp-" for `target`, its name cut to stay within the
// usual 255-byte limit.
std::string TempNamePrefix(const std::string& target);
// True for the name of one of those files, and for nothing else.
bool IsTempNameOf(std::string_view name, std::string_view temp_name_prefix);

// Asks the system to start writing `size` bytes of `fd` from `offset` to
// the disk, without waiting. Only a hint.
void StartWriteback(int fd, std::uint64_t offset, std::uint64_t size) noexcept;
// Makes the data written to `fd` durable: the syncing thread's call. Only
// a hint: a failure shows again, and is reported, at the final sync.
void SyncData(int fd) noexcept;

}  // namespace quorlix::atomic_write_system

namespace quorlix {

// Syncs the file's data on a thread of its own, each time it is asked to,
// while the writer goes on writing. Without it the final sync would find
// all the data still only in caches (the system's or a virtual disk's
// host's) and wait for all of it at once. Only a hint: a failure shows
// again, and is reported, at the final sync.
class AtomicFileWriter::Syncer {
 public:
  explicit Syncer(int fd) : thread_([this, fd] { Run(fd); }) {}
  ~Syncer() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  Syncer(const Syncer&) = delete;
  Syncer& operator=(const Syncer&) = delete;

  void Request() {
    {
      std::lock_guard lock(mutex_);
      wanted_ = true;
    }
    wake_.notify_one();
  }

 private:
  void Run(int fd) {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || wanted_; });
      if (stop_) return;
      wanted_ = false;
      lock.unlock();
      atomic_write_system::SyncData(fd);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool wanted_ = false, stop_ = false;
  std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace quorlix
