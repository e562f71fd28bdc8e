#include "core/atomic_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>

#include "core/error.h"
#include "core/translation.h"

namespace quorlix {
namespace {

// Writes smaller than this are gathered before they reach the file.
constexpr std::size_t kBufferSize = 64 * 1024;
// After so many new bytes the system is asked to start writing them to the
// disk, and the syncing thread to make them durable, so that the sync at
// Commit() waits only for the last few.
constexpr uint64_t kWritebackStep = 8 * 1024 * 1024;
// Keeps ".<name>.quorlix-tmp-XXXXXX" within the usual 255-byte name limit.
constexpr std::size_t kMaxNameInTempName = 200;
constexpr std::string_view kTempMarker = ".quorlix-tmp-";
constexpr std::size_t kSuffixLength = 6;

int OpenFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

// Six random letters and digits, as mkstemp uses; the exclusive create
// below settles any collision.
std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix(kSuffixLength, '0');
  for (char& c : suffix) c = kChars[pick(engine)];
  return suffix;
}

bool IsSuffixChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// True for a name of the form `temp_name_prefix` + six letters or digits:
// the temporary files of one target, and nothing else.
bool IsTempNameOf(std::string_view name, std::string_view temp_name_prefix) {
  if (name.size() != temp_name_prefix.size() + kSuffixLength ||
      name.substr(0, temp_name_prefix.size()) != temp_name_prefix) {
    return false;
  }
  for (char c : name.substr(temp_name_prefix.size())) {
    if (!IsSuffixChar(c)) return false;
  }
  return true;
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
    if (!IsTempNameOf(entry->d_name, temp_name_prefix)) continue;
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

// Syncs the file's data on a thread of its own, each time it is asked to,
// while the writer goes on writing. Without it the final sync would find
// all the data still only in caches (the system's or a virtual disk's
// host's) and wait for all of it at once. Only a hint: a failure shows
// again, and is reported, at the final sync.
class AtomicFileWriter::Syncer {
 public:
  explicit Syncer(int fd) : thread_([this, fd] { Run(fd); }) {}
  ~Syncer() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  Syncer(const Syncer&) = delete;
  Syncer& operator=(const Syncer&) = delete;

  void Request() {
    {
      std::lock_guard lock(mutex_);
      wanted_ = true;
    }
    wake_.notify_one();
  }

 private:
  void Run(int fd) {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || wanted_; });
      if (stop_) return;
      wanted_ = false;
      lock.unlock();
      ::fdatasync(fd);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool wanted_ = false, stop_ = false;
  std::thread thread_;  // last: it starts once the members above exist
};

AtomicWriteCalls AtomicWriteCalls::Defaults() {
  return AtomicWriteCalls{&OpenFile, &::write,  &::fchmod, &::fsync, &::close,
                          &::rename, &::unlink, &::link,   &::syncfs};
}

AtomicWriteCalls& CurrentAtomicWriteCalls() {
  static AtomicWriteCalls calls = AtomicWriteCalls::Defaults();
  return calls;
}

AtomicFileWriter::AtomicFileWriter(std::string target)
    : AtomicFileWriter(std::move(target), std::string()) {}

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
  std::string temp_name_prefix = ".";
  temp_name_prefix += NameOf(resolved_).substr(0, kMaxNameInTempName);
  temp_name_prefix += kTempMarker;
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

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) Discard();
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (buffer_.size() + bytes.size() > kBufferSize) Flush();
  if (bytes.size() >= kBufferSize) {
    WriteAll(bytes);  // large pieces skip the copy into the buffer
  } else {
    buffer_.append(bytes);
  }
}

void AtomicFileWriter::Flush() {
  WriteAll(buffer_);
  buffer_.clear();
}

void AtomicFileWriter::WriteAll(std::string_view bytes) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  while (!bytes.empty()) {
    const ssize_t n = sys.write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    // A write that makes no progress would loop for ever; the disk is full.
    if (n == 0) Fail(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
    written_ += static_cast<uint64_t>(n);
  }
  if (written_ - writeback_from_ >= kWritebackStep) {
    // Only a hint: a failure here shows again, and is reported, at the sync.
    ::sync_file_range(fd_, static_cast<off64_t>(writeback_from_),
                      static_cast<off64_t>(written_ - writeback_from_), SYNC_FILE_RANGE_WRITE);
    writeback_from_ = written_;
    RequestSync();
  }
}

void AtomicFileWriter::RequestSync() noexcept {
  if (!syncer_ && !syncer_failed_) {
    try {
      syncer_ = std::make_unique<Syncer>(fd_);
    } catch (const std::exception&) {  // no thread: the final sync does it all
      syncer_failed_ = true;
      return;
    }
  }
  if (syncer_) syncer_->Request();
}

void AtomicFileWriter::Finish(bool sync) {
  if (finished_) return;
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  if (fd_ < 0) Fail(EBADF);
  Flush();
  syncer_.reset();
  if (sync) {
    int rc;
    while ((rc = sys.fsync(fd_)) != 0 && errno == EINTR) {
    }
    if (rc != 0) Fail(errno);
  }
  // The descriptor is released even when close reports an error (EINTR
  // included), so it must not be closed again.
  const int fd = fd_;
  fd_ = -1;
  if (sys.close(fd) != 0) Fail(errno);
  finished_ = true;
  std::string().swap(buffer_);  // many finished writers may wait for Commit
}

void AtomicFileWriter::Commit(bool sync_directory) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  Finish();
  if (temp_path_.empty()) Fail(EBADF);
  if (sys.rename(temp_path_.c_str(), resolved_.c_str()) != 0) Fail(errno);
  temp_path_.clear();
  committed_ = true;
  ReleaseLock();
  if (sync_directory) SyncDirectoryOf(resolved_);
}

void SyncDirectoryOf(const std::string& path) noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const int dir = sys.open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (dir < 0) return;
  while (sys.fsync(dir) != 0 && errno == EINTR) {
  }
  sys.close(dir);
}

void AtomicFileWriter::Fail(int error_number) {
  Discard();
  throw Error(FormatText(Tr("Cannot write file %s. %s"), {target_, std::strerror(error_number)}));
}

void AtomicFileWriter::Discard() noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  syncer_.reset();  // before the descriptor it syncs goes
  if (fd_ >= 0) {
    sys.close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    sys.unlink(temp_path_.c_str());
    temp_path_.clear();
  }
  ReleaseLock();
  buffer_.clear();
}

void AtomicFileWriter::ReleaseLock() noexcept {
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace quorlix
