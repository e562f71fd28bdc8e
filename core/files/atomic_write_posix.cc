// The atomic writer on POSIX systems: the temporary file gets the old
// file's permission bits and owner, links at the target are followed (as
// far as the system would follow them), and an in-use temporary file is
// known by its lock.
#include "core/files/atomic_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/files/atomic_write_system.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

int OpenFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

// Six random letters and digits, as mkstemp uses; the exclusive create
// below settles any collision.
std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix(atomic_write_system::kTempSuffixLength, '0');
  for (char& c : suffix) c = kChars[pick(engine)];
  return suffix;
}

// Removes the temporary files that earlier writers of the same target left
// behind when they were killed. A live writer holds a lock on its file until
// its rename is done, so only files that nobody holds go; so do only our own
// regular files (no link is followed, and another user's file cannot be
// opened). Best effort: any failure leaves the file where it is.
void RemoveStaleTempFiles(const std::string& dir, std::string_view temp_name_prefix) noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    if (!atomic_write_system::IsTempNameOf(entry->d_name, temp_name_prefix)) continue;
    const std::string path = dir + "/" + entry->d_name;
    const int fd = sys.open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) continue;
    struct stat held, named;
    // The name must still be this file when it goes: a writer may have
    // renamed it away meanwhile.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      sys.unlink(path.c_str());
    }
    sys.close(fd);
  }
  ::closedir(listing);
}

// A link that the system would not follow on open either: one in a sticky,
// world-writable directory whose owner is neither the user nor the
// directory's owner (another user's trap in /tmp).
bool IsUntrustedLink(const std::string& link, const struct stat& link_st) {
  struct stat dir;
  if (::stat(DirectoryOf(link).c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return shared && link_st.st_uid != ::geteuid() && link_st.st_uid != dir.st_uid;
}

// The file that `target` names once every symbolic link at its end is
// followed; `target` itself when it is no link (or does not exist). Throws
// quorlix::Error for a loop of links and for a link not to be followed.
std::string FollowLinks(const std::string& target) {
  std::string path = target;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    if (IsUntrustedLink(path, st)) {
      throw Error(FormatText(
          Tr("%s is a link in a shared folder that belongs to another user and is not followed"),
          {path}));
    }
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return path;
    link.resize(static_cast<std::size_t>(n));
    path = link.front() == '/' ? link : DirectoryOf(path) + "/" + link;
  }
  throw Error(FormatText(Tr("Cannot write file %s. %s"), {target, std::strerror(ELOOP)}));
}

// Gives the new file the old one's owner and group: root keeps another
// user's file theirs; a user may keep a group they belong to. Where the
// system does not allow it the new file stays the user's, without a word.
void KeepOwner(int fd, const struct stat& old) {
  if (::geteuid() == 0) {
    if (old.st_uid != 0 || old.st_gid != 0) (void)::fchown(fd, old.st_uid, old.st_gid);
  } else if (old.st_gid != ::getegid()) {
    (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  }
}

// Whether the user may replace the file: root may write anything, so only
// a file without any write bit counts as protected for root.
bool MayReplace(const std::string& path, const struct stat& st) {
  if (::geteuid() == 0) return (st.st_mode & 0222) != 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;

AtomicWriteCalls AtomicWriteCalls::Defaults() {
  return AtomicWriteCalls{&OpenFile, &::write,  &::fchmod, &::fsync, &::close,
                          &::rename, &::unlink, &::link,   &::syncfs};
}

AtomicFileWriter::AtomicFileWriter(std::string target, std::string temp_path)
    : target_(std::move(target)), resolved_(FollowLinks(target_)) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  // A new file gets 0666 less the umask from open() itself; an existing
  // one keeps its permission bits, set after the private create.
  struct stat old;
  const bool replacing = ::stat(resolved_.c_str(), &old) == 0;
  if (resolved_.ends_with('/') || (replacing && S_ISDIR(old.st_mode))) {
    throw Error(FormatText(Tr("%s is a directory"), {target_}));
  }
  if (replacing && !MayReplace(resolved_, old)) {
    throw Error(FormatText(Tr("File %s is write-protected and is not replaced"), {target_}));
  }
  // The other names would keep the old content: the file would be split.
  if (replacing && S_ISREG(old.st_mode) && old.st_nlink > 1) {
    throw Error(FormatText(Tr("File %s has further hard links and is not replaced"), {target_}));
  }
  const mode_t create_mode = replacing ? 0600 : 0666;

  if (!temp_path.empty()) {
    temp_path_ = std::move(temp_path);
    fd_ = sys.open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
    if (fd_ < 0) {
      const int error_number = errno;
      temp_path_.clear();
      Fail(error_number);
    }
  } else {
    CreateLockedTempFile(create_mode);
  }
  if (replacing) KeepOwner(fd_, old);
  // Setuid, setgid and sticky bits stay with the old file: output that
  // took them over could run with another's rights.
  if (replacing && sys.fchmod(fd_, old.st_mode & 0777) != 0) Fail(errno);
}

void AtomicFileWriter::CreateLockedTempFile(mode_t create_mode) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const std::string dir = DirectoryOf(resolved_);
  const std::string temp_name_prefix = atomic_write_system::TempNamePrefix(resolved_);
  RemoveStaleTempFiles(dir, temp_name_prefix);
  const std::string prefix = dir + "/" + temp_name_prefix;
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_path_ = prefix + RandomSuffix();
    fd_ = sys.open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode);
    if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error_number = errno;
      temp_path_.clear();  // nothing was created
      Fail(error_number);
    }
  }
  // Marks the file as in use, so that the clean-up of another writer of the
  // same target leaves it alone. The lock goes with the last descriptor of
  // the file: `lock_fd_` keeps it past the close in Commit() until the
  // rename is done. Without locks (some network file systems) the write
  // goes on unmarked.
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) lock_fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
}

void SyncDirectoryOf(const std::string& path) noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const int dir = sys.open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir < 0) return;
  while (sys.fsync(dir) != 0 && errno == EINTR) {
  }
  sys.close(dir);
}

namespace atomic_write_system {

void StartWriteback(int fd, std::uint64_t offset, std::uint64_t size) noexcept {
  ::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(size),
                    SYNC_FILE_RANGE_WRITE);
}

void SyncData(int fd) noexcept { ::fdatasync(fd); }

}  // namespace atomic_write_system

}  // namespace quorlix
