#include "core/line_store.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/error.h"

namespace quorlix {

namespace {

// Anonymous memory for a file's bytes, not zero-filled by us. Large
// buffers ask for huge pages: the first touch of a 200 MB log then costs
// about a hundred page faults instead of fifty thousand.
class FileBuffer {
 public:
  FileBuffer() = default;
  explicit FileBuffer(std::size_t capacity) : capacity_(capacity) {
    void* map = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(map);
    if (capacity >= kHugePageWorthy) madvise(map, capacity, MADV_HUGEPAGE);
  }
  FileBuffer(FileBuffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}
  FileBuffer& operator=(FileBuffer&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  ~FileBuffer() {
    if (data_ != nullptr) munmap(data_, capacity_);
  }

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }

 private:
  static constexpr std::size_t kHugePageWorthy = std::size_t{4} << 20;
  char* data_ = nullptr;
  std::size_t capacity_ = 0;
};

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error("Datei " + path + " kann nicht geöffnet werden. " + std::strerror(error));
}

// Reads all of `fd` into `buffer`; `used` is the number of bytes read.
// Returns 0 or the errno of the failure.
int ReadAll(int fd, std::size_t size_hint, FileBuffer& buffer, std::size_t& used) {
  // One spare byte beyond the expected size lets the read that finds the
  // end happen without growing the buffer.
  buffer = FileBuffer(size_hint > 0 ? size_hint + 1 : 65536);
  used = 0;
  for (;;) {
    if (used == buffer.capacity()) {  // the file grew while we read it
      FileBuffer bigger(buffer.capacity() + buffer.capacity() / 2);
      std::memcpy(bigger.data(), buffer.data(), used);
      buffer = std::move(bigger);
    }
    const ssize_t got = read(fd, buffer.data() + used, buffer.capacity() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    used += static_cast<std::size_t>(got);
  }
}

}  // namespace

class LineStore::Storage {
 public:
  explicit Storage(std::string bytes) : text_(std::move(bytes)), bytes_(text_) {}
  Storage(FileBuffer buffer, std::size_t size)
      : buffer_(std::move(buffer)), bytes_(buffer_.data(), size) {}
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  std::string_view bytes() const { return bytes_; }

 private:
  std::string text_;
  FileBuffer buffer_;
  std::string_view bytes_;
};

LineStore::LineStore() = default;
LineStore::~LineStore() = default;
LineStore::LineStore(LineStore&&) noexcept = default;
LineStore& LineStore::operator=(LineStore&&) noexcept = default;

LineStore LineStore::FromBytes(std::string bytes) {
  LineStore store;
  store.storage_ = std::make_unique<Storage>(std::move(bytes));
  store.bytes_ = store.storage_->bytes();
  store.Split();
  return store;
}

// The file is read, not mapped: a log that another program truncates while
// we hold it must not turn into a crash when a lost page is touched.
LineStore LineStore::ReadFile(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) ThrowCannotOpen(path, errno);

  struct stat info;
  std::size_t size = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) size = static_cast<std::size_t>(info.st_size);
  FileBuffer buffer;
  std::size_t used = 0;
  const int error = ReadAll(fd, size, buffer, used);
  close(fd);
  if (error != 0) ThrowCannotOpen(path, error);

  LineStore store;
  store.storage_ = std::make_unique<Storage>(std::move(buffer), used);
  store.bytes_ = store.storage_->bytes();
  store.Split();
  return store;
}

void LineStore::Split() {
  // Room for lines of 32 bytes on average: chat lines are longer, so the
  // list rarely moves while it grows, and the unused rest is never touched.
  spans_.reserve(bytes_.size() / 32 + 1);
  const char* const data = bytes_.data();
  const char* const end = data + bytes_.size();
  // The next CR and LF are each searched once and kept until passed, so a
  // file without CRs costs one extra scan, not one per line.
  const char* next_lf = nullptr;
  const char* next_cr = nullptr;
  auto find = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  };
  for (const char* p = data; p < end;) {
    if (next_lf == nullptr || next_lf < p) next_lf = find(p, '\n');
    if (next_cr == nullptr || next_cr < p) next_cr = find(p, '\r');
    const char* brk = next_lf < next_cr ? next_lf : next_cr;
    spans_.push_back(
        Span{static_cast<std::size_t>(p - data), static_cast<std::size_t>(brk - p)});
    if (brk == end) break;
    p = brk + 1;
    if (*brk == '\r' && p < end && *p == '\n') ++p;
  }
}

}  // namespace quorlix
