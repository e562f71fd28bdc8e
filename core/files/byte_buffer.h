// A buffer of bytes for a whole file, left unfilled: the caller writes
// every byte it uses (read() does). Large buffers get a mapping of their
// own, asked for in 2 MB pages, so that filling a log of hundreds of
// megabytes costs a few hundred page faults instead of tens of thousands;
// where the system gives no such pages it works the same, only slower.
#pragma once

#include <cstddef>

namespace quorlix {

// Asks for 2 MB pages for the whole 2 MB pages within [data, data + size),
// memory not yet touched: a hint that large per-line lists fault less.
// Does nothing for less than a few such pages.
void AdviseHugePages(const void* data, std::size_t size);

// The same for the room a vector has reserved.
template <typename Vector>
void AdviseHugePagesFor(const Vector& v) {
  AdviseHugePages(v.data(), v.capacity() * sizeof(*v.data()));
}

class ByteBuffer {
 public:
  ByteBuffer() = default;
  // Room for `size` bytes (at least one); throws std::bad_alloc.
  explicit ByteBuffer(std::size_t size);
  ~ByteBuffer();
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void Release() noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
  void* mapping_ = nullptr;  // the mapping that holds data_, when mapped
  std::size_t mapped_ = 0;
};

}  // namespace quorlix
