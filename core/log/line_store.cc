#include "core/log/line_store.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "core/files/byte_buffer.h"
#include "core/files/platform.h"
#include "core/line/byte_scan.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {

class LineStore::Storage {
 public:
  explicit Storage(std::string bytes) : text_(std::move(bytes)) {}
  Storage(ByteBuffer buffer, std::size_t size) : buffer_(std::move(buffer)), buffer_size_(size) {}
  // Takes over a read-only mapping of `size` bytes.
  Storage(const char* mapping, std::size_t size) : mapping_(mapping), buffer_size_(size) {}
  ~Storage() {
    if (mapping_ != nullptr) platform::UnmapFile(mapping_, buffer_size_);
  }
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  bool mapped() const { return mapping_ != nullptr; }

  std::string_view bytes() const {
    if (mapping_ != nullptr) return std::string_view(mapping_, buffer_size_);
    if (buffer_.data() != nullptr) return std::string_view(buffer_.data(), buffer_size_);
    return text_;
  }

 private:
  std::string text_;
  ByteBuffer buffer_;
  const char* mapping_ = nullptr;
  std::size_t buffer_size_ = 0;
};

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error(FormatText(Tr("Cannot open file %s. %s"), {path, platform::SystemErrorText(error)}));
}

// Reads `fd` into `buffer`, which is not zero-filled first: the bytes are
// written once, by read(). With `bounded`, stops after `size` bytes (a
// file that grows is read as it was); otherwise reads to the end, growing
// the buffer. Returns 0 or the errno of the failure.
constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;

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
    // At most 1 GB a call: some systems take no more at once.
    const auto got = read(fd, buffer.data() + used, std::min(capacity - used, kMostAtOnce));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    used += static_cast<std::size_t>(got);
  }
}

