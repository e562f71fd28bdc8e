// Replacing a file so that it is always either wholly old or wholly new:
// every file Quorlix writes (config.cfg, saved output, quorlix-cli -o) goes
// through here. The new content goes to a fresh temporary file in the same
// directory, which is flushed, synced and renamed over the target; on any
// failure the temporary file is removed and the target is left untouched.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorlix {

// Streams the new content of `target`; nothing is visible at `target`
// until Commit() succeeds. Destroying it uncommitted discards the content.
// The temporary file is named ".<target name>.quorlix-tmp-XXXXXX"; it gets
// the permission bits of the old target (never setuid, setgid or sticky),
// or 0666 less the umask for a new one, and the old target's owner and
// group as far as the user may set them. A symbolic link at `target` is
// followed: the file it names is replaced, in that file's directory, and
// the link stays; but not a loop of links, nor a link in a sticky,
// world-writable directory that belongs neither to the user nor to the
// directory's owner (the rule the system applies when opening one). A
// directory, a file the user may not write (for root: one with no write bit
// at all) and a file with further hard links (which a replacement would
// part from it) are refused.
// Before it creates its own, the writer removes the temporary files of the
// same target that a killed writer left (names of exactly that pattern, not
// in use by a live writer).
// On Windows there are no permission bits or owners to keep, a link at
// `target` is replaced itself, and a read-only file is write-protected.
class AtomicFileWriter {
 public:
  // Creates the temporary file; throws quorlix::Error naming `target` and
  // the system's reason when it cannot.
  explicit AtomicFileWriter(std::string target);
  // The same with the temporary file at `temp_path`, a new name on the
  // target's file system that the caller keeps from other writers and
  // clears up after a crash; no lock is held and no earlier file removed.
  AtomicFileWriter(std::string target, std::string temp_path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Buffered; throws quorlix::Error on a failed write.
  void Write(std::string_view bytes);
  // Flushes, syncs and closes the new content without putting it in place,
  // so that several files can be made ready before any of them appears;
  // Commit() then only renames. The temporary file stays marked as in use.
  // Throws quorlix::Error (and discards the content) on failure.
  // `sync` false: the caller makes the content durable before Commit(),
  // for many files at once with one syncfs() on their file system.
  void Finish(bool sync = true);
  // Finishes (unless done), renames over the target and syncs the
  // directory; throws quorlix::Error (and leaves the target as it was) on
  // failure. After a failure the writer is spent: further calls throw.
  // Writers of many files in one directory may leave the directory to one
  // SyncDirectoryOf() after the last.
  void Commit(bool sync_directory = true);

  // The name as given, and the file that Commit() replaces (links resolved).
  const std::string& target() const { return target_; }
  const std::string& resolved_target() const { return resolved_; }
  // The temporary file while it exists, else empty.
  const std::string& temp_path() const { return temp_path_; }

 private:
  class Syncer;
  void Flush();
  void WriteAll(std::string_view bytes);
  void RequestSync() noexcept;
  [[noreturn]] void Fail(int error_number);
  void Discard() noexcept;
  void ReleaseLock() noexcept;
  void CreateLockedTempFile(mode_t create_mode);

  std::string target_;
  std::string resolved_;
  std::string temp_path_;
  int fd_ = -1;
  int lock_fd_ = -1;  // a second descriptor that holds the in-use lock
  std::string buffer_;
  uint64_t written_ = 0;         // bytes in the temporary file
  uint64_t writeback_from_ = 0;  // where the writing to disk not yet asked for begins
  bool finished_ = false;
  bool committed_ = false;
  std::unique_ptr<Syncer> syncer_;  // started once the file is large
  bool syncer_failed_ = false;
};

// The folder part of `path` ("." when it has none, "/" for the root) and
// the name after its last separator: '/' and, on Windows, also '\\' and the
// colon of a drive ("C:x.txt" is x.txt in "C:.", drive C's current folder).
std::string DirectoryOf(const std::string& path);
std::string NameOf(const std::string& path);

// Makes the renames into the directory of `path` durable. A failure is not
// reported: the new content is in place by then, and after a crash each
// target holds either its old or its new content, both whole.
void SyncDirectoryOf(const std::string& path) noexcept;

// Writes `content` to `path` in one atomic replacement.
void WriteFileAtomically(const std::string& path, std::string_view content);

// The system calls the writer makes, one table for the process. Only tests
// replace entries, to make a chosen call fail; restore the defaults after.
// On Windows the defaults are Windows' own calls with these results: open
// makes a new file, fsync flushes it, rename moves it over the target;
// link makes a copy where the drive has no second names, and syncfs
// flushes every file in the folder of its descriptor.
struct AtomicWriteCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* data, size_t size);
  int (*fchmod)(int fd, mode_t mode);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
  int (*link)(const char* from, const char* to);
  int (*syncfs)(int fd);

  static AtomicWriteCalls Defaults();
};
AtomicWriteCalls& CurrentAtomicWriteCalls();
// The flags for AtomicWriteCalls::open of a new file, written only, that
// must not exist yet.
extern const int kNewFileFlags;

}  // namespace quorlix
