// quorlix-cli --post-limit: the output cut into parts that each fit one
// forum post (core/post_parts.h), streamed as the lines come.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/line_sink.h"
#include "core/atomic_write.h"
#include "core/post_parts.h"

namespace quorlix::cli {

// The line that stands between two parts on standard output.
inline constexpr std::string_view kPartSeparator = "\f";

// Standard output: consecutive parts separated by a line holding a single
// form feed.
class PartStreamSink : public CommitSink {
 public:
  explicit PartStreamSink(std::uint64_t limit) : cutter_(limit) {}
  void AppendLine(std::string_view line) override;
  void Commit() override { out_.Commit(); }

 private:
  PostCutter cutter_;
  LineSink out_;
};

// The file of part `number` (from 1) for the -o name `path`: the number
// goes before the name's extension ("out.txt": "out-2.txt", "post":
// "post-2"; a leading dot starts no extension).
std::string PartFileName(const std::string& path, std::size_t number);

// One file per part. Every part is written through its own atomic writer
// and made ready, but none appears before Commit(), which puts them all in
// place; if any cannot be written, no part file of this run is left.
// Files of an earlier run are never removed, even those past this run's
// last part.
class PartFileSink : public CommitSink {
 public:
  // Creates the first part's temporary file, so that an unwritable place
  // fails at once. Throws quorlix::Error.
  PartFileSink(std::string path, std::uint64_t limit);
  ~PartFileSink() override;

  void AppendLine(std::string_view line) override;
  void Commit() override;

 private:
  void StartPart();
  void RemoveCommittedParts(std::size_t count) noexcept;

  std::string path_;
  PostCutter cutter_;
  std::vector<std::unique_ptr<AtomicFileWriter>> parts_;
};

}  // namespace quorlix::cli
