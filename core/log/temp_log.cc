#include "core/log/temp_log.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr std::size_t kSuffixLength = 6;  // the XXXXXX that mkstemp fills

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error(FormatText(Tr("Cannot open file %s. %s"), {path, std::strerror(error)}));
}

// Creates `dir` 0700, or checks that the existing one is the user's own
// directory and not a link, before anything in it is touched.
void MakePrivateDir(const std::string& dir) {
  const std::size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    std::error_code ignored;  // a missing parent shows in the mkdir below
    std::filesystem::create_directories(dir.substr(0, slash), ignored);
  }
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) ThrowCannotOpen(dir, errno);
  platform::OwnedFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info;
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid()) {
    throw Error(FormatText(
        Tr("The cache folder %s is not a directory of the user's own; nothing is loaded"), {dir}));
  }
  if ((info.st_mode & 07777) != 0700 && ::fchmod(fd.get(), 0700) != 0) {
    ThrowCannotOpen(dir, errno);
  }
}

bool IsCopyName(std::string_view name) {
  const std::string_view prefix = kTempLogName;
  if (name.size() != prefix.size() + 1 + kSuffixLength || !name.starts_with(prefix) ||
      name[prefix.size()] != '.') {
    return false;
  }
  for (char c : name.substr(prefix.size() + 1)) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

// Removes the copies that killed loads left: a live load holds a lock on
// its copy, so only copies nobody holds go, and only regular files.
void RemoveStaleCopies(const std::string& dir) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    if (!IsCopyName(entry->d_name)) continue;
    const std::string path = dir + "/" + entry->d_name;
    platform::OwnedFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat held, named;
    if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
        ::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) &&
        ::lstat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      ::unlink(path.c_str());
    }
  }
  ::closedir(listing);
}

// Copies `size` bytes, in the kernel where it can, else (and after any
// failure there, to learn which side failed) through a buffer. Returns 0
// or the errno of the failure, telling whether reading the source failed.
int CopyBytes(int from, int to, std::size_t size, bool& source_failed) {
  std::size_t left = size;
  while (left > 0) {
    const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, left, 0);
    if (n == 0) return 0;  // the file shrank meanwhile
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    left -= static_cast<std::size_t>(n);
  }
  std::vector<char> buffer(left > 0 ? 1 << 20 : 0);
  while (left > 0) {
    const ssize_t n = ::read(from, buffer.data(), std::min(buffer.size(), left));
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      source_failed = true;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

LineStore LoadThroughTempLog(const std::string& source, const std::string& dir) {
  // Not blocking: a FIFO must not hold the window before it is refused.
  platform::OwnedFd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) ThrowCannotOpen(source, errno);
  struct stat info;
  if (::fstat(in.get(), &info) != 0) ThrowCannotOpen(source, errno);
  if (S_ISDIR(info.st_mode)) throw Error(FormatText(Tr("%s is a directory"), {source}));
  if (!S_ISREG(info.st_mode)) {
    throw Error(FormatText(Tr("File %s is not a regular file and is not loaded"), {source}));
  }

  MakePrivateDir(dir);
  RemoveStaleCopies(dir);
  const std::string target = dir + "/" + kTempLogName;
  std::string temp = target + "." + std::string(kSuffixLength, 'X');
  // mkstemp opens with O_EXCL and mode 0600.
  platform::OwnedFd copy(::mkstemp(temp.data()));
  if (copy.get() < 0) ThrowCannotOpen(target, errno);
  struct RemoveUnlessKept {
    std::string path;
    ~RemoveUnlessKept() {
      if (!path.empty()) ::unlink(path.c_str());
    }
  } remove{temp};
  bool source_failed = false;
  int error = ::flock(copy.get(), LOCK_EX | LOCK_NB) != 0 ? errno : 0;
  if (error == 0) {
    error = CopyBytes(in.get(), copy.get(), static_cast<std::size_t>(info.st_size), source_failed);
  }
  if (error == 0 && ::lseek(copy.get(), 0, SEEK_SET) != 0) error = errno;
  if (error != 0) ThrowCannotOpen(source_failed ? source : target, error);
  LineStore lines = LineStore::ReadDescriptor(copy.get(), target);
  // The copy needs no sync: nothing reads it by name. Should the rename
  // fail, the lines are read all the same and the copy goes.
  if (::rename(temp.c_str(), target.c_str()) == 0) remove.path.clear();
  return lines;
}

}  // namespace quorlix
