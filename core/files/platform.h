// What differs between the systems Quorlix runs on, in one place: opening,
// reading and syncing files, their identity, locks, mappings, the program's
// and the user's folders, the user's language and the system's error texts.
// The build compiles platform_posix.cc or platform_windows.cc; nothing else
// in the engine, the settings or quorlix-cli asks which system it runs on.
//
// Descriptors are the C runtime's, always in binary mode; paths are UTF-8.
// Functions returning int give 0 or an errno value unless said otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix::platform {

// A descriptor for reading `path`, not inherited by child programs, or -1
// with errno set. `nonblocking`: a FIFO without a writer does not hang.
int OpenForReading(const std::string& path, bool nonblocking = false);
// A descriptor for writing to an existing `path` (a device or a FIFO) or -1.
int OpenForWriting(const std::string& path);
// A new descriptor for the open descriptor of this process that `path`
// names as such (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N,
// /proc/<own id>/fd/N), sharing its file position and append mode; -1 with
// errno EBADF when that descriptor is not open. -2 when `path` is no such
// name (always, where the system has none).
int DuplicateNamedDescriptor(const std::string& path);
// A lock file: created if missing (0666 less the umask), never through a
// symbolic link; -1 with errno set on failure.
int OpenLockFile(const std::string& path);
// Waits for an exclusive lock on the file of `fd`, held until it is closed.
int LockExclusive(int fd);

// An exclusive lock for the writers of the file `path`, waited for and held
// while this lives: programs that rewrite one file take turns. Linux locks
// the lock file `path`.lock, which stays (were it removed, two writers
// could each lock a file of that name); Windows a mutex named after the
// file, so that nothing is left beside it. Where no lock can be had, none
// is held.
class WritersLock {
 public:
  explicit WritersLock(const std::string& path);
  ~WritersLock();
  WritersLock(const WritersLock&) = delete;
  WritersLock& operator=(const WritersLock&) = delete;

 private:
  std::intptr_t handle_ = -1;
};

// As pread and pwrite: at `offset`, the file position left alone. Returns
// the bytes moved, 0 at the end, or -1 with errno set.
std::int64_t ReadAt(int fd, void* data, std::size_t size, std::uint64_t offset);
std::int64_t WriteAt(int fd, const void* data, std::size_t size, std::uint64_t offset);
// The file's data on the disk, not just in caches.
int SyncFile(int fd);

// An unnamed file in `dir` for scratch data: gone when `fd` is closed or
// the program ends, however it ends. -1 with errno set on failure.
int CreateScratchFile(const std::string& dir);
// A folder only the user may enter; an existing one is no error.
int MakePrivateFolder(const std::string& path);
// A new folder for everyone the user's defaults let in; an existing one
// is no error.
int MakeFolder(const std::string& path);
// A new folder named `prefix` and six random letters or digits, only the
// user's, marked as in use until the returned descriptor is closed, so that
// RemoveAbandonedFolder() leaves it alone. Sets `path`; -1 with errno set
// on failure.
int CreateHeldFolder(const std::string& prefix, std::string& path);
// True when `path` is a folder of the user's that no live program holds
// (CreateHeldFolder), which a killed program left.
bool IsAbandonedFolder(const std::string& path) noexcept;
// Removes the folder `path` and the files in it when it is one of the
// user's that nobody holds (a killed program left it). Best effort.
void RemoveAbandonedFolder(const std::string& path) noexcept;
// Removes an empty folder: 0 or an errno value.
int RemoveFolder(const std::string& path);
// The names in the folder `dir`, "." and ".." left out; false with errno
// set when it cannot be read.
bool ListFolder(const std::string& dir, std::vector<std::string>& names);

// An exclusive lock on the folder `dir`, waited for and held while this
// lives: programs writing into one folder take turns. Where no lock can be
// had, none is held.
class FolderLock {
 public:
  explicit FolderLock(const std::string& dir);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  std::intptr_t handle_ = -1;
};

