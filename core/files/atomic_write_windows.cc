// The atomic writer on Windows: the temporary file is made beside the
// target, flushed to the disk and moved over the target with the move
// written through. A file in use is known by its open handles: the writer
// holds one from the create until the move, and the clean-up of a killed
// writer's files removes only files that nobody holds. Windows has no
// permission bits to keep (attributes stay with the file replaced), and a
// link at the target is replaced itself, not followed.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "core/files/atomic_write.h"
#include "core/files/atomic_write_system.h"
#include "core/files/platform.h"
#include "core/files/windows_text.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

using platform::Widen;

int SetErrno(DWORD error) {
  errno = platform::ErrnoOf(error);
  return -1;
}

int DescriptorOf(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) return SetErrno(::GetLastError());
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

// The new content's file: this process writes it, others may read it, and
// it may be renamed or removed (by the Ctrl+C clean-up) while it is open.
int CreateTempFile(const char* path, int, mode_t) {
  return DescriptorOf(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr),
                      _O_WRONLY);
}

// A handle that marks the file as in use until it is closed.
int HoldFile(const std::string& path) {
  return DescriptorOf(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                      _O_RDONLY);
}

ssize_t WriteFd(int fd, const void* data, size_t size) {
  return static_cast<ssize_t>(platform::Write(fd, data, size));
}

// Attributes stay with the file replaced; there are no permission bits.
int KeepAttributes(int, mode_t) { return 0; }

int FlushFile(int fd) {
  const int error = platform::SyncFile(fd);
  if (error == 0) return 0;
  errno = error;
  return -1;
}

int CloseFd(int fd) { return platform::Close(fd); }

int MoveOver(const char* from, const char* to) {
  if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return SetErrno(::GetLastError());
}

// As unlink: the file's own read-only attribute does not keep its name
// (a stale part file of an earlier run goes, as it does on Linux).
int RemoveFile(const char* path) {
  const std::wstring name = Widen(path);
  if (::DeleteFileW(name.c_str())) return 0;
  const DWORD error = ::GetLastError();
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_READONLY) ||
      !::SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return SetErrno(error);
  }
  if (::DeleteFileW(name.c_str())) return 0;
  const DWORD again = ::GetLastError();
  ::SetFileAttributesW(name.c_str(), attributes);
  return SetErrno(again);
}

// A second name for the old content while a set of files is replaced. A
// volume without hard links (FAT, exFAT: USB sticks) gets a copy instead,
// so that the old content can come back there too.
int LinkOrCopy(const char* from, const char* to) {
  if (::CreateHardLinkW(Widen(to).c_str(), Widen(from).c_str(), nullptr)) return 0;
  const DWORD error = ::GetLastError();
  if (error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) return SetErrno(error);
  return ::CopyFileW(Widen(from).c_str(), Widen(to).c_str(), TRUE) ? 0 : SetErrno(::GetLastError());
}

