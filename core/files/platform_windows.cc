// Windows: every call that takes a name uses the wide (UTF-16) functions,
// so a name means the same whatever the system's code page; the programs'
// manifest makes the C runtime's narrow functions and the arguments UTF-8
// as well.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "core/files/platform.h"
#include "core/files/windows_text.h"

namespace quorlix::platform {
namespace {

// The last system error that had no errno of its own, for SystemErrorText.
thread_local DWORD g_unmapped_error = 0;

int KnownErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    case ERROR_INVALID_HANDLE: return EBADF;
    default: return 0;
  }
}

}  // namespace

int ErrnoOf(DWORD error) {
  const int known = KnownErrnoOf(error);
  g_unmapped_error = known == 0 ? error : 0;
  return known == 0 ? EIO : known;
}

namespace {

// Sets errno from the last system error and returns -1.
int FailWithLastError() {
  errno = ErrnoOf(::GetLastError());
  return -1;
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

int DescriptorOf(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) return FailWithLastError();
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

// Other programs may read, write, rename or delete the file meanwhile, as
// they may on Linux: the game keeps writing its log while it is read.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IdentifyHandle(HANDLE handle, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  id = {info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return true;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// Windows names errors by its own numbers; these are the errno values the
// programs report, with the system's text for the nearest of them.
DWORD SystemErrorOf(int error_number) {
  switch (error_number) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTDIR: return ERROR_DIRECTORY;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EROFS: return ERROR_WRITE_PROTECT;
    default: return 0;
  }
}

// `prefix` and six random letters or digits, as mkstemp makes them.
std::string RandomName(const std::string& prefix) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^ ::GetCurrentProcessId()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(kChars) - 2);
  std::string name = prefix;
  for (int i = 0; i < 6; ++i) name += kChars[pick(engine)];
  return name;
}

UINT g_console_output_code_page = 0;

void RestoreConsoleCodePage() { ::SetConsoleOutputCP(g_console_output_code_page); }

}  // namespace

int OpenForReading(const std::string& path, bool) {
  // Folders open too, as they do elsewhere: the caller then says what it is.
  return DescriptorOf(::CreateFileW(Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
                      _O_RDONLY);
}

int OpenForWriting(const std::string& path) {
  return DescriptorOf(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                      _O_WRONLY);
}

// Windows' names stand for files only.
int DuplicateNamedDescriptor(const std::string&) { return -2; }

int OpenLockFile(const std::string& path) {
  return DescriptorOf(
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
      _O_RDWR);
}

int LockExclusive(int fd) {
  OVERLAPPED whole{};
  if (::LockFileEx(HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) return 0;
  return ErrnoOf(::GetLastError());
}

// On a handle opened for ordinary (not overlapped) use, the offset given
// is where the transfer happens; the file position moves too, which the
// callers never rely on.
std::int64_t ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
  OVERLAPPED at = At(offset);
  DWORD got = 0;
  const DWORD wanted = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
  if (::ReadFile(HandleOf(fd), data, wanted, &got, &at)) return got;
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  return FailWithLastError();
}

std::int64_t WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset) {
  OVERLAPPED at = At(offset);
  DWORD put = 0;
  const DWORD wanted = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
  if (::WriteFile(HandleOf(fd), data, wanted, &put, &at)) return put;
  return FailWithLastError();
}

int SyncFile(int fd) { return ::FlushFileBuffers(HandleOf(fd)) ? 0 : ErrnoOf(::GetLastError()); }

// Deleted by the system when the last handle closes, also when the program
// is killed; never shared with another program.
int CreateScratchFile(const std::string& dir) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = RandomName(dir + "/output.quorlix-tmp-");
    const HANDLE handle =
        ::CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) continue;
    return DescriptorOf(handle, _O_RDWR);
  }
  errno = EEXIST;
  return -1;
}

// The new folder takes the access rules of the one it is made in: under
// the user's profile, the user's alone.
int MakePrivateFolder(const std::string& path) {
  if (::CreateDirectoryW(Widen(path).c_str(), nullptr)) return 0;
  const DWORD error = ::GetLastError();
  return error == ERROR_ALREADY_EXISTS ? 0 : ErrnoOf(error);
}

// Windows folders have no permission bits to choose.
int MakeFolder(const std::string& path) { return MakePrivateFolder(path); }

// The folder is marked by an open handle that lets others read and write
// in it but not open it without sharing, which is how RemoveAbandonedFolder
// tells a live program's folder. Another program's clean-up may take the
// folder between its creation and the handle: then it is made again.
int CreateHeldFolder(const std::string& prefix, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string folder = RandomName(prefix);
    const std::wstring wide = Widen(folder);
    if (!::CreateDirectoryW(wide.c_str(), nullptr)) {
      if (::GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return FailWithLastError();
    }
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) continue;
    const int fd = DescriptorOf(handle, _O_RDONLY);
    if (fd >= 0) path = std::move(folder);
    return fd;
  }
  errno = EBUSY;
  return -1;
}