// As close and write: 0 or the bytes written, else -1 with errno set.
int Close(int fd);
std::int64_t Write(int fd, const void* data, std::size_t size);

// Closes the descriptor it holds (when not negative) as it goes.
class OwnedFd {
 public:
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() {
    if (fd_ >= 0) Close(fd_);
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// What a name or descriptor stands for, as far as reading and writing go:
// kDevice a character device (a terminal, NUL), kBlockDevice a disk.
enum class FileKind { kRegular, kDirectory, kPipe, kSocket, kDevice, kBlockDevice, kLink, kOther };
struct FileInfo {
  FileKind kind = FileKind::kOther;
  std::uint64_t size = 0;  // of a regular file
};
// False with errno set when there is no such file (links are followed).
bool InspectPath(const std::string& path, FileInfo& info);
bool InspectFile(int fd, FileInfo& info);
// As InspectPath, but a symbolic link at the end of `path` is not
// followed: it is kLink.
bool InspectName(const std::string& path, FileInfo& info);
// `name` as the file system compares names: in one case on Windows, where
// "DAY-7.TXT" and "day-7.txt" name one file; unchanged elsewhere.
std::string FoldNameCase(std::string_view name);
// True when `path` names a device Windows keeps in every folder (CON, PRN,
// AUX, COM1 to COM9, LPT1 to LPT9, in any case, with or without an
// extension) where output would be lost: every one but the null device
// NUL and, while the program writes to a console, that console (CON).
// Always false elsewhere, and for names in the device namespace ("\\.\").
bool IsLostDeviceName(const std::string& path);
// The full name of an existing `path`, links resolved; "" when unknown.
std::string RealPath(const std::string& path);
// The file position of `fd`, or -1 with errno set.
std::int64_t FilePosition(int fd);
void SetFilePosition(int fd, std::int64_t position);

// Equal for two names of one file, whatever the names.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};
bool IdentifyFile(int fd, FileId& id);
bool IdentifyPath(const std::string& path, FileId& id);

// A read-only view of the first `size` bytes of the file of `fd`, or null
// where the file cannot be mapped. The file need not stay open.
const char* MapForReading(int fd, std::size_t size);
void UnmapFile(const char* data, std::size_t size);
// Zeroed pages straight from the system (null when none), and the hint
// that [data, data + size) is worth huge pages.
void* MapPages(std::size_t size);
void UnmapPages(void* data, std::size_t size);
void AdviseHugePages(void* data, std::size_t size);
// The whole pages within [data, data + size) of a read-only view of a file
// (MapForReading) may leave memory; touched again, they are read back.
void ReleaseMappedPages(const char* data, std::size_t size);

// A descriptor connected to the local (Unix domain) socket `path`, or -1
// with errno set; where there are no such sockets, always -1.
int ConnectLocalSocket(const std::string& path);

// The running program's file, "" when unknown.
std::string ProgramPath();
// The user's home folder, "" when unknown.
std::string HomeFolder();
// Where a program keeps its per-user settings on this system when that is
// not under the home folder (%APPDATA% on Windows); "" elsewhere.
std::string AppDataFolder();

// Whether the system's editors expect text files (settings) with CR LF
// line ends: on Windows, not elsewhere.
bool TextFilesEndLinesWithCrLf();

// Sets the C library's character set and message language from the
// environment, so that SystemErrorText speaks the user's language.
void InitLocale();
// The locale name the user's desktop language stands for ("de_DE"), used
// when the environment names none; "" where only the environment counts.
std::string DesktopLanguage();
// The system's text for an errno value, in the user's language.
std::string SystemErrorText(int error_number);

// Standard input, output and error pass bytes through unchanged.
void UseBinaryStandardStreams();
bool IsTerminal(int fd);
// Whether two terminal descriptors show on the same terminal (true when
// that cannot be told).
bool SameTerminal(int fd, int other_fd);
// Lifts the limit on open files to the most allowed, where there is one.
void RaiseOpenFileLimit();

}  // namespace quorlix::platform
