#include "core/line_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "core/byte_buffer.h"
#include "core/byte_scan.h"
#include "core/error.h"

namespace quorlix {

class LineStore::Storage {
 public:
  explicit Storage(std::string bytes) : text_(std::move(bytes)) {}
  Storage(ByteBuffer buffer, std::size_t size) : buffer_(std::move(buffer)), buffer_size_(size) {}
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  std::string_view bytes() const {
    if (buffer_.data() != nullptr) return std::string_view(buffer_.data(), buffer_size_);
    return text_;
  }

 private:
  std::string text_;
  ByteBuffer buffer_;
  std::size_t buffer_size_ = 0;
};

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error("Datei " + path + " kann nicht geöffnet werden. " + std::strerror(error));
}

// Reads `fd` into `buffer`, which is not zero-filled first: the bytes are
// written once, by read(). With `bounded`, stops after `size` bytes (a
// file that grows is read as it was); otherwise reads to the end, growing
// the buffer. Returns 0 or the errno of the failure.
int ReadAll(int fd, std::size_t size, bool bounded, ByteBuffer& buffer, std::size_t& used) {
  std::size_t capacity = bounded ? size : 65536;
  buffer = ByteBuffer(capacity);
  used = 0;
  for (;;) {
    if (used == capacity) {
      if (bounded) return 0;
      capacity += capacity / 2;
      ByteBuffer bigger(capacity);
      std::memcpy(bigger.data(), buffer.data(), used);
      buffer = std::move(bigger);
    }
    const ssize_t got = read(fd, buffer.data() + used, capacity - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    used += static_cast<std::size_t>(got);
  }
}

[[noreturn]] void ThrowIsDirectory(const std::string& path) {
  throw Error(path + " ist ein Verzeichnis");
}

[[noreturn]] void ThrowNoEnd(const std::string& path) {
  throw Error("Datei " + path +
              " ist weder eine reguläre Datei noch eine Pipe und wird nicht gelesen");
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

// The file is read, not mapped: a log that another program truncates while
// we hold it must not turn into a crash when a lost page is touched.
// A device is refused before it is opened: opening some has side effects.
LineStore LineStore::ReadFile(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) ThrowIsDirectory(path);
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) ThrowNoEnd(path);
  }
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) ThrowCannotOpen(path, errno);
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  return ReadDescriptor(fd, path);
}

LineStore LineStore::ReadDescriptor(int fd, const std::string& name) {
  struct stat info;
  if (fstat(fd, &info) != 0) ThrowCannotOpen(name, errno);
  if (S_ISDIR(info.st_mode)) ThrowIsDirectory(name);
  const bool regular = S_ISREG(info.st_mode);
  if (!regular && !S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode)) ThrowNoEnd(name);
  std::size_t size = 0;
  if (regular) {
    const off_t offset = lseek(fd, 0, SEEK_CUR);
    if (offset >= 0 && offset < info.st_size) size = static_cast<std::size_t>(info.st_size - offset);
  }
  ByteBuffer buffer;
  std::size_t used = 0;
  const int error = ReadAll(fd, size, regular, buffer, used);
  if (error != 0) ThrowCannotOpen(name, error);

  LineStore store;
  store.storage_ = std::make_unique<Storage>(std::move(buffer), used);
  store.bytes_ = store.storage_->bytes();
  store.Split();
  return store;
}

// One vector scan over the bytes finds every CR and LF, 64 bytes a step;
// each break closes a line, and the LF of a CR LF closes none.
void LineStore::Split() {
  // Room for lines of 32 bytes on average: chat lines are longer, so the
  // list rarely moves while it grows, and the unused rest is never touched.
  ends_.reserve(bytes_.size() / 32 + 1);
  const char* const data = bytes_.data();
  const std::size_t size = bytes_.size();
  std::size_t line_start = 0;
  auto on_break = [&](std::size_t at) {
    if (at < line_start) return;  // the LF of a CR LF
    const bool cr_lf = data[at] == '\r' && at + 1 < size && data[at + 1] == '\n';
    ends_.push_back((uint64_t{at} << 1) | (cr_lf ? 1 : 0));
    line_start = NextLineStart(ends_.back());
  };
  std::size_t block = 0;
  for (; block + 64 <= size; block += 64) {
    for (uint64_t bits = LineBreakBits(data + block); bits != 0; bits &= bits - 1) {
      on_break(block + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
  }
  for (std::size_t at = block; at < size; ++at) {
    if (data[at] == '\r' || data[at] == '\n') on_break(at);
  }
  // The last line, unless the file ends with a break (or is empty).
  if (line_start < size) ends_.push_back(uint64_t{size} << 1);
}

}  // namespace quorlix
