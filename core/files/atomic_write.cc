// What the atomic writer does the same way on every system: the buffering,
// the syncing thread, finishing, committing and discarding. Creating the
// temporary file, the refusals and the system calls' defaults are in
// atomic_write_posix.cc and atomic_write_windows.cc.
#include "core/files/atomic_write.h"

#include <cerrno>

#include "core/files/atomic_write_system.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

// Writes smaller than this are gathered before they reach the file.
constexpr std::size_t kBufferSize = 64 * 1024;
// After so many new bytes the system is asked to start writing them to the
// disk, and the syncing thread to make them durable, so that the sync at
// Commit() waits only for the last few.
constexpr uint64_t kWritebackStep = 8 * 1024 * 1024;

}  // namespace

namespace atomic_write_system {

std::string TempNamePrefix(const std::string& target) {
  constexpr std::size_t kMaxNameInTempName = 200;
  std::string prefix = ".";  // appended, not "." + …: GCC 12 warns wrongly on that
  prefix += NameOf(target).substr(0, kMaxNameInTempName);
  prefix += ".quorlix-tmp-";
  return prefix;
}

bool IsTempNameOf(std::string_view name, std::string_view temp_name_prefix) {
  if (name.size() != temp_name_prefix.size() + kTempSuffixLength ||
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

}  // namespace atomic_write_system

AtomicWriteCalls& CurrentAtomicWriteCalls() {
  static AtomicWriteCalls calls = AtomicWriteCalls::Defaults();
  return calls;
}

AtomicFileWriter::AtomicFileWriter(std::string target)
    : AtomicFileWriter(std::move(target), std::string()) {}

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
    atomic_write_system::StartWriteback(fd_, writeback_from_, written_ - writeback_from_);
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
  // The in-use mark stays until the file is in place.
  if (sys.rename(temp_path_.c_str(), resolved_.c_str()) != 0) Fail(errno);
  temp_path_.clear();
  committed_ = true;
  ReleaseLock();
  if (sync_directory) SyncDirectoryOf(resolved_);
}

void AtomicFileWriter::Fail(int error_number) {
  Discard();
  throw Error(FormatText(Tr("Cannot write file %s. %s"),
                         {target_, platform::SystemErrorText(error_number)}));
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
  if (lock_fd_ >= 0) platform::Close(lock_fd_);
  lock_fd_ = -1;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace quorlix
