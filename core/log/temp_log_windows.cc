// The window's private copy of the log on Windows (see temp_log.h), with
// the checks that hold there. The folder must be the user's own: its owner
// is the account the program runs as (the owner SID of the folder against
// the process token, as there is no st_uid), and it is a real folder, not
// a junction or link to one elsewhere. It is made inside the user's profile
// (%LOCALAPPDATA%), whose access rules it inherits: only the user, the
// system and administrators may enter it. A copy is in use while a load
// holds it open; only copies nobody holds are removed as left over.
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

#include "core/files/platform.h"
#include "core/files/windows_text.h"
#include "core/log/temp_log.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

using platform::Widen;

constexpr std::size_t kSuffixLength = 6;

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EACCES;
  }
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, int error) {
  throw Error(FormatText(Tr("Cannot open file %s. %s"), {path, platform::SystemErrorText(error)}));
}

[[noreturn]] void ThrowNotOwnFolder(const std::string& dir) {
  throw Error(FormatText(
      Tr("The cache folder %s is not a directory of the user's own; nothing is loaded"), {dir}));
}

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle Own(HANDLE handle) { return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

// The SIDs a folder made by this program may be owned by: the user's, and
// the token's default owner for new objects (the Administrators group when
// the program runs elevated).
std::vector<std::vector<BYTE>> OwnSids() {
  std::vector<std::vector<BYTE>> sids;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return sids;
  const Handle hold(token);
  for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> data(size);
    if (size == 0 || !::GetTokenInformation(token, kind, data.data(), size, &size)) continue;
    const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(data.data())->User.Sid
                                       : reinterpret_cast<TOKEN_OWNER*>(data.data())->Owner;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    sids.emplace_back(bytes, bytes + ::GetLengthSid(sid));
  }
  return sids;
}

bool IsOwnedByUser(HANDLE folder) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool own = false;
  for (std::vector<BYTE>& sid : OwnSids()) {
    if (owner != nullptr && ::EqualSid(owner, sid.data())) own = true;
  }
  ::LocalFree(descriptor);
  return own;
}

// Creates `dir` (and its parents), or checks the existing one, before
// anything in it is touched.
void MakePrivateDir(const std::string& dir) {
  const std::size_t slash = dir.find_last_of("/\\");
  if (slash != std::string::npos && slash > 0) {
    std::error_code ignored;  // a missing parent shows in the next step
    std::filesystem::create_directories(std::filesystem::path(Widen(dir.substr(0, slash))),
                                        ignored);
  }
  if (const int error = platform::MakePrivateFolder(dir)) ThrowCannotOpen(dir, error);
  // The folder itself, never what a junction or link in its place leads to.
  const Handle folder = Own(
      ::CreateFileW(Widen(dir).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!folder || !::GetFileInformationByHandle(folder.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsOwnedByUser(folder.get())) {
    ThrowNotOwnFolder(dir);
  }
}

bool IsCopyName(std::wstring_view name) {
  const std::wstring prefix = platform::Utf16(kTempLogName) + L".";
  if (name.size() != prefix.size() + kSuffixLength || !name.starts_with(prefix)) return false;
  for (wchar_t c : name.substr(prefix.size())) {
    if (!((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9'))) {
      return false;
    }
  }
  return true;
}

// Removes the copies that killed loads left. Opening a file without any
// sharing fails while some other handle holds it, so a live load's copy
// stays; the open deletes the file when it closes.
void RemoveStaleCopies(const std::string& dir) {
  WIN32_FIND_DATAW entry;
  const HANDLE listing = ::FindFirstFileW(Widen(dir + "\\" + kTempLogName + ".*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsCopyName(entry.cFileName) ||
        (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      continue;
    }
    const std::string path = dir + "\\" + platform::Narrow(entry.cFileName);
    Own(::CreateFileW(Widen(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  } while (::FindNextFileW(listing, &entry));
  ::FindClose(listing);
}

// A new copy "log.txt.XXXXXX", read and written by this load alone; others
// may only read it, and it may be renamed or removed while open.
int CreateCopy(const std::string& target, std::string& name) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + ".";
    for (std::size_t i = 0; i < kSuffixLength; ++i) name += kLetters[pick(random)];
    const HANDLE handle = ::CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      errno = ErrnoOf(::GetLastError());
      return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) ::CloseHandle(handle);
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// Copies `size` bytes through a buffer. Returns 0 or the errno of the
// failure, telling whether reading the source failed.
int CopyBytes(int from, int to, std::uint64_t size, bool& source_failed) {
  std::vector<char> buffer(1 << 20);
  std::uint64_t left = size;
  while (left > 0) {
    const unsigned want = static_cast<unsigned>(std::min<std::uint64_t>(buffer.size(), left));
    const int n = ::_read(from, buffer.data(), want);
    if (n == 0) return 0;  // the file shrank meanwhile
    if (n < 0) {
      source_failed = true;
      return errno;
    }
    for (int done = 0; done < n;) {
      const int w = ::_write(to, buffer.data() + done, static_cast<unsigned>(n - done));
      if (w < 0) return errno;
      done += w;
    }
    left -= static_cast<std::uint64_t>(n);
  }
  return 0;
}

}  // namespace

LineStore LoadThroughTempLog(const std::string& source, const std::string& dir) {
  platform::FileInfo info;
  if (platform::InspectPath(source, info) && info.kind == platform::FileKind::kDirectory) {
    throw Error(FormatText(Tr("%s is a directory"), {source}));
  }
  platform::OwnedFd in(platform::OpenForReading(source));
  if (in.get() < 0) ThrowCannotOpen(source, errno);
  if (!platform::InspectFile(in.get(), info)) ThrowCannotOpen(source, errno);
  if (info.kind == platform::FileKind::kDirectory) {
    throw Error(FormatText(Tr("%s is a directory"), {source}));
  }
  if (info.kind != platform::FileKind::kRegular) {
    throw Error(FormatText(Tr("File %s is not a regular file and is not loaded"), {source}));
  }

  MakePrivateDir(dir);
  RemoveStaleCopies(dir);
  const std::string target = dir + "\\" + kTempLogName;
  std::string temp;
  platform::OwnedFd copy(CreateCopy(target, temp));
  if (copy.get() < 0) ThrowCannotOpen(target, errno);
  struct RemoveUnlessKept {
    std::string path;
    ~RemoveUnlessKept() {
      if (!path.empty()) ::DeleteFileW(Widen(path).c_str());
    }
  } remove{temp};
  bool source_failed = false;
  int error = CopyBytes(in.get(), copy.get(), info.size, source_failed);
  if (error == 0 && ::_lseeki64(copy.get(), 0, SEEK_SET) != 0) error = errno;
  if (error != 0) ThrowCannotOpen(source_failed ? source : target, error);
  LineStore lines = LineStore::ReadDescriptor(copy.get(), target);
  // Should the move fail (another window reading log.txt right now), the
  // lines are read all the same and the copy goes.
  if (::MoveFileExW(Widen(temp).c_str(), Widen(target).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    remove.path.clear();
  }
  return lines;
}

}  // namespace quorlix