bool IsAbandonedFolder(const std::string& path) noexcept {
  const HANDLE folder =
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool abandoned = ::GetFileInformationByHandle(folder, &info) &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  ::CloseHandle(folder);
  return abandoned;
}

// Opened without any sharing, which fails while a live program holds the
// folder; the files are listed and the folder removed through that handle.
void RemoveAbandonedFolder(const std::string& path) noexcept {
  const HANDLE folder =
      ::CreateFileW(Widen(path).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(folder, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Listed whole first: removing while listing could skip names.
    std::vector<std::string> files;
    alignas(8) unsigned char buffer[16384];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
      kind = FileIdBothDirectoryInfo;
      for (std::size_t at = 0;;) {
        const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
        if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          files.push_back(Narrow({entry->FileName, entry->FileNameLength / sizeof(wchar_t)}));
        }
        if (entry->NextEntryOffset == 0) break;
        at += entry->NextEntryOffset;
      }
    }
    for (const std::string& name : files) ::DeleteFileW(Widen(path + "/" + name).c_str());
    FILE_DISPOSITION_INFO remove{TRUE};
    ::SetFileInformationByHandle(folder, FileDispositionInfo, &remove, sizeof remove);
  }
  ::CloseHandle(folder);
}

int RemoveFolder(const std::string& path) {
  return ::RemoveDirectoryW(Widen(path).c_str()) ? 0 : ErrnoOf(::GetLastError());
}

bool ListFolder(const std::string& dir, std::vector<std::string>& names) {
  WIN32_FIND_DATAW found;
  const HANDLE listing = ::FindFirstFileW(Widen(dir + "/*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // not even "."
    return FailWithLastError() == 0;
  }
  do {
    const std::string name = Narrow(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(listing, &found));
  ::FindClose(listing);
  return true;
}

namespace {

// Waits for the mutex `name`, made when missing; its handle, or -1. The
// system releases it when the program ends, however it ends.
std::intptr_t TakeMutex(const std::wstring& name) {
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return -1;
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(mutex);
}

void GiveMutex(std::intptr_t handle) {
  if (handle == -1) return;
  const HANDLE mutex = reinterpret_cast<HANDLE>(handle);
  ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
}

// The mutex of the folder `dir`, by its identity: one for all its names.
std::wstring FolderMutexName(const std::string& dir, const wchar_t* kind) {
  FileId id;
  if (!IdentifyPath(dir, id)) return L"";
  return std::wstring(L"Local\\quorlix-") + kind + L"-" + std::to_wstring(id.volume) + L"-" +
         std::to_wstring(id.index);
}

}  // namespace

// A directory cannot be locked on Windows: a mutex named after the
// folder's identity stands in.
FolderLock::FolderLock(const std::string& dir) {
  const std::wstring name = FolderMutexName(dir, L"folder");
  if (!name.empty()) handle_ = TakeMutex(name);
}

FolderLock::~FolderLock() { GiveMutex(handle_); }

// The folder's identity and the file's name in one case: every name of
// the file (relative, full, in other capitals) finds the same mutex.
WritersLock::WritersLock(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::wstring name = FolderMutexName(dir, L"file");
  if (name.empty()) return;
  name += L"-" + Utf16(FoldNameCase(path.substr(slash + 1)));
  handle_ = TakeMutex(name);
}

WritersLock::~WritersLock() { GiveMutex(handle_); }

int Close(int fd) { return ::_close(fd); }

std::int64_t Write(int fd, const void* data, std::size_t size) {
  return ::_write(fd, data, static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30)));
}

namespace {

bool InspectHandle(HANDLE handle, FileInfo& info) {
  info = FileInfo{};
  switch (::GetFileType(handle)) {
    case FILE_TYPE_PIPE: info.kind = FileKind::kPipe; return true;
    case FILE_TYPE_CHAR: info.kind = FileKind::kDevice; return true;
    case FILE_TYPE_DISK: break;
    default:
      if (::GetLastError() != NO_ERROR) return FailWithLastError() == 0;
      return true;
  }
  BY_HANDLE_FILE_INFORMATION data;
  if (!::GetFileInformationByHandle(handle, &data)) {
    // A file that tells nothing of itself (standard input redirected from
    // a file, under some consoles) is still read whole: to its end.
    info.kind = FileKind::kPipe;
    return true;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = FileKind::kDirectory;
  } else {
    info.kind = FileKind::kRegular;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return true;
}

}  // namespace

bool InspectPath(const std::string& path, FileInfo& info) {
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailWithLastError() == 0;
  const bool known = InspectHandle(handle, info);
  ::CloseHandle(handle);
  return known;
}

bool InspectFile(int fd, FileInfo& info) { return InspectHandle(HandleOf(fd), info); }

// A reparse point (a symbolic link or a junction) is the link itself.
bool InspectName(const std::string& path, FileInfo& info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
    return FailWithLastError() == 0;
  }
  info = FileInfo{};
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    info.kind = FileKind::kLink;
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = FileKind::kDirectory;
  } else {
    info.kind = FileKind::kRegular;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return true;
}

