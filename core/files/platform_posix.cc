#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files/platform.h"

namespace quorlix::platform {
namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The locale the environment asks for messages: LC_ALL, LC_MESSAGES, LANG.
std::string WantedMessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = EnvironmentValue(name);
    if (!value.empty()) return value;
  }
  return "";
}

}  // namespace

int OpenForReading(const std::string& path, bool nonblocking) {
  return OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | (nonblocking ? O_NONBLOCK : 0));
}

int OpenForWriting(const std::string& path) {
  return OpenRetrying(path.c_str(), O_WRONLY | O_CLOEXEC);
}

int DuplicateNamedDescriptor(const std::string& path) {
  std::string_view rest = path;
  int fd = -1;
  if (rest == "/dev/stdin") fd = 0;
  if (rest == "/dev/stdout") fd = 1;
  if (rest == "/dev/stderr") fd = 2;
  if (fd < 0) {
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (std::string_view prefix : {std::string_view("/dev/fd/"),
                                    std::string_view("/proc/self/fd/"), std::string_view(own)}) {
      if (!rest.starts_with(prefix)) continue;
      rest.remove_prefix(prefix.size());
      const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), fd);
      if (error != std::errc() || end != rest.data() + rest.size() || rest.front() == '+') fd = -1;
      break;
    }
  }
  if (fd < 0) return -2;
  return ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

int OpenLockFile(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
}

int LockExclusive(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

WritersLock::WritersLock(const std::string& path) : handle_(OpenLockFile(path + ".lock")) {
  if (handle_ >= 0) LockExclusive(static_cast<int>(handle_));
}

WritersLock::~WritersLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing drops the lock
}

std::int64_t ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
  return ::pread(fd, data, size, static_cast<off_t>(offset));
}

std::int64_t WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset) {
  return ::pwrite(fd, data, size, static_cast<off_t>(offset));
}

int SyncFile(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

int CreateScratchFile(const std::string& dir) {
  std::string name = dir + "/output.quorlix-tmp-XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

int MakePrivateFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

int MakeFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// The folder is marked by a lock on it. A clean-up by another program may
// take the folder between its creation and its lock: then it is made again.
int CreateHeldFolder(const std::string& prefix, std::string& path) {
  for (int attempt = 0;; ++attempt) {
    std::string folder = prefix + "XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) return -1;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat held, named;
    if (fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0 &&
        ::lstat(folder.c_str(), &named) == 0 && held.st_ino == named.st_ino) {
      path = std::move(folder);
      return fd;
    }
    if (fd >= 0) ::close(fd);
    if (attempt >= 10) return errno = EBUSY, -1;
  }
}

bool IsAbandonedFolder(const std::string& path) noexcept {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  const bool abandoned =
      ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid();
  ::close(fd);
  return abandoned;
}

void RemoveAbandonedFolder(const std::string& path) noexcept {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid()) {
    const int list_fd = ::dup(fd);
    if (DIR* listing = list_fd >= 0 ? ::fdopendir(list_fd) : nullptr) {
      while (const dirent* entry = ::readdir(listing)) ::unlinkat(fd, entry->d_name, 0);
      ::closedir(listing);
    } else if (list_fd >= 0) {
      ::close(list_fd);
    }
    ::rmdir(path.c_str());
  }
  ::close(fd);
}

int RemoveFolder(const std::string& path) { return ::rmdir(path.c_str()) == 0 ? 0 : errno; }

bool ListFolder(const std::string& dir, std::vector<std::string>& names) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return false;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(listing);
  return true;
}

FolderLock::FolderLock(const std::string& dir)
    : handle_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (handle_ >= 0) ::flock(static_cast<int>(handle_), LOCK_EX);
}

FolderLock::~FolderLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

int Close(int fd) { return ::close(fd); }

std::int64_t Write(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }

