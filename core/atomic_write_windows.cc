// The atomic writer on Windows: the temporary file is made beside the
// target, flushed to the disk and moved over the target with the move
// written through. A file in use is known by its open handles: the writer
// holds one from the create until the move, and the clean-up of a killed
// writer's files removes only files that nobody holds.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "core/atomic_write.h"
#include "core/error.h"
#include "core/platform.h"
#include "core/translation.h"
#include "core/windows_text.h"

namespace quorlix {
namespace {

using platform::Widen;

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr std::size_t kMaxNameInTempName = 200;
constexpr std::string_view kTempMarker = ".quorlix-tmp-";
constexpr std::size_t kSuffixLength = 6;

int SetErrno(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    default: errno = EACCES; break;
  }
  return -1;
}

// The new content's file: this process writes it, others may read it, and
// it may be renamed or removed (by the Ctrl+C clean-up) while it is open.
int CreateTempFile(const char* path, int, mode_t) {
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SetErrno(::GetLastError());
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

// A handle that marks the file as in use until it is closed.
int HoldFile(const std::string& path) {
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

ssize_t WriteFd(int fd, const void* data, size_t size) {
  const unsigned most = 1u << 30;
  return ::_write(fd, data, size < most ? static_cast<unsigned>(size) : most);
}

// Attributes stay with the file replaced; there are no permission bits.
int KeepAttributes(int, mode_t) { return 0; }

int FlushFile(int fd) {
  const int error = platform::SyncFile(fd);
  if (error == 0) return 0;
  errno = error;
  return -1;
}

int CloseFd(int fd) { return ::_close(fd); }

int MoveOver(const char* from, const char* to) {
  if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return SetErrno(::GetLastError());
}

int RemoveFile(const char* path) {
  return ::DeleteFileW(Widen(path).c_str()) ? 0 : SetErrno(::GetLastError());
}

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^
                                      static_cast<uint64_t>(::GetCurrentProcessId())};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix(kSuffixLength, '0');
  for (char& c : suffix) c = kChars[pick(engine)];
  return suffix;
}

bool IsTempNameOf(std::string_view name, std::string_view temp_name_prefix) {
  if (name.size() != temp_name_prefix.size() + kSuffixLength ||
      name.substr(0, temp_name_prefix.size()) != temp_name_prefix) {
    return false;
  }
  for (char c : name.substr(temp_name_prefix.size())) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

// Removes what killed writers of the same target left: opening a file for
// deletion with no sharing at all fails while any writer holds it, so only
// abandoned files go. Best effort.
void RemoveStaleTempFiles(const std::string& dir, const std::string& temp_name_prefix) noexcept {
  WIN32_FIND_DATAW found;
  const HANDLE listing =
      ::FindFirstFileW(Widen(dir + "\\" + temp_name_prefix + "*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = platform::Narrow(found.cFileName);
    if (!IsTempNameOf(name, temp_name_prefix) ||
        (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      continue;
    }
    const HANDLE stale =
        ::CreateFileW(Widen(dir + "\\" + name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (stale != INVALID_HANDLE_VALUE) ::CloseHandle(stale);
  } while (::FindNextFileW(listing, &found));
  ::FindClose(listing);
}

}  // namespace

// Windows writes back on its own; the final flush does the rest.
class AtomicFileWriter::Syncer {};

AtomicWriteCalls AtomicWriteCalls::Defaults() {
  return AtomicWriteCalls{&CreateTempFile, &WriteFd,  &KeepAttributes, &FlushFile,
                          &CloseFd,        &MoveOver, &RemoveFile};
}

AtomicWriteCalls& CurrentAtomicWriteCalls() {
  static AtomicWriteCalls calls = AtomicWriteCalls::Defaults();
  return calls;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
  resolved_ = target_;
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const DWORD attributes = ::GetFileAttributesW(Widen(resolved_).c_str());
  const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
  if (resolved_.ends_with('/') || resolved_.ends_with('\\') ||
      (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY))) {
    throw Error(FormatText(Tr("%s is a directory"), {target_}));
  }
  if (replacing && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throw Error(FormatText(Tr("File %s is write-protected and is not replaced"), {target_}));
  }
  const std::string dir = DirectoryOf(resolved_);
  std::string temp_name_prefix = ".";
  temp_name_prefix += NameOf(resolved_).substr(0, kMaxNameInTempName);
  temp_name_prefix += kTempMarker;
  RemoveStaleTempFiles(dir, temp_name_prefix);
  const std::string prefix = dir + "\\" + temp_name_prefix;
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_path_ = prefix + RandomSuffix();
    fd_ = sys.open(temp_path_.c_str(), 0, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error_number = errno;
      temp_path_.clear();
      Fail(error_number);
    }
  }
  lock_fd_ = HoldFile(temp_path_);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) Discard();
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (buffer_.size() + bytes.size() > kBufferSize) Flush();
  if (bytes.size() >= kBufferSize) {
    WriteAll(bytes);
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
    if (n == 0) Fail(ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
    written_ += static_cast<uint64_t>(n);
  }
}

void AtomicFileWriter::RequestSync() noexcept {}

void AtomicFileWriter::Finish() {
  if (finished_) return;
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  if (fd_ < 0) Fail(EBADF);
  Flush();
  if (sys.fsync(fd_) != 0) Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (sys.close(fd) != 0) Fail(errno);
  finished_ = true;
  std::string().swap(buffer_);
}

void AtomicFileWriter::Commit(bool) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  Finish();
  if (temp_path_.empty()) Fail(EBADF);
  // The handle that marks the file as in use lets it be moved: it is
  // dropped only once the file is in place.
  if (sys.rename(temp_path_.c_str(), resolved_.c_str()) != 0) Fail(errno);
  temp_path_.clear();
  committed_ = true;
  ReleaseLock();
}

// The move is written through: nothing is left to do for the folder.
void SyncDirectoryOf(const std::string&) noexcept {}

void AtomicFileWriter::Fail(int error_number) {
  Discard();
  throw Error(FormatText(Tr("Cannot write file %s. %s"),
                         {target_, platform::SystemErrorText(error_number)}));
}

void AtomicFileWriter::Discard() noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  if (fd_ >= 0) {
    sys.close(fd_);
    fd_ = -1;
  }
  ReleaseLock();
  if (!temp_path_.empty()) {
    sys.unlink(temp_path_.c_str());
    temp_path_.clear();
  }
  buffer_.clear();
}

void AtomicFileWriter::ReleaseLock() noexcept {
  if (lock_fd_ >= 0) ::_close(lock_fd_);
  lock_fd_ = -1;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace quorlix
