#include "core/line_store.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"

namespace quorlix {

class LineStore::Storage {
 public:
  explicit Storage(std::string bytes) : text_(std::move(bytes)) {}
  Storage(void* map, std::size_t size) : map_(map), map_size_(size) {}
  ~Storage() {
    if (map_ != nullptr) munmap(map_, map_size_);
  }
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  std::string_view bytes() const {
    if (map_ != nullptr) return std::string_view(static_cast<const char*>(map_), map_size_);
    return text_;
  }

 private:
  std::string text_;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
};

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error("Datei " + path + " kann nicht geöffnet werden. " + std::strerror(error));
}

// Reads all of `fd` into `bytes`; returns 0 or the errno of the failure.
int ReadAll(int fd, std::size_t size_hint, std::string& bytes) {
  std::size_t used = 0;
  // One spare byte beyond the expected size lets the read that finds the
  // end happen without growing the buffer.
  bytes.resize(size_hint > 0 ? size_hint + 1 : 65536);
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() + bytes.size() / 2);
    const ssize_t got = read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  bytes.resize(used);
  return 0;
}

}  // namespace

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

// A regular file is mapped rather than read: no copy, no zero-filled
// buffer. Other files (pipes, devices) and failed mappings are read.
LineStore LineStore::ReadFile(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) ThrowCannotOpen(path, errno);

  struct stat info;
  std::size_t size = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) size = static_cast<std::size_t>(info.st_size);
  LineStore store;
  if (size > 0) {
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) store.storage_ = std::make_unique<Storage>(map, size);
  }
  if (!store.storage_) {
    std::string bytes;
    const int error = ReadAll(fd, size, bytes);
    if (error != 0) {
      close(fd);
      ThrowCannotOpen(path, error);
    }
    store.storage_ = std::make_unique<Storage>(std::move(bytes));
  }
  close(fd);
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