namespace {

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  if (S_ISREG(st.st_mode)) {
    info.kind = FileKind::kRegular;
    info.size = static_cast<std::uint64_t>(st.st_size);
  } else if (S_ISDIR(st.st_mode)) {
    info.kind = FileKind::kDirectory;
  } else if (S_ISFIFO(st.st_mode)) {
    info.kind = FileKind::kPipe;
  } else if (S_ISSOCK(st.st_mode)) {
    info.kind = FileKind::kSocket;
  } else if (S_ISCHR(st.st_mode)) {
    info.kind = FileKind::kDevice;
  } else if (S_ISBLK(st.st_mode)) {
    info.kind = FileKind::kBlockDevice;
  }
  return info;
}

}  // namespace

bool InspectPath(const std::string& path, FileInfo& info) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool InspectFile(int fd, FileInfo& info) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool InspectName(const std::string& path, FileInfo& info) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  info = S_ISLNK(st.st_mode) ? FileInfo{FileKind::kLink, 0} : InfoOf(st);
  return true;
}

std::string RealPath(const std::string& path) {
  char* const real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return "";
  std::string result = real;
  std::free(real);
  return result;
}

std::int64_t FilePosition(int fd) { return ::lseek(fd, 0, SEEK_CUR); }

void SetFilePosition(int fd, std::int64_t position) {
  ::lseek(fd, static_cast<off_t>(position), SEEK_SET);
}

bool IdentifyFile(int fd, FileId& id) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

bool IdentifyPath(const std::string& path, FileId& id) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

const char* MapForReading(int fd, std::size_t size) {
  void* const mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  return mapping == MAP_FAILED ? nullptr : static_cast<const char*>(mapping);
}

void UnmapFile(const char* data, std::size_t size) { ::munmap(const_cast<char*>(data), size); }

void* MapPages(std::size_t size) {
  void* const mapping =
      ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return mapping == MAP_FAILED ? nullptr : mapping;
}

void UnmapPages(void* data, std::size_t size) { ::munmap(data, size); }

void AdviseHugePages(void* data, std::size_t size) { ::madvise(data, size, MADV_HUGEPAGE); }

void ReleaseMappedPages(const char* data, std::size_t size) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / page * page;
  if (begin < end) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

int ConnectLocalSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return errno = ENAMETOOLONG, -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    return errno = error, -1;
  }
  return fd;
}

std::string FoldNameCase(std::string_view name) { return std::string(name); }

bool IsLostDeviceName(const std::string&) { return false; }

bool TextFilesEndLinesWithCrLf() { return false; }

std::string ProgramPath() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof exe) return "";
  return std::string(exe, static_cast<std::size_t>(n));
}

// $HOME, else the password database's entry.
std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    home = found->pw_dir;
  }
  return home;
}

std::string AppDataFolder() { return ""; }

// The character set too: the system's own texts (strerror) come out in the
// user's language and character set, not as "?" for every umlaut.
// A locale that this machine has not generated (de_DE.UTF-8 on a fresh
// system) would leave the C library in "C", which speaks English only: then
// the built-in C.UTF-8 locale is used and the wanted language goes to
// LANGUAGE, which the C library's messages honour under any locale but "C".
void InitLocale() {
  if (std::setlocale(LC_CTYPE, "") == nullptr) std::setlocale(LC_CTYPE, "C.UTF-8");
  if (std::setlocale(LC_MESSAGES, "") != nullptr) return;
  const std::string wanted = WantedMessagesLocale();
  if (wanted.empty() || wanted == "C" || wanted == "POSIX") return;
  if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) return;
  if (EnvironmentValue("LANGUAGE").empty()) ::setenv("LANGUAGE", wanted.c_str(), 1);
}

std::string DesktopLanguage() { return ""; }

std::string SystemErrorText(int error_number) { return std::strerror(error_number); }

void UseBinaryStandardStreams() {}

bool IsTerminal(int fd) { return ::isatty(fd) != 0; }

bool SameTerminal(int fd, int other_fd) {
  struct stat st, other;
  return ::fstat(fd, &st) != 0 || ::fstat(other_fd, &other) != 0 || st.st_rdev == other.st_rdev;
}

void RaiseOpenFileLimit() {
  rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace quorlix::platform
