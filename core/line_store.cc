#include "core/line_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/error.h"

namespace quorlix {
namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error("Datei " + path + " kann nicht geöffnet werden. " + std::strerror(error));
}

// Reads all of `fd` into `bytes`; returns 0 or the errno of the failure.
int ReadAll(int fd, std::string& bytes) {
  struct stat info;
  std::size_t capacity = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    capacity = static_cast<std::size_t>(info.st_size);
  }
  std::size_t used = 0;
  // One spare byte beyond a regular file's size lets the read that finds
  // its end happen without growing the buffer.
  bytes.resize(capacity > 0 ? capacity + 1 : 65536);
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

LineStore LineStore::FromBytes(std::string bytes) {
  LineStore store;
  auto owned = std::make_unique<std::string>(std::move(bytes));
  const char* const data = owned->data();
  const char* const end = data + owned->size();
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
    store.spans_.push_back(
        Span{static_cast<std::size_t>(p - data), static_cast<std::size_t>(brk - p)});
    if (brk == end) break;
    p = brk + 1;
    if (*brk == '\r' && p < end && *p == '\n') ++p;
  }
  store.bytes_ = std::move(owned);
  return store;
}

LineStore LineStore::ReadFile(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) ThrowCannotOpen(path, errno);
  std::string bytes;
  const int error = ReadAll(fd, bytes);
  close(fd);
  if (error != 0) ThrowCannotOpen(path, error);
  return FromBytes(std::move(bytes));
}

}  // namespace quorlix
