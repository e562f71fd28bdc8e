// The record an archive keeps of the one log it was made from, so that the
// next run after the log grew reads only the lines from the start of the
// last scene on (core/archive_resume.h). The record stands beside the
// manifest as ".quorlix-archive-resume" and holds:
// - what shaped the archive (settings, gap, load settings, the log's name
//   as given, the program's version), as one fingerprint;
// - the fingerprint of the manifest written with it: a record is trusted
//   only with the very manifest of the run that wrote it;
// - the log's size then, the fingerprint of its bytes before the last
//   scene, and where that scene starts (byte offset, raw line);
// - the last scene's first time and page name;
// - every scene before it as the indexes show it (times, lines, persons
//   with their lines), and every person met before it, spelt as met first.
// The record names no file to open or write: a damaged one is no record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/chat_state.h"
#include "core/log/scene_finder.h"

namespace quorlix {

// A fingerprint of bytes given piece by piece; the pieces do not matter,
// only the bytes. Four words at a time on four lanes, which the processor
// works on at once: a log of hundreds of megabytes is read through it.
class StreamFingerprint {
 public:
  void Add(std::string_view bytes);
  uint64_t Value() const;

 private:
  static constexpr std::size_t kBlock = 32;
  void AddBlocks(const char* data, std::size_t blocks);

  uint64_t lanes_[4] = {0x243f6a8885a308d3ULL, 0x13198a2e03707344ULL, 0xa4093822299f31d0ULL,
                        0x082efa98ec4e6c89ULL};
  uint64_t size_ = 0;
  char pending_[kBlock] = {};  // the bytes of a block not yet whole
  std::size_t pending_size_ = 0;
};

struct ArchiveRecord {
  uint64_t shape = 0;
  uint64_t manifest = 0;
  std::string log_file;
  uint64_t size = 0;       // of the log
  uint64_t prefix = 0;     // StreamFingerprint of the bytes before `offset`
  uint64_t offset = 0;     // where the last scene's first raw line starts
  int64_t raw_line = 0;    // that raw line's index (from 0)
  int64_t first_time = 0;  // of the last scene
  std::string page;        // the last scene's page
  SceneList prior;         // the scenes before it; names: the persons met before it
};

std::string FormatArchiveRecord(const ArchiveRecord& record);
// Nothing when `text` is no record of this kind or is damaged.
std::optional<ArchiveRecord> ParseArchiveRecord(std::string_view text);

// Where a record's log was taken up: the start of the bytes the state
// holds (the whole log, or what followed a record's last scene start).
struct RecordBase {
  uint64_t offset = 0;
  int64_t raw_line = 0;
  StreamFingerprint prefix;        // of the bytes before `offset`
  std::vector<std::string> names;  // persons met before `offset`
};

// The record of `scenes` (file order; the last one's lines are input lines
// of `state`, whose raw lines are the log's bytes from base.offset on) with
// each scene's page name in `pages`; shape, manifest, log_file and size are
// the caller's to fill. Nothing when there is no scene.
std::optional<ArchiveRecord> MakeArchiveRecord(const ChatState& state, const SceneList& scenes,
                                               const std::vector<std::string>& pages,
                                               const RecordBase& base);

}  // namespace quorlix
