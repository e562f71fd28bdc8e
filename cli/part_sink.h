// quorlix-cli --post-limit: the output cut into parts that each fit one
// forum post (core/dialects/post_parts.h), streamed as the lines come.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cli/line_sink.h"
#include "core/dialects/post_parts.h"
#include "core/files/atomic_write.h"

namespace quorlix::cli {

// The line that stands between two parts on standard output.
inline constexpr std::string_view kPartSeparator = "\f";
// An output line that is a single form feed, as standard output writes it
// between parts: with a space after it.
inline constexpr std::string_view kSeparatorAsText = "\f ";

// At most so many part files: more would flood a folder, and a limit that
// small was hardly meant.
inline constexpr std::size_t kMaxPartFiles = 100000;

// Standard output, or a device, FIFO or socket named by -o: consecutive
// parts separated by a line holding a single form feed (kSeparatorAsText
// for such a line of the output).
class PartStreamSink : public CommitSink {
 public:
  explicit PartStreamSink(std::uint64_t limit) : cutter_(limit) {}
  // `path`: an existing device, FIFO or socket (LineSink(path)).
  PartStreamSink(const std::string& path, std::uint64_t limit) : cutter_(limit), out_(path) {}
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

// One file per part, each replaced as -o replaces its file (links
// followed, modes and owners kept, the same refusals). The parts wait in a
// private folder beside the first part, ".<name>.quorlix-tmp-XXXXXX", and
// none appears before Commit(), which puts them all in place and removes
// the numbered parts of an earlier, longer run: all or none. Should a
// rename fail, the parts already replaced get their old content back.
// A folder that a killed run left is removed by the next run to that name.
class PartFileSink : public CommitSink {
 public:
  // Creates the folder and the first part's file, so that an unwritable
  // place fails at once. Throws quorlix::Error; RefusedOutput for a part
  // that is one of `log_files` (IsTheLog) or the same file as an earlier part.
  PartFileSink(std::string path, std::uint64_t limit, std::vector<std::string> log_files = {});
  ~PartFileSink() override;

  void AppendLine(std::string_view line) override;
  void Commit() override;

 private:
  struct Part;

  void StartPart();
  void CheckSameFile(const std::string& name, const AtomicFileWriter& writer);
  std::vector<std::string> StaleParts() const;
  void RestoreParts(std::size_t count) noexcept;
  void RemoveFolder() noexcept;

  std::string path_;
  std::string folder_;  // the private folder; empty once removed
  int folder_fd_ = -1;  // holds the folder's in-use lock
  PostCutter cutter_;
  std::vector<std::string> log_files_;
  std::vector<Part> parts_;
  // The files the parts replace (FileKey), each with its part's index.
  std::unordered_map<std::string, std::size_t> targets_;
};

}  // namespace quorlix::cli
