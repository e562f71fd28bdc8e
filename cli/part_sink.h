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
#include "core/files/part_record.h"  // PartFileName

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

// One file per part, each replaced as -o replaces its file (links
// followed, modes and owners kept, the same refusals). The parts wait in a
// private folder beside the first part, ".<name>.quorlix-parts-XXXXXX", and
// none appears before Commit(), which puts them all in place and removes
// the parts of an earlier, longer set that this program wrote, as its
// record tells (core/part_record.h): all or none. Should a rename fail,
// the parts already replaced get their old content back; should the run be
// killed while it renames, the next run to that name finishes the switch
// before anything else, and removes the folders of runs killed earlier.
class PartFileSink : public CommitSink {
 public:
  // Creates the folder and the first part's file, so that an unwritable
  // place fails at once. Throws quorlix::Error; RefusedOutput for a part
  // that is one of `log_files` (IsTheLog) or the same file as an earlier
  // part, and for a `path` that names a folder ("/", "..", "out/") or lies
  // in /dev or /proc.
  PartFileSink(std::string path, std::uint64_t limit, std::vector<std::string> log_files = {});
  ~PartFileSink() override;

  void AppendLine(std::string_view line) override;
  void Commit() override;

 private:
  struct Part;

  void StartPart();
  void CheckSameFile(const std::string& name, const AtomicFileWriter& writer);
  void WriteFolderFile(std::string_view name, std::string_view content, bool sync);
  bool IsTheLogFile(const std::string& name) const;
  // The log that `name` is, or null.
  const std::string* LogFileNamed(const std::string& name) const;
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
