#include "core/files/byte_buffer.h"

#include <cstdint>
#include <new>
#include <utility>

#include "core/files/platform.h"

namespace quorlix {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this the heap serves: a few pages more or less do not count.
constexpr std::size_t kMapFrom = 8 * kHugePage;

}  // namespace

void AdviseHugePages(const void* data, std::size_t size) {
  if (data == nullptr || size < kMapFrom) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
  if (end > begin) platform::AdviseHugePages(reinterpret_cast<void*>(begin), end - begin);
}

ByteBuffer::ByteBuffer(std::size_t size) : size_(size) {
  if (size < kMapFrom) {
    data_ = new char[size > 0 ? size : 1];
    return;
  }
  // One huge page more than needed, so that the data can start on a huge
  // page's boundary and every 2 MB of it can be one page.
  mapped_ = size + kHugePage;
  void* const mapping = platform::MapPages(mapped_);
  if (mapping == nullptr) throw std::bad_alloc();
  mapping_ = mapping;
  const auto aligned =
      (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
  data_ = reinterpret_cast<char*>(aligned);
  platform::AdviseHugePages(data_, size);  // a hint: without it, small pages
}

ByteBuffer::~ByteBuffer() { Release(); }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void ByteBuffer::Release() noexcept {
  if (mapping_ != nullptr) {
    platform::UnmapPages(mapping_, mapped_);
  } else {
    delete[] data_;
  }
  data_ = nullptr;
  mapping_ = nullptr;
}

}  // namespace quorlix
