#include "core/archive/archive_resume.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/archive/archive_files.h"
#include "core/archive/archive_record.h"
#include "core/files/platform.h"
#include "core/files/small_file.h"
#include "core/text/error.h"
#include "core/text/text_util.h"

namespace quorlix {
namespace {

// A record larger than this is no record of ours.
constexpr uint64_t kMostRecordBytes = uint64_t{1} << 30;

std::optional<ArchiveRecord> ReadRecord(const std::string& folder) {
  std::string text;
  if (!ReadSmallFile(folder + "/" + std::string(kArchiveRecordName), kMostRecordBytes, text)) {
    return std::nullopt;
  }
  return ParseArchiveRecord(text);
}

// The log's bytes from the record's offset on, when the log is a plain file
// at least as large as then whose bytes before the offset are unchanged;
// `base` gets the fingerprint of those.
std::optional<std::string> ReadTail(const ArchiveRecord& record, RecordBase& base) {
  const platform::OwnedFd fd(platform::OpenForReading(record.log_file));
  platform::FileInfo info;
  if (fd.get() < 0 || !platform::InspectFile(fd.get(), info) ||
      info.kind != platform::FileKind::kRegular || info.size < record.size) {
    return std::nullopt;
  }
  std::string tail;
  tail.reserve(static_cast<std::size_t>(info.size - record.offset));
  std::string buffer(1 << 20, '\0');
  char before = '\0';  // the byte before the offset
  for (uint64_t at = 0; at < info.size;) {
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(
        buffer.size(), at < record.offset ? record.offset - at : info.size - at));
    const std::int64_t n = platform::ReadAt(fd.get(), buffer.data(), want, at);
    if (n <= 0) return std::nullopt;
    const std::string_view piece(buffer.data(), static_cast<std::size_t>(n));
    if (at < record.offset) {
      base.prefix.Add(piece);
      before = piece.back();
    } else {
      tail.append(piece);
    }
    at += static_cast<uint64_t>(n);
  }
  // A line break cut in two (CR here, LF there) would move every line.
  if (base.prefix.Value() != record.prefix || (before == '\r' && tail.starts_with('\n'))) {
    return std::nullopt;
  }
  return tail;
}

// The record's scenes, then those of `tail` with their persons numbered
// among the record's (each name spelt as met first).
SceneList Merge(const SceneList& prior, const SceneList& tail) {
  SceneList all = prior;
  std::unordered_map<std::string, std::size_t> known;
  for (std::size_t i = 0; i < all.names.size(); ++i) {
    std::string key = all.names[i];
    AsciiLowerInPlace(key);
    known.emplace(std::move(key), i);
  }
  std::vector<std::size_t> number(tail.names.size());
  for (std::size_t i = 0; i < tail.names.size(); ++i) {
    std::string key = tail.names[i];
    AsciiLowerInPlace(key);
    const auto [at, added] = known.emplace(std::move(key), all.names.size());
    if (added) all.names.push_back(tail.names[i]);
    number[i] = at->second;
  }
  for (std::size_t k = 0; k < tail.scenes.size(); ++k) {
    SceneInfo scene = tail.scenes[k];
    scene.persons_begin = all.persons.size();
    for (const ScenePerson& person : tail.PersonsOf(k)) {
      all.persons.push_back(ScenePerson{number[person.name], person.lines});
    }
    scene.persons_end = all.persons.size();
    all.scenes.push_back(scene);
  }
  return all;
}

}  // namespace

std::optional<ArchiveResult> ResumeArchive(const ArchiveRequest& request,
                                           const ConversionRequest& conversion,
                                           const ArchiveProgress& progress,
                                           const PassThreads& threads) {
  if (request.log_file.empty() || !(conversion.selection == Selection{})) return std::nullopt;
  std::optional<ArchiveRecord> record = ReadRecord(request.folder);
  if (!record || record->log_file != request.log_file) return std::nullopt;
  RecordBase base;
  base.offset = record->offset;
  base.raw_line = record->raw_line;
  std::optional<std::string> bytes = ReadTail(*record, base);
  if (!bytes) return std::nullopt;
  LineStore lines = LineStore::FromBytes(std::move(*bytes));
  // The lines keep their numbers in the log, as the pages' anchors show.
  std::vector<uint64_t> origins(lines.size());
  for (std::size_t i = 0; i < origins.size(); ++i) {
    origins[i] =
        LineStore::PackOrigin(LineOrigin{0, record->raw_line + 1 + static_cast<int64_t>(i)});
  }
  lines.SetOrigins(std::move(origins));
  SilentWorkingWindowFactory silent;
  std::optional<LoadedLog> log;
  try {
    log = LoadedLog::Load(std::move(lines), conversion, request.load, silent, threads);
  } catch (const Error&) {
    return std::nullopt;  // the whole log's load tells where
  }
  const ChatState& state = log->state();
  if (ArchiveShape(state, request) != record->shape) return std::nullopt;
  const SceneList tail = FindScenes(state, request.gap_minutes);
  if (tail.scenes.empty() || tail.scenes.front().first_time != record->first_time) {
    return std::nullopt;
  }
  int64_t latest = INT64_MIN;
  for (const SceneInfo& scene : record->prior.scenes) latest = std::max(latest, scene.first_time);
  for (const SceneInfo& scene : tail.scenes) {
    if (scene.first_time < latest) return std::nullopt;
  }
  base.names = record->prior.names;
  const SceneList all = Merge(record->prior, tail);
  return WriteResumedArchive(state, all, request, *record, base, progress);
}

}  // namespace quorlix
