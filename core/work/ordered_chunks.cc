#include "core/work/ordered_chunks.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quorlix {
namespace {

// The state the threads of one run share, guarded by `mutex`.
class ChunkSchedule {
 public:
  ChunkSchedule(std::size_t chunks, std::size_t ahead)
      : chunks_(chunks), ahead_(ahead), done_(ahead, false) {}

  // A helper thread: works chunks until none is left or the run stops.
  void Help(unsigned worker, const std::function<void(unsigned, std::size_t)>& work) {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stop_ || next_work_ >= chunks_ || MayStart(); });
      if (stop_ || next_work_ >= chunks_) return;
      WorkOne(worker, work, lock);
    }
  }

  // The calling thread: consumes in order, and works while it would wait.
  void Lead(const std::function<void(unsigned, std::size_t)>& work,
            const std::function<bool(std::size_t)>& consume) {
    std::unique_lock lock(mutex_);
    while (next_consume_ < chunks_) {
      if (done_[next_consume_ % ahead_]) {
        done_[next_consume_ % ahead_] = false;
        const std::size_t chunk = next_consume_;
        lock.unlock();
        const bool go_on = consume(chunk);
        lock.lock();
        ++next_consume_;
        changed_.notify_all();  // room for one more chunk ahead
        if (!go_on) break;
      } else if (next_work_ < chunks_ && MayStart()) {
        WorkOne(0, work, lock);
      } else {
        changed_.wait(lock);
      }
    }
  }

  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

 private:
  bool MayStart() const { return next_work_ < next_consume_ + ahead_; }

  void WorkOne(unsigned worker, const std::function<void(unsigned, std::size_t)>& work,
               std::unique_lock<std::mutex>& lock) {
    const std::size_t chunk = next_work_++;
    lock.unlock();
    work(worker, chunk);
    lock.lock();
    done_[chunk % ahead_] = true;
    changed_.notify_all();
  }

  const std::size_t chunks_, ahead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;  // by slot: chunk % ahead_
  std::size_t next_work_ = 0, next_consume_ = 0;
  bool stop_ = false;
};

}  // namespace

unsigned ThreadCount(const PassThreads& threads) {
  const unsigned hardware = std::max(std::thread::hardware_concurrency(), 1u);
  // More threads than the processor runs at once gain nothing, and each
  // holds chunks of output ahead: memory, no speed.
  return threads.count != 0 ? std::min(threads.count, hardware) : hardware;
}

void RunChunksInOrder(unsigned threads, std::size_t chunks, std::size_t ahead,
                      const std::function<void(unsigned worker, std::size_t chunk)>& work,
                      const std::function<bool(std::size_t chunk)>& consume) {
  if (chunks == 0) return;
  ahead = std::max<std::size_t>(ahead, 1);
  const std::size_t helpers = std::min<std::size_t>({std::max(threads, 1u), chunks, ahead}) - 1;
  ChunkSchedule schedule(chunks, ahead);
  std::vector<std::thread> team;
  team.reserve(helpers);
  auto finish = [&] {
    schedule.Stop();
    for (std::thread& t : team) t.join();
  };
  try {
    for (std::size_t i = 0; i < helpers; ++i) {
      try {
        team.emplace_back(
            [&schedule, &work, i] { schedule.Help(static_cast<unsigned>(i + 1), work); });
      } catch (const std::system_error&) {
        break;  // fewer threads do the same work
      }
    }
    schedule.Lead(work, consume);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace quorlix
