// A text file's bytes, held once, and the span of each of its lines.
// A line ends at CR LF, LF or a lone CR; a line break at the very end of
// the file makes no extra line. Lines are held whole, whatever their length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorlix {

// Where a line of several logs merged into one store came from: the log's
// place in the list (from 1) and the line's number in that log (from 1).
struct LineOrigin {
  int log = 0;
  int64_t line = 0;
};

class LineStore {
 public:
  LineStore();
  ~LineStore();
  LineStore(LineStore&&) noexcept;
  LineStore& operator=(LineStore&&) noexcept;

  // Takes the bytes of a whole file and splits them into lines.
  static LineStore FromBytes(std::string bytes);
  // Reads a file as bytes: a regular file up to the size it had when it
  // was opened (what it grows by meanwhile is left out), a pipe, FIFO or
  // socket to its end. Throws quorlix::Error when it cannot:
  // "Cannot open file <path>. <reason>" (translated), or a message that
  // `path` is a directory, or a device or other file with no end.
  static LineStore ReadFile(const std::string& path);
  // Like ReadFile(), but a regular file of a megabyte or more is mapped
  // read-only instead of read: no copy of bytes that the page cache holds
  // already. The mapping covers the file as it was at open. Should another
  // program shorten the file while the store lives, touching a lost page
  // raises SIGBUS: `guard` gets the mapped bytes before any of them is
  // touched, so that the caller can tell that fault from others.
  static LineStore MapFile(const std::string& path,
                           const std::function<void(std::string_view)>& guard);
  // The same from an open descriptor, from its current offset; `name`
  // stands for it in messages. The descriptor stays open.
  static LineStore ReadDescriptor(int fd, const std::string& name);

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : NextLineStart(ends_[i - 1]);
    return std::string_view(bytes_.data() + begin, (ends_[i] >> 1) - begin);
  }
  // All bytes of the file, line breaks included.
  std::string_view bytes() const { return bytes_; }

  // Lets the bytes before line `i` of a mapped file leave memory (they are
  // read back when touched): a pass that goes over the lines once keeps
  // only what it has not passed yet. Nothing happens for bytes read.
  void ReleaseBefore(std::size_t i);

  // The lines of a merge of several logs know their origin; a store read
  // from one file has none, and its line i is line i + 1 of that file.
  bool has_origins() const { return !origins_.empty(); }
  LineOrigin origin(std::size_t i) const {
    if (origins_.empty()) return LineOrigin{0, static_cast<int64_t>(i) + 1};
    return LineOrigin{static_cast<int>(origins_[i] >> kLineBits),
                      static_cast<int64_t>(origins_[i] & ((uint64_t{1} << kLineBits) - 1))};
  }
  // One origin per line, in order, each as PackOrigin gives it.
  void SetOrigins(std::vector<uint64_t> packed) { origins_ = std::move(packed); }
  // `log` below 2^16, `line` below 2^48.
  static uint64_t PackOrigin(LineOrigin o) {
    return (static_cast<uint64_t>(o.log) << kLineBits) | static_cast<uint64_t>(o.line);
  }
  const std::vector<uint64_t>& packed_origins() const { return origins_; }

 private:
  class Storage;  // owns the bytes: the string given, the buffer read or the mapping
  explicit LineStore(std::unique_ptr<Storage> storage);  // holds the bytes, not yet split
  static LineStore ReadInHalves(int fd, std::int64_t offset, std::size_t size,
                                const std::string& name);
  // Splits the bytes into lines: a large text on two threads at once.
  void Split();
  void SplitInOneScan();
  // Appends the ends of the lines that the breaks in [begin, end) close,
  // a line starting at `begin`; the last line, if unclosed, is left out.
  static void SplitRange(std::string_view bytes, std::size_t begin, std::size_t end,
                         std::vector<uint64_t>& ends);
  void AddLastLine();
  // Each line's end as (offset << 1) | 1 when a CR LF follows it, | 0 when
  // a single byte or nothing does: eight bytes a line, for logs of any size.
  static std::size_t NextLineStart(uint64_t end) {
    return static_cast<std::size_t>((end >> 1) + 1 + (end & 1));
  }

  // The bytes never move while the store lives, also when the store itself
  // is moved: views into them (the input lines) stay valid.
  std::unique_ptr<Storage> storage_;
  std::string_view bytes_;
  std::vector<uint64_t> ends_;
  // (log << kLineBits) | line per line, or none: eight bytes a line.
  static constexpr int kLineBits = 48;
  std::vector<uint64_t> origins_;
};

}  // namespace quorlix
