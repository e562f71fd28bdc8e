// An archive of every scene of a log: a folder holding a web page per
// scene (core/page_writer.h, with links to the scenes before and after it
// and to the index) and two indexes (core/archive_pages.h), kept up to
// date by running it again on the same folder.
//
// A rerun writes only the pages whose scene changed (its lines, its
// neighbours, the options or the language), and the indexes when their
// text changed; it removes the pages of scenes that are gone. What the
// archive wrote is recorded in its manifest (core/archive_files.h): it
// never removes a file the manifest does not name, and refuses to write
// into a folder holding other files unless forced to. Every file is
// replaced atomically, and the manifest names a file before it is first
// written, so that a run stopped at any point leaves each file old or new
// and the next run finishes the job. The archive of one log also keeps a
// record that lets a rerun read only what the log gained
// (core/archive_resume.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/convert/converter.h"
#include "core/log/chat_state.h"
#include "core/log/loader.h"
#include "core/log/scene_finder.h"
#include "core/text/error.h"

namespace quorlix {

struct ArchiveRequest {
  std::string folder;     // made when missing (its parent must exist)
  std::string log_names;  // shown at the top of the indexes
  // The options and settings of each page (log_name titles the scene pages).
  ConvertOptions options;
  ConvertSettings settings;
  bool force = false;    // write into a folder holding files of others
  unsigned threads = 0;  // pages made at once; 0: one per processor thread
  // The one log file the lines were read from (as named; not merged, no
  // filter), the gap its scenes were found with and the load settings: the
  // archive then keeps a record that lets the next run read only what the
  // log gained (core/archive_resume.h). Empty: no record is kept.
  std::string log_file;
  int64_t gap_minutes = kDefaultSceneGapMinutes;
  LoadSettings load;
};

struct ArchiveResult {
  int64_t scenes = 0;
  int64_t written = 0;    // files written: pages and indexes
  int64_t unchanged = 0;  // pages left as they were
  int64_t removed = 0;    // pages of scenes that are gone
  bool stopped = false;   // the progress function asked to stop
  bool resumed = false;   // only what the log gained was read
};

// After each file: the files done and the files to write. Returning false
// stops the run after that file, leaving the folder as a stopped run does.
using ArchiveProgress = std::function<bool(int64_t done, int64_t total)>;

// The folder holds files the archive did not write; nothing was written.
class ForeignFilesError : public Error {
 public:
  ForeignFilesError(const std::string& message, std::vector<std::string> names)
      : Error(message), names_(std::move(names)) {}
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

// Writes the archive of `scenes` (found in `state`, whose person and
// channel filters apply to every page) into request.folder. Throws
// ForeignFilesError as said, and quorlix::Error when the folder is no
// folder, a file of the archive is a link or a folder, or a file cannot be
// written; the files written before stay, and the next run goes on.
ArchiveResult WriteArchive(const ChatState& state, const SceneList& scenes,
                           const ArchiveRequest& request, const ArchiveProgress& progress = {});

struct ArchiveRecord;
struct RecordBase;

// For ResumeArchive: the first record.prior.scenes.size() scenes of
// `scenes` are the record's, the others were found in `state`, which holds
// the log's bytes from base.offset on. Writes as WriteArchive does; nothing
// is written and nothing returned when the folder is not as the record
// says (the caller then makes the archive from the whole log).
std::optional<ArchiveResult> WriteResumedArchive(const ChatState& state, const SceneList& scenes,
                                                 const ArchiveRequest& request,
                                                 const ArchiveRecord& record,
                                                 const RecordBase& base,
                                                 const ArchiveProgress& progress = {});

// What shapes every file of the archive of `state` besides its lines.
uint64_t ArchiveShape(const ChatState& state, const ArchiveRequest& request);

}  // namespace quorlix