std::string FinalPathOf(HANDLE handle) {
  std::wstring name(MAX_PATH, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
  while (n >= name.size()) {  // the size needed, with the closing null
    name.resize(n);
    n = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
  }
  if (n == 0) return "";
  name.resize(n);
  if (name.starts_with(L"\\\\?\\UNC\\")) {
    name.replace(0, 8, L"\\\\");
  } else if (name.starts_with(L"\\\\?\\")) {
    name.erase(0, 4);
  }
  return Narrow(name);
}

std::string RealPath(const std::string& path) {
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "";
  std::string name = FinalPathOf(handle);
  ::CloseHandle(handle);
  return name;
}

std::int64_t FilePosition(int fd) { return ::_lseeki64(fd, 0, SEEK_CUR); }

void SetFilePosition(int fd, std::int64_t position) { ::_lseeki64(fd, position, SEEK_SET); }

bool IdentifyFile(int fd, FileId& id) { return IdentifyHandle(HandleOf(fd), id); }

bool IdentifyPath(const std::string& path, FileId& id) {
  // No access asked: a file another program holds is identified as well;
  // the flag lets folders be opened too.
  const HANDLE handle = ::CreateFileW(Widen(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = IdentifyHandle(handle, id);
  ::CloseHandle(handle);
  return known;
}

// While the view exists the file cannot be shortened: no page is ever lost.
const char* MapForReading(int fd, std::size_t size) {
  const HANDLE mapping = ::CreateFileMappingW(HandleOf(fd), nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return nullptr;
  void* const view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
  ::CloseHandle(mapping);  // the view keeps the mapping
  return static_cast<const char*>(view);
}

void UnmapFile(const char* data, std::size_t) { ::UnmapViewOfFile(data); }

void* MapPages(std::size_t size) {
  return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void UnmapPages(void* data, std::size_t) { ::VirtualFree(data, 0, MEM_RELEASE); }

// Large pages need a privilege ordinary users lack: small pages serve.
void AdviseHugePages(void*, std::size_t) {}
void ReleaseMappedPages(const char*, std::size_t) {}

// A socket file never shows as one here (InspectPath), so this is not reached.
int ConnectLocalSocket(const std::string&) {
  errno = ENOTSUP;
  return -1;
}

bool TextFilesEndLinesWithCrLf() { return true; }

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string HomeFolder() {
  const wchar_t* home = ::_wgetenv(L"USERPROFILE");
  return home ? Narrow(home) : "";
}

std::string AppDataFolder() {
  const wchar_t* folder = ::_wgetenv(L"APPDATA");
  return folder ? Narrow(folder) : "";
}

// The programs write UTF-8 and draw the progress bar with escape codes; the
// console shows both as such while they run.
void InitLocale() {
  const UINT before = ::GetConsoleOutputCP();
  if (before != 0 && before != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    g_console_output_code_page = before;
    std::atexit(&RestoreConsoleCodePage);
  }
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode;
  if (::GetConsoleMode(err, &mode)) {
    ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

std::string DesktopLanguage() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  const LCID id = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (::LCIDToLocaleName(id, name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return "";
  std::string language = Narrow(name);
  for (char& c : language) {
    if (c == '-') c = '_';
  }
  return language;
}

std::string SystemErrorText(int error_number) {
  const DWORD code =
      error_number == EIO && g_unmapped_error != 0 ? g_unmapped_error : SystemErrorOf(error_number);
  wchar_t* text = nullptr;
  if (code == 0 ||
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) == 0) {
    return std::strerror(error_number);
  }
  std::string message = Narrow(text);
  ::LocalFree(text);
  // One line, without the closing full stop: the messages go on after it.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

void UseBinaryStandardStreams() {
  for (int fd : {0, 1, 2}) ::_setmode(fd, _O_BINARY);
}

// A console, not just any character device: NUL is one too.
bool IsTerminal(int fd) {
  DWORD mode;
  return ::GetConsoleMode(HandleOf(fd), &mode) != 0;
}

// A process has one console.
bool SameTerminal(int, int) { return true; }

void RaiseOpenFileLimit() { ::_setmaxstdio(2048); }

}  // namespace quorlix::platform