// Reads bytes [from, to) of a regular file (counted from `offset`) into
// `data` + from; stops early at the file's end. Returns 0 or the errno.
int ReadPart(int fd, std::uint64_t offset, std::size_t from, std::size_t to, char* data,
             std::size_t& used) {
  used = 0;
  while (from + used < to) {
    const std::int64_t got =
        platform::ReadAt(fd, data + from + used, to - from - used, offset + from + used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  return 0;
}

// From this size on, a regular file is read and split in two halves at once.
constexpr std::size_t kTwoHalvesFrom = std::size_t{32} << 20;
// Below this a file is read even where it may be mapped: too few pages to count.
constexpr std::size_t kMapFrom = std::size_t{1} << 20;

[[noreturn]] void ThrowIsDirectory(const std::string& path) {
  throw Error(FormatText(Tr("%s is a directory"), {path}));
}

[[noreturn]] void ThrowNoEnd(const std::string& path) {
  throw Error(
      FormatText(Tr("File %s is neither a regular file nor a pipe and is not read"), {path}));
}

}  // namespace

LineStore::LineStore() = default;
LineStore::~LineStore() = default;
LineStore::LineStore(LineStore&&) noexcept = default;
LineStore& LineStore::operator=(LineStore&&) noexcept = default;

LineStore::LineStore(std::unique_ptr<Storage> storage)
    : storage_(std::move(storage)), bytes_(storage_->bytes()) {}

void LineStore::ReleaseBefore(std::size_t i) {
  if (storage_ == nullptr || !storage_->mapped() || i == 0 || i > size()) return;
  const std::size_t end = NextLineStart(ends_[i - 1]);
  platform::ReleaseMappedPages(bytes_.data(), std::min(end, bytes_.size()));
}

LineStore LineStore::FromBytes(std::string bytes) {
  LineStore store(std::make_unique<Storage>(std::move(bytes)));
  store.Split();
  return store;
}

namespace {

// A descriptor open for reading, closed at the end of its scope; throws
// the message that `path` cannot be opened.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path) {
    fd_ = platform::OpenForReading(path);
    if (fd_ < 0) ThrowCannotOpen(path, errno);
  }
  ~ReadOnlyFile() { close(fd_); }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

// The file is read, not mapped: a log that another program truncates while
// we hold it must not turn into a crash when a lost page is touched (only
// MapFile's callers are ready for that). A device is refused before it is
// opened: opening some has side effects.
LineStore LineStore::ReadFile(const std::string& path) {
  platform::FileInfo info;
  if (platform::InspectPath(path, info)) {
    if (info.kind == platform::FileKind::kDirectory) ThrowIsDirectory(path);
    if (info.kind == platform::FileKind::kDevice || info.kind == platform::FileKind::kBlockDevice) {
      ThrowNoEnd(path);
    }
  }
  const ReadOnlyFile file(path);
  return ReadDescriptor(file.fd(), path);
}

LineStore LineStore::MapFile(const std::string& path,
                             const std::function<void(std::string_view)>& guard) {
  platform::FileInfo info;
  if (!platform::InspectPath(path, info) || info.kind != platform::FileKind::kRegular) {
    return ReadFile(path);
  }
  const ReadOnlyFile file(path);
  const int fd = file.fd();
  if (!platform::InspectFile(fd, info)) ThrowCannotOpen(path, errno);
  if (info.kind != platform::FileKind::kRegular || info.size < kMapFrom) {
    return ReadDescriptor(fd, path);
  }
  const auto size = static_cast<std::size_t>(info.size);
  const char* const mapping = platform::MapForReading(fd, size);
  if (mapping == nullptr) return ReadDescriptor(fd, path);  // a file system that cannot map
  LineStore store(std::make_unique<Storage>(mapping, size));
  guard(store.bytes_);
  store.Split();
  return store;
}

LineStore LineStore::ReadDescriptor(int fd, const std::string& name) {
  platform::FileInfo info;
  if (!platform::InspectFile(fd, info)) ThrowCannotOpen(name, errno);
  if (info.kind == platform::FileKind::kDirectory) ThrowIsDirectory(name);
  const bool regular = info.kind == platform::FileKind::kRegular;
  if (!regular && info.kind != platform::FileKind::kPipe &&
      info.kind != platform::FileKind::kSocket) {
    ThrowNoEnd(name);
  }
  std::size_t size = 0;
  std::int64_t offset = 0;
  if (regular) {
    offset = platform::FilePosition(fd);
    if (offset >= 0 && static_cast<std::uint64_t>(offset) < info.size)
      size = static_cast<std::size_t>(info.size - static_cast<std::uint64_t>(offset));
  }
  if (regular && offset >= 0 && size >= kTwoHalvesFrom && std::thread::hardware_concurrency() > 1) {
    return ReadInHalves(fd, offset, size, name);
  }
  ByteBuffer buffer;
  std::size_t used = 0;
  const int error = ReadAll(fd, size, regular, buffer, used);
  if (error != 0) ThrowCannotOpen(name, error);

  LineStore store(std::make_unique<Storage>(std::move(buffer), used));
  store.Split();
  return store;
}

namespace {

// Runs `work(1)` on a second thread while `work(0)` runs on this one (both
// here, one after the other, when no thread can be had); an exception of
// either is thrown here once both are done.
template <typename Work>
void RunOnTwoThreads(Work&& work) {
  std::exception_ptr failed[2];
  auto run = [&](int which) {
    try {
      work(which);
    } catch (...) {
      failed[which] = std::current_exception();
    }
  };
  std::thread helper;
  try {
    helper = std::thread(run, 1);
  } catch (const std::system_error&) {
    run(1);
  }
  run(0);
  if (helper.joinable()) helper.join();
  for (const std::exception_ptr& e : failed) {
    if (e) std::rethrow_exception(e);
  }
}

}  // namespace

// A second thread reads the second half while this one reads the first.
LineStore LineStore::ReadInHalves(int fd, std::int64_t offset, std::size_t size,
                                  const std::string& name) {
  ByteBuffer buffer(size);
  char* const data = buffer.data();
  const std::size_t mid = size / 2;
  std::size_t used[2] = {0, 0};
  int error[2] = {0, 0};
  RunOnTwoThreads([&](int half) {
    error[half] =
        ReadPart(fd, offset, half == 0 ? 0 : mid, half == 0 ? mid : size, data, used[half]);
  });
  if (error[0] != 0) ThrowCannotOpen(name, error[0]);
  const std::size_t total = used[0] < mid ? used[0] : mid + used[1];
  if (used[0] == mid && error[1] != 0) ThrowCannotOpen(name, error[1]);
  platform::SetFilePosition(fd,
                            offset + static_cast<std::int64_t>(total));  // as a read would leave it

  LineStore store(std::make_unique<Storage>(std::move(buffer), total));
  store.Split();
  return store;
}

// Two threads split a large text, each one half. The halves meet just after
// the first LF of the second half: whatever came before, a line starts
// there, so the two lists together are the one list of a single scan.
// Without such an LF, or for a smaller text, one scan splits it all.
void LineStore::Split() {
  const std::size_t size = bytes_.size();
  const std::size_t mid = size / 2;
  const void* lf = size >= kTwoHalvesFrom && std::thread::hardware_concurrency() > 1
                       ? std::memchr(bytes_.data() + mid, '\n', size - mid)
                       : nullptr;
  if (lf == nullptr) {
    SplitInOneScan();
    return;
  }
  const auto meet = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.data()) + 1;
  std::vector<uint64_t> second_ends;
  RunOnTwoThreads([&](int half) {
    std::vector<uint64_t>& ends = half == 0 ? ends_ : second_ends;
    const std::size_t begin = half == 0 ? 0 : meet;
    const std::size_t end = half == 0 ? meet : size;
    ends.reserve((end - begin) / 32 + 1);
    AdviseHugePagesFor(ends);
    SplitRange(bytes_, begin, end, ends);
  });
  ends_.insert(ends_.end(), second_ends.begin(), second_ends.end());
  AddLastLine();
}

void LineStore::SplitInOneScan() {
  // Room for lines of 32 bytes on average: chat lines are longer, so the
  // list rarely moves while it grows, and the unused rest is never touched.
  ends_.reserve(bytes_.size() / 32 + 1);
  AdviseHugePagesFor(ends_);
  SplitRange(bytes_, 0, bytes_.size(), ends_);
  AddLastLine();
}

// One vector scan over the bytes finds every CR and LF, 64 bytes a step;
// each break closes a line, and the LF of a CR LF closes none.
void LineStore::SplitRange(std::string_view bytes, std::size_t begin, std::size_t end,
                           std::vector<uint64_t>& ends) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t line_start = begin;
  auto on_break = [&](std::size_t at) {
    if (at < line_start) return;  // the LF of a CR LF
    const bool cr_lf = data[at] == '\r' && at + 1 < size && data[at + 1] == '\n';
    ends.push_back((uint64_t{at} << 1) | (cr_lf ? 1 : 0));
    line_start = NextLineStart(ends.back());
  };
  std::size_t block = begin;
  for (; block + 64 <= end; block += 64) {
    for (uint64_t bits = LineBreakBits(data + block); bits != 0; bits &= bits - 1) {
      on_break(block + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
  }
  for (std::size_t at = block; at < end; ++at) {
    if (data[at] == '\r' || data[at] == '\n') on_break(at);
  }
}

// The last line, unless the bytes end with a break (or are none).
void LineStore::AddLastLine() {
  const std::size_t line_start = ends_.empty() ? 0 : NextLineStart(ends_.back());
  if (line_start < bytes_.size()) ends_.push_back(uint64_t{bytes_.size()} << 1);
}

}  // namespace quorlix