// Flushes the file `name` in the folder `folder`: by its id, through the
// folder's handle, which knows no limit on the length of names; by its
// full name on volumes without ids (FAT). NO_ERROR or the system's error.
DWORD FlushFileIn(HANDLE folder, const FILE_ID_BOTH_DIR_INFO& entry) {
  FILE_ID_DESCRIPTOR id{};
  id.dwSize = sizeof id;
  id.Type = FileIdType;
  id.FileId = entry.FileId;
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = ::OpenFileById(folder, &id, GENERIC_WRITE, kShareAll, nullptr, 0);
  if (file == INVALID_HANDLE_VALUE) {
    const std::string dir = platform::FinalPathOf(folder);
    if (dir.empty()) return ::GetLastError();
    const std::wstring name(entry.FileName, entry.FileNameLength / sizeof(wchar_t));
    file = ::CreateFileW(Widen(dir + "\\" + platform::Narrow(name)).c_str(), GENERIC_WRITE,
                         kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  const DWORD error = ::FlushFileBuffers(file) ? NO_ERROR : ::GetLastError();
  ::CloseHandle(file);
  return error;
}

// Windows cannot sync a whole file system for an ordinary user: each file
// in the folder of `fd` is flushed instead, the same data made durable.
// The folder is listed through its handle, not its name.
int FlushFilesIn(int fd) {
  const HANDLE folder = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  alignas(8) unsigned char buffer[16384];
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  DWORD error = NO_ERROR;
  while (error == NO_ERROR && ::GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
    kind = FileIdBothDirectoryInfo;
    for (std::size_t at = 0; error == NO_ERROR;) {
      const auto& entry = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      if (!(entry.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        error = FlushFileIn(folder, entry);
      }
      if (entry.NextEntryOffset == 0) break;
      at += entry.NextEntryOffset;
    }
  }
  if (error == NO_ERROR && ::GetLastError() != ERROR_NO_MORE_FILES) error = ::GetLastError();
  return error == NO_ERROR ? 0 : SetErrno(error);
}

std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^
                                      static_cast<uint64_t>(::GetCurrentProcessId())};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix(atomic_write_system::kTempSuffixLength, '0');
  for (char& c : suffix) c = kChars[pick(engine)];
  return suffix;
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
    if (!atomic_write_system::IsTempNameOf(name, temp_name_prefix) ||
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

// The number of names the file `path` has; 1 when it cannot be told.
DWORD LinksOf(const std::string& path) {
  const HANDLE handle =
      ::CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD links = ::GetFileInformationByHandle(handle, &info) ? info.nNumberOfLinks : 1;
  ::CloseHandle(handle);
  return links;
}

// The end of the folder part: the last slash or backslash, or the colon of
// a drive-relative name ("C:x.txt").
std::size_t LastSeparator(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos && path.size() > 2 && path[1] == ':') return 1;
  return slash;
}

}  // namespace

// "C:\out.txt" is in "C:\", not in "C:" (which is the current folder of
// drive C); "C:out.txt" is in "C:.", which names that current folder and
// takes a separator and a name after it.
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  if (slash == 1 && path[1] == ':') return path.substr(0, 2) + ".";
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const int kNewFileFlags = 0;  // open always makes a new file

AtomicWriteCalls AtomicWriteCalls::Defaults() {
  return AtomicWriteCalls{&CreateTempFile, &WriteFd,    &KeepAttributes, &FlushFile,   &CloseFd,
                          &MoveOver,       &RemoveFile, &LinkOrCopy,     &FlushFilesIn};
}

AtomicFileWriter::AtomicFileWriter(std::string target, std::string temp_path)
    : target_(std::move(target)), resolved_(target_) {
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
  // The other names would keep the old content: the file would be split.
  if (replacing && LinksOf(resolved_) > 1) {
    throw Error(FormatText(Tr("File %s has further hard links and is not replaced"), {target_}));
  }
  if (temp_path.empty()) {
    CreateLockedTempFile(0666);
    return;
  }
  temp_path_ = std::move(temp_path);
  fd_ = sys.open(temp_path_.c_str(), 0, 0666);
  if (fd_ < 0) {
    const int error_number = errno;
    temp_path_.clear();
    Fail(error_number);
  }
}

void AtomicFileWriter::CreateLockedTempFile(mode_t create_mode) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const std::string dir = DirectoryOf(resolved_);
  const std::string temp_name_prefix = atomic_write_system::TempNamePrefix(resolved_);
  RemoveStaleTempFiles(dir, temp_name_prefix);
  const std::string prefix = dir + "\\" + temp_name_prefix;
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_path_ = prefix + RandomSuffix();
    fd_ = sys.open(temp_path_.c_str(), 0, create_mode);
    if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
      const int error_number = errno;
      temp_path_.clear();
      Fail(error_number);
    }
  }
  // The handle lets the file be moved: it is dropped once it is in place.
  lock_fd_ = HoldFile(temp_path_);
}

// The move is written through: nothing is left to do for the folder.
void SyncDirectoryOf(const std::string&) noexcept {}

namespace atomic_write_system {

// Windows writes back on its own.
void StartWriteback(int, std::uint64_t, std::uint64_t) noexcept {}

void SyncData(int fd) noexcept { platform::SyncFile(fd); }

}  // namespace atomic_write_system

}  // namespace quorlix
