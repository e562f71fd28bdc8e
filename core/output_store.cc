#include "core/output_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/translation.h"

namespace quorlix {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

[[noreturn]] void Fail(const std::string& dir, int error_number) {
  throw Error(
      FormatText(Tr("Cannot keep the output in %s. %s"), {dir, std::strerror(error_number)}));
}

}  // namespace

void LineSource::WriteLines(std::size_t first, std::size_t count,
                            const std::function<void(std::string_view)>& write) const {
  std::string line;
  for (std::size_t i = first; i < first + count; ++i) {
    ReadLine(i, line);
    line += "\r\n";
    write(line);
  }
}

std::size_t LineSource::LinesLength(std::size_t first, std::size_t count) const {
  std::size_t length = 0;
  for (std::size_t i = first; i < first + count; ++i) length += LineLength(i);
  return length;
}

std::size_t LineSource::LongestLine() const {
  std::size_t longest = 0;
  for (std::size_t i = 1; i < size(); ++i) {
    if (LineLength(i) > LineLength(longest)) longest = i;
  }
  return longest;
}

OutputStore::OutputStore(const std::string& dir, std::size_t expected_lines) : dir_(dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) Fail(dir, errno);
  std::string name = dir + "/output.quorlix-tmp-XXXXXX";
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) Fail(dir, errno);
  ::unlink(name.c_str());
  starts_.reserve(expected_lines + 1);
  pending_.reserve(kBufferBytes);
}

OutputStore::~OutputStore() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputStore::AppendLine(std::string_view line) {
  if (size() == 0 || line.size() > LineLength(longest_)) longest_ = size();
  pending_.append(line);
  pending_.append("\r\n");
  starts_.push_back(starts_.back() + line.size() + 2);
  if (pending_.size() >= kBufferBytes) Flush();
}

void OutputStore::AppendBlock(const LineBlock& block) {
  for (std::size_t k = 0; k < block.size(); ++k) {
    const std::size_t length = block.line(k).size();
    if (size() == 0 || length > LineLength(longest_)) longest_ = size();
    starts_.push_back(starts_.back() + length + 2);
  }
  pending_.append(block.bytes());
  if (pending_.size() >= kBufferBytes) Flush();
}

void OutputStore::Flush() const {
  if (pending_.empty()) return;
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::pwrite(fd_, pending_.data() + done, pending_.size() - done,
                               static_cast<off_t>(written_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(dir_, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  written_ += pending_.size();
  pending_.clear();
}

void OutputStore::ReadAt(std::uint64_t offset, char* data, std::size_t size) const {
  Flush();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(dir_, n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
}

void OutputStore::ReadLine(std::size_t i, std::string& out) const {
  out.resize(LineLength(i));
  ReadAt(starts_[i], out.data(), out.size());
}

void OutputStore::WriteLines(std::size_t first, std::size_t count,
                             const std::function<void(std::string_view)>& write) const {
  std::string buffer(kBufferBytes, '\0');
  std::uint64_t at = starts_[first];
  const std::uint64_t end = starts_[first + count];
  while (at < end) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, kBufferBytes));
    ReadAt(at, buffer.data(), n);
    write(std::string_view(buffer.data(), n));
    at += n;
  }
}

}  // namespace quorlix
