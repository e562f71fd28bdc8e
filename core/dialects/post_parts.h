// Cutting output lines into parts that each fit one forum post of at most
// `limit` bytes. A line counts its bytes plus 2 for its CR LF. Lines stay
// whole and a part takes them in order while they fit (greedy); a line
// that alone exceeds the limit forms a part by itself, flagged over the
// limit. A limit of 0 means one part; so does empty output (one empty
// part). The parts, joined in order, are exactly the output.
//
// Parts are ranges of line indices: nothing of the output is copied, and
// the lines may come from any source that tells a line's size by index
// (the converted lines, or the lines as the user edited them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// The bytes each line adds for its CR LF.
inline constexpr std::uint64_t kLineBreakBytes = 2;

struct PostPart {
  std::size_t first = 0;    // index of the part's first line
  std::size_t end = 0;      // one past its last line
  std::uint64_t bytes = 0;  // its lines' sizes plus kLineBreakBytes each
  bool over_limit = false;  // one line alone that exceeds the limit

  bool operator==(const PostPart&) const = default;
};

// The streaming form: takes line sizes one at a time, so a writer can
// start the next part as soon as a line does not fit.
class PostCutter {
 public:
  // Starts at line `first_line`, which opens a part.
  explicit PostCutter(std::uint64_t limit, std::size_t first_line = 0)
      : limit_(limit), current_{first_line, first_line, 0, false} {}

  // Adds the next line. When it does not fit the part being filled, that
  // part is returned, closed, and the line opens the next one.
  std::optional<PostPart> Add(std::size_t line_size);
  // The part being filled (after the last line: the last part).
  const PostPart& current() const { return current_; }

 private:
  std::uint64_t limit_;
  PostPart current_;
};

// All parts of `line_count` lines whose sizes `size_of(index)` tells.
template <typename SizeOfLine>
std::vector<PostPart> SplitIntoParts(std::size_t line_count, SizeOfLine&& size_of,
                                     std::uint64_t limit) {
  std::vector<PostPart> parts;
  PostCutter cutter(limit);
  for (std::size_t i = 0; i < line_count; ++i) {
    if (auto closed = cutter.Add(size_of(i))) parts.push_back(*closed);
  }
  parts.push_back(cutter.current());
  return parts;
}

std::vector<PostPart> SplitIntoParts(const std::vector<std::string>& lines, std::uint64_t limit);

// Brings `parts` (of the text before an edit) up to date after the edit
// replaced `removed` lines at line `first` by `inserted` lines; the result
// is what SplitIntoParts gives for the new text. It cuts again from the
// part before the edit only until a part starts at a line that began a
// part before the edit: from there the greedy cut repeats itself, so
// typing into a long output costs about one part's lines.
template <typename SizeOfLine>
void UpdateParts(std::vector<PostPart>& parts, std::size_t first, std::size_t removed,
                 std::size_t inserted, std::size_t line_count, SizeOfLine&& size_of,
                 std::uint64_t limit);

// The index of the part that holds line `line` (the last part for a line
// past the end). `parts` as SplitIntoParts gives them.
std::size_t PartOfLine(const std::vector<PostPart>& parts, std::size_t line);

namespace post_parts_detail {
// Replaces parts[from...] by `fresh` followed by the old parts from
// `resume` on (npos: none), whose lines moved by `inserted - removed`.
void Splice(std::vector<PostPart>& parts, std::size_t from, std::vector<PostPart>& fresh,
            std::size_t resume, std::size_t removed, std::size_t inserted);
// The index of the part (at or after `from`) that starts at `line`, or npos.
std::size_t PartStartingAt(const std::vector<PostPart>& parts, std::size_t from, std::size_t line);
}  // namespace post_parts_detail

template <typename SizeOfLine>
void UpdateParts(std::vector<PostPart>& parts, std::size_t first, std::size_t removed,
                 std::size_t inserted, std::size_t line_count, SizeOfLine&& size_of,
                 std::uint64_t limit) {
  using namespace post_parts_detail;
  if (parts.empty()) {
    parts = SplitIntoParts(line_count, size_of, limit);
    return;
  }
  // The part before the edit's may now take lines from the edited one.
  std::size_t from = PartOfLine(parts, first);
  if (from > 0) --from;
  std::vector<PostPart> fresh;
  PostCutter cutter(limit, parts[from].first);
  for (std::size_t i = parts[from].first; i < line_count; ++i) {
    auto closed = cutter.Add(size_of(i));
    if (!closed) continue;
    fresh.push_back(*closed);
    // Past the edit, a line that began a part before begins the same one.
    if (i >= first + inserted) {
      const std::size_t resume = PartStartingAt(parts, from + 1, i - inserted + removed);
      if (resume != std::string::npos) {
        Splice(parts, from, fresh, resume, removed, inserted);
        return;
      }
    }
  }
  fresh.push_back(cutter.current());
  Splice(parts, from, fresh, std::string::npos, removed, inserted);
}

// Reads a post limit written as decimal digits only; a number too large
// for 64 bits saturates (it cuts nothing anyway). Nullopt for anything
// else: empty, a sign, spaces, other characters.
std::optional<std::uint64_t> ParsePostLimit(std::string_view text);

}  // namespace quorlix
