// Runs the chunks of a pass on several threads and hands their results
// back in order, on the calling thread: a pass split this way gives the
// same results as one pass over the whole, while every core works.
#pragma once

#include <cstddef>
#include <functional>

namespace quorlix {

// How a pass divides its work. Tests choose tiny chunks so that their small
// inputs cross many chunk boundaries.
struct PassThreads {
  unsigned count = 0;  // 0: one per hardware thread; 1: no helper threads
  std::size_t lines_per_chunk = 8192;
};

// The thread count that `threads` asks for: its count, or the hardware's;
// never more than the hardware's.
unsigned ThreadCount(const PassThreads& threads);

// work(worker, chunk) for chunk = 0 .. chunks - 1 on up to `threads`
// threads, the caller's included; worker is 0 .. threads - 1 and names the
// thread, so each can keep its own scratch state. Threads take chunks in
// rising order. consume(chunk) runs on the calling thread in rising order,
// each as soon as work(chunk) is done; when it returns false nothing more
// is consumed and chunks not yet started are not started. At most
// `ahead` chunks are done or in work beyond the one consumed next, so a
// chunk's result may live in slot chunk % ahead of a ring of that many.
// work must not throw; an exception from consume ends the run (after the
// other threads have stopped) and propagates.
void RunChunksInOrder(unsigned threads, std::size_t chunks, std::size_t ahead,
                      const std::function<void(unsigned worker, std::size_t chunk)>& work,
                      const std::function<bool(std::size_t chunk)>& consume);

}  // namespace quorlix
