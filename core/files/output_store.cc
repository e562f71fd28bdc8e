#include "core/files/output_store.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

[[noreturn]] void Fail(const std::string& dir, int error_number) {
  throw Error(FormatText(Tr("Cannot keep the output in %s. %s"),
                         {dir, platform::SystemErrorText(error_number)}));
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
  if (const int error = platform::MakePrivateFolder(dir)) Fail(dir, error);
  fd_ = platform::CreateScratchFile(dir);
  if (fd_ < 0) Fail(dir, errno);
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
    const std::int64_t n =
        platform::WriteAt(fd_, pending_.data() + done, pending_.size() - done, written_ + done);
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
    const std::int64_t n = platform::ReadAt(fd_, data + done, size - done, offset + done);
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
