#include "core/archive/archive_writer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/archive/archive_files.h"
#include "core/archive/archive_pages.h"
#include "core/archive/archive_record.h"
#include "core/dialects/page_writer.h"
#include "core/files/atomic_write.h"
#include "core/files/platform.h"
#include "core/log/raw_line_numbers.h"
#include "core/text/translation.h"
#include "core/text/version.h"
#include "core/work/progress.h"

namespace quorlix {
namespace {

// The folder of a run's temporary files, inside the archive's folder so
// that each is renamed into place; a killed run's is removed by the next.
constexpr std::string_view kWorkPrefix = ".quorlix-archive-work-";
// Pages made, then made durable with one sync (which costs about as much
// for one file as for many), then renamed, at a time: so many files, or
// the files up to so many bytes.
constexpr std::size_t kBatchFiles = 1024;
constexpr std::size_t kBatchBytes = 64 << 20;
// A rerun writes a few files: each is synced on its own, so that the run
// does not wait for everything else the file system has to write.
constexpr std::size_t kFewFiles = 8;

// Output lines as a file holds them, each ended by CR LF.
class TextSink : public OutputSink {
 public:
  explicit TextSink(std::string& text) : text_(text) {}
  void AppendLine(std::string_view line) override { text_.append(line).append("\r\n"); }

 private:
  std::string& text_;
};

std::string InFolder(const std::string& folder, std::string_view name) {
  std::string path = folder;
  path.append("/").append(name);
  return path;
}

[[noreturn]] void ThrowSystem(const char* pattern, const std::string& name, int error) {
  throw Error(FormatText(pattern, {name, platform::SystemErrorText(error)}));
}

void PrepareFolder(const std::string& folder) {
  platform::FileInfo info;
  if (platform::InspectPath(folder, info)) {
    if (info.kind != platform::FileKind::kDirectory) {
      throw Error(FormatText(Tr("%s is not a folder; the archive is not written"), {folder}));
    }
    return;
  }
  if (errno != ENOENT) ThrowSystem(Tr("Cannot open folder %s. %s"), folder, errno);
  if (const int error = platform::MakeFolder(folder)) {
    ThrowSystem(Tr("Cannot make folder %s. %s"), folder, error);
  }
}

// The whole of a small file.
std::string ReadWholeFile(const std::string& path) {
  const platform::OwnedFd fd(platform::OpenForReading(path));
  if (fd.get() < 0) ThrowSystem(Tr("Cannot read file %s. %s"), path, errno);
  std::string text;
  char buffer[65536];
  for (;;) {
    const std::int64_t got = platform::ReadAt(fd.get(), buffer, sizeof buffer, text.size());
    if (got < 0) ThrowSystem(Tr("Cannot read file %s. %s"), path, errno);
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// The manifest's entries; none when there is no manifest. One that is
// not a manifest counts as a foreign file.
std::vector<ManifestEntry> ReadManifest(const std::string& folder, bool force) {
  const std::string path = InFolder(folder, kArchiveManifestName);
  platform::FileInfo info;
  if (!platform::InspectName(path, info)) return {};
  std::optional<std::vector<ManifestEntry>> entries;
  if (info.kind == platform::FileKind::kRegular) entries = ParseManifest(ReadWholeFile(path));
  if (entries) return std::move(*entries);
  if (force && info.kind == platform::FileKind::kRegular) return {};
  throw ForeignFilesError(
      FormatText(Tr("%s is not the record of an archive; the archive is not written"), {path}),
      {std::string(kArchiveManifestName)});
}

// Removes the work folders of killed runs; the names of all others.
std::vector<std::string> ListWithoutWorkFolders(const std::string& folder) {
  std::vector<std::string> names, kept;
  if (!platform::ListFolder(folder, names)) {
    ThrowSystem(Tr("Cannot open folder %s. %s"), folder, errno);
  }
  for (std::string& name : names) {
    if (name.size() == kWorkPrefix.size() + 6 && name.starts_with(kWorkPrefix)) {
      platform::RemoveAbandonedFolder(InFolder(folder, name));
    } else {
      kept.push_back(std::move(name));
    }
  }
  return kept;
}

// What every page is made with besides its scene: when it changes, every
// page is written again.
uint64_t SettingsSeed(const ChatState& state, const ArchiveRequest& request) {
  const ConvertOptions& o = request.options;
  std::string all = "archive 1\n" + GetExeVersion() + "\n" + CurrentLanguage() + "\n";
  for (const bool flag : {o.show_channel, o.channel_colors, o.show_time, o.mark_links,
                          o.delete_tags, state.filters.persons, state.filters.channels}) {
    all.push_back(flag ? '1' : '0');
  }
  all.append("\n").append(request.settings.time_pattern).append("\n");
  all.append(request.settings.log_name).append("\n");
  for (const std::string& definition : request.settings.color_definitions) {
    all.append(definition).append("\n");
  }
  for (const auto* list : {&state.persons, &state.channels}) {
    for (const ListEntry& entry : *list) {
      if (entry.selected) all.append(entry.name).append("\n");
    }
    all.append("\n");
  }
  return Fingerprint(all);
}

// What a scene's page shows besides the settings: its input lines with
// their place in the logs (the page's anchors), and its neighbours' names.
uint64_t SceneKey(const ChatState& state, const SceneInfo& scene, uint64_t seed,
                  std::string_view previous, std::string_view next) {
  uint64_t key = Fingerprint(previous, seed);
  key = Fingerprint(next, key);
  const std::vector<std::string_view>& input = state.input_lines();
  const int64_t last = std::min<int64_t>(scene.last_line, static_cast<int64_t>(input.size()) - 1);
  RawLineNumbers numbers(state.raw_lines());
  for (int64_t i = std::max<int64_t>(scene.first_line, 0); i <= last; ++i) {
    const std::string_view line = input[static_cast<std::size_t>(i)];
    const uint64_t origin = LineStore::PackOrigin(numbers.Of(line, static_cast<std::size_t>(i)));
    key = Fingerprint(line, key * 0x9e3779b97f4a7c15ULL + origin);
  }
  return key;
}

// The text of index.html or persons.html, which can be large: room for
// a little more than the file held before is taken at once.
std::string IndexText(const ArchiveContents& contents, bool index, const std::string& folder) {
  std::string text;
  platform::FileInfo info;
  if (platform::InspectName(InFolder(folder, index ? kArchiveIndexName : kArchivePersonsName),
                            info) &&
      info.kind == platform::FileKind::kRegular) {
    text.reserve(info.size + info.size / 16);
  }
  TextSink sink(text);
  if (index) {
    WriteArchiveIndex(contents, sink);
  } else {
    WriteArchivePersons(contents, sink);
  }
  return text;
}

// A file to write: a scene's page (made when written) or an index.
struct PlannedFile {
  std::string name;
  std::size_t position = 0;  // of the scene in the archive's order
  std::string text;          // an index's text
  bool page = false;
  uint64_t key = 0;
  std::size_t entry = 0;  // in the manifest while the run writes
};

// The run's folder of temporary files: removed at the end, whatever the end.
class WorkFolder {
 public:
  explicit WorkFolder(const std::string& folder) {
    fd_ = platform::CreateHeldFolder(InFolder(folder, kWorkPrefix), path_);
    if (fd_ < 0) ThrowSystem(Tr("Cannot write into folder %s. %s"), folder, errno);
  }
  ~WorkFolder() {
    platform::RemoveFolder(path_);
    platform::Close(fd_);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::string& path() const { return path_; }
  int fd() const { return fd_; }

 private:
  std::string path_;
  int fd_ = -1;
};

class ArchiveRun {
 public:
  ArchiveRun(const ChatState& state, const SceneList& scenes, const ArchiveRequest& request,
             const ArchiveRecord* record = nullptr, const RecordBase* base = nullptr)
      : state_(state),
        request_(request),
        record_(record),
        base_(base),
        folder_(request.folder),
        contents_{scenes, ScenesOldestFirst(scenes), {}, request.log_names} {
    std::vector<int64_t> first_times;
    for (const std::size_t k : contents_.order) first_times.push_back(scenes.scenes[k].first_time);
    names_ = ScenePageNames(first_times);
    contents_.pages.resize(scenes.scenes.size());
    for (std::size_t j = 0; j < names_.size(); ++j) contents_.pages[contents_.order[j]] = names_[j];
  }

  ArchiveResult Run(const ArchiveProgress& progress);
  bool declined() const { return declined_; }

 private:
  bool PriorInPlace(const std::vector<ManifestEntry>& old) const;
  void Plan(const std::vector<ManifestEntry>& old);
  void KeepRecord(const std::string& manifest_text) const;
  void Consider(std::string name, uint64_t key, PlannedFile file);
  std::string MakeFile(PlannedFile& file) const;
  bool WriteFiles(const ArchiveProgress& progress);
  std::vector<std::string> MakeFiles(std::size_t begin, std::size_t count, unsigned threads);
  void CommitBatch(std::vector<std::unique_ptr<AtomicFileWriter>>& batch, std::size_t first,
                   const WorkFolder& work, bool synced);

  const ChatState& state_;
  const ArchiveRequest& request_;
  const ArchiveRecord* const record_;  // of the scenes before the last one read
  const RecordBase* const base_;
  const std::string& folder_;
  ArchiveContents contents_;
  std::vector<std::string> names_;  // of the scenes' pages, in the archive's order
  std::unordered_map<std::string, std::optional<uint64_t>> old_keys_;
  std::vector<ManifestEntry> final_;    // the manifest after the run
  std::vector<ManifestEntry> interim_;  // the manifest while the run writes
  std::vector<PlannedFile> to_write_;
  ArchiveResult result_;
  bool declined_ = false;  // the folder is not as the record says
};

// Writes `file` unless the manifest holds its key and the file is there.
void ArchiveRun::Consider(std::string name, uint64_t key, PlannedFile file) {
  const std::string path = InFolder(folder_, name);
  platform::FileInfo info;
  const bool there = platform::InspectName(path, info);
  if (there && info.kind != platform::FileKind::kRegular) {
    throw Error(
        FormatText(Tr("%s is not a plain file; the archive writes nothing in its place"), {path}));
  }
  const auto old = old_keys_.find(name);
  const bool same = there && old != old_keys_.end() && old->second == key;
  final_.push_back(ManifestEntry{name, key});
  interim_.push_back(ManifestEntry{name, same ? std::optional<uint64_t>(key) : std::nullopt});
  if (same) {
    if (file.page) ++result_.unchanged;
    return;
  }
  file.name = std::move(name);
  file.key = key;
  file.entry = interim_.size() - 1;
  to_write_.push_back(std::move(file));
}

void ArchiveRun::Plan(const std::vector<ManifestEntry>& old) {
  // The indexes are made on threads of their own while the pages' keys
  // are worked out.
  const auto policy = request_.threads == 1 ? std::launch::deferred : std::launch::async;
  std::future<std::string> index_texts[] = {
      std::async(policy, [this] { return IndexText(contents_, true, folder_); }),
      std::async(policy, [this] { return IndexText(contents_, false, folder_); })};
  const uint64_t seed = SettingsSeed(state_, request_);
  const std::vector<SceneInfo>& scenes = contents_.scenes.scenes;
  // The record's scenes keep their pages: PriorInPlace saw them unchanged.
  const std::size_t prior = record_ != nullptr ? record_->prior.scenes.size() : 0;
  for (std::size_t j = 0; j < prior; ++j) {
    Consider(names_[j], *old_keys_.at(names_[j]), PlannedFile{{}, j, {}, /*page=*/true});
  }
  for (std::size_t j = prior; j < names_.size(); ++j) {
    const std::string_view previous = j > 0 ? std::string_view(names_[j - 1]) : "";
    const std::string_view next = j + 1 < names_.size() ? std::string_view(names_[j + 1]) : "";
    const uint64_t key = SceneKey(state_, scenes[contents_.order[j]], seed, previous, next);
    Consider(names_[j], key, PlannedFile{{}, j, {}, /*page=*/true});
  }
  // The indexes last: their links find the pages in place.
  for (const bool index : {true, false}) {
    std::string text = index_texts[index ? 0 : 1].get();
    const uint64_t key = Fingerprint(text);
    Consider(std::string(index ? kArchiveIndexName : kArchivePersonsName), key,
             PlannedFile{{}, 0, std::move(text), /*page=*/false});
  }
  // Pages of scenes that are gone stay named until they are removed.
  std::unordered_set<std::string_view> kept;
  for (const ManifestEntry& entry : final_) kept.insert(entry.name);
  for (const ManifestEntry& entry : old) {
    if (!kept.contains(entry.name)) interim_.push_back(entry);
  }
}

// Whether the pages of the record's scenes are those the record's run
// wrote: the manifest is that run's, each page is there under its known
// key, and the scenes read now all come after them with the last page's
// name unchanged (so no link of theirs changes).
bool ArchiveRun::PriorInPlace(const std::vector<ManifestEntry>& old) const {
  const std::size_t prior = record_->prior.scenes.size();
  if (Fingerprint(FormatManifest(old)) != record_->manifest || names_.size() <= prior ||
      names_[prior] != record_->page) {
    return false;
  }
  for (std::size_t j = 0; j < prior; ++j) {
    if (contents_.order[j] != j) return false;
    const auto entry = old_keys_.find(names_[j]);
    platform::FileInfo info;
    if (entry == old_keys_.end() || !entry->second ||
        !platform::InspectName(InFolder(folder_, names_[j]), info) ||
        info.kind != platform::FileKind::kRegular) {
      return false;
    }
  }
  return true;
}

// Writes the record that lets the next run read only what the log gained,
// or removes one that would not fit this archive.
void ArchiveRun::KeepRecord(const std::string& manifest_text) const {
  const std::string path = InFolder(folder_, kArchiveRecordName);
  platform::FileInfo info;
  const bool there = platform::InspectName(path, info);
  if (there && info.kind != platform::FileKind::kRegular) return;  // none of ours
  std::optional<ArchiveRecord> record;
  if (!request_.log_file.empty() && request_.log_file.find('\n') == std::string::npos &&
      !state_.filters.persons && !state_.filters.channels) {
    record = MakeArchiveRecord(state_, contents_.scenes, contents_.pages,
                               base_ != nullptr ? *base_ : RecordBase{});
  }
  if (!record) {
    if (there) CurrentAtomicWriteCalls().unlink(path.c_str());
    return;
  }
  record->shape = ArchiveShape(state_, request_);
  record->manifest = Fingerprint(manifest_text);
  record->log_file = request_.log_file;
  record->size = (base_ != nullptr ? base_->offset : 0) + state_.raw_lines().bytes().size();
  const std::string text = FormatArchiveRecord(*record);
  if (there && ReadWholeFile(path) == text) return;
  WriteFileAtomically(path, text);
}

// An index's text is handed over, not copied: it can be large.
std::string ArchiveRun::MakeFile(PlannedFile& file) const {
  if (!file.page) return std::move(file.text);
  const std::size_t j = file.position;
  PageNavigation navigation;
  navigation.index_href = kArchiveIndexName;
  navigation.index_text = ArchiveIndexWord();
  if (j > 0) navigation.previous_href = names_[j - 1];
  navigation.previous_text = PreviousSceneWords();
  if (j + 1 < names_.size()) navigation.next_href = names_[j + 1];
  navigation.next_text = NextSceneWords();
  std::string text;
  TextSink sink(text);
  SilentWorkingWindowFactory silent;
  WriteScenePage(state_, SceneToConvert(contents_.scenes.scenes[contents_.order[j]]),
                 request_.options, request_.settings, navigation, sink, silent);
  return text;
}

// Makes the finished files of `batch` (to_write_[first] onwards) durable
// with one sync (unless each was `synced`), renames each into place and
// records them, so that a run stopped later does not write them again.
void ArchiveRun::CommitBatch(std::vector<std::unique_ptr<AtomicFileWriter>>& batch,
                             std::size_t first, const WorkFolder& work, bool synced) {
  if (batch.empty()) return;
  if (!synced && CurrentAtomicWriteCalls().syncfs(work.fd()) != 0) {
    ThrowSystem(Tr("Cannot write into folder %s. %s"), folder_, errno);
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    batch[i]->Commit(/*sync_directory=*/false);
    ++result_.written;
    const PlannedFile& file = to_write_[first + i];
    interim_[file.entry].key = file.key;
  }
  batch.clear();
  const std::string manifest = InFolder(folder_, kArchiveManifestName);
  SyncDirectoryOf(manifest);
  WriteFileAtomically(manifest, FormatManifest(interim_));
}

// Makes the pages a few at a time on several threads, and writes them in
// batches. False when the progress function stopped the run: the files
// made until then are put in place, no other.
bool ArchiveRun::WriteFiles(const ArchiveProgress& progress) {
  WorkFolder work(folder_);
  const unsigned threads =
      std::max(1u, request_.threads != 0 ? request_.threads : std::thread::hardware_concurrency());
  const std::size_t at_once = 8 * static_cast<std::size_t>(threads);
  const int64_t total = static_cast<int64_t>(to_write_.size());
  const bool few = to_write_.size() <= kFewFiles;
  std::vector<std::unique_ptr<AtomicFileWriter>> batch;
  std::size_t batch_bytes = 0, batch_first = 0;
  int64_t made = 0;
  // The next few pages are made while these are written.
  auto make = [&](std::size_t begin) {
    const std::size_t count = std::min(at_once, to_write_.size() - begin);
    return std::async(std::launch::async,
                      [this, begin, count, threads] { return MakeFiles(begin, count, threads); });
  };
  std::future<std::vector<std::string>> next = make(0);
  for (std::size_t begin = 0; begin < to_write_.size(); begin += at_once) {
    std::vector<std::string> texts = next.get();
    if (begin + at_once < to_write_.size()) next = make(begin + at_once);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      auto writer =
          std::make_unique<AtomicFileWriter>(InFolder(folder_, to_write_[begin + i].name),
                                             InFolder(work.path(), std::to_string(batch.size())));
      writer->Write(texts[i]);
      writer->Finish(/*sync=*/few);
      batch_bytes += texts[i].size();
      std::string().swap(texts[i]);
      batch.push_back(std::move(writer));
      if (progress && !progress(++made, total)) {
        CommitBatch(batch, batch_first, work, few);
        return false;
      }
    }
    if (batch.size() >= kBatchFiles || batch_bytes >= kBatchBytes) {
      CommitBatch(batch, batch_first, work, few);
      batch_first = begin + texts.size();
      batch_bytes = 0;
    }
  }
  CommitBatch(batch, batch_first, work, few);
  return true;
}

// The texts of to_write_[begin, begin + count), made on `threads` threads.
std::vector<std::string> ArchiveRun::MakeFiles(std::size_t begin, std::size_t count,
                                               unsigned threads) {
  std::vector<std::string> texts(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  auto make = [&] {
    for (std::size_t i; !failed && (i = next++) < count;) {
      try {
        texts[i] = MakeFile(to_write_[begin + i]);
      } catch (...) {
        if (!failed.exchange(true)) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < std::min<std::size_t>(threads, count); ++t) helpers.emplace_back(make);
  make();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  return texts;
}

ArchiveResult ArchiveRun::Run(const ArchiveProgress& progress) {
  result_.scenes = static_cast<int64_t>(names_.size());
  PrepareFolder(folder_);
  // Runs into one folder take turns.
  const platform::FolderLock turn(folder_);
  const std::vector<std::string> names = ListWithoutWorkFolders(folder_);
  const std::vector<ManifestEntry> old = ReadManifest(folder_, request_.force);
  std::vector<std::string> foreign = ForeignFiles(names, old);
  if (!foreign.empty() && !request_.force) {
    std::sort(foreign.begin(), foreign.end());
    std::string shown;
    for (std::size_t i = 0; i < foreign.size() && i < 3; ++i) {
      shown.append(i > 0 ? ", " : "").append(foreign[i]);
    }
    if (foreign.size() > 3) shown.append(", \u2026");
    throw ForeignFilesError(
        FormatText(Tr("Folder %s holds files that are not of the archive (%s); the archive is "
                      "not written"),
                   {folder_, shown}),
        std::move(foreign));
  }
  for (const ManifestEntry& entry : old) old_keys_[entry.name] = entry.key;
  if (record_ != nullptr && !PriorInPlace(old)) {
    declined_ = true;
    return result_;
  }
  Plan(old);
  const std::string manifest = InFolder(folder_, kArchiveManifestName);
  const std::string final_text = FormatManifest(final_);
  const bool nothing_to_remove = interim_.size() == final_.size();
  if (to_write_.empty() && nothing_to_remove) {
    if (final_text != FormatManifest(old)) WriteFileAtomically(manifest, final_text);
    KeepRecord(final_text);
    return result_;
  }
  // Every file this run may leave is named before it is written.
  WriteFileAtomically(manifest, FormatManifest(interim_));
  if (!WriteFiles(progress)) {
    SyncDirectoryOf(manifest);
    result_.stopped = true;
    return result_;
  }
  for (std::size_t i = final_.size(); i < interim_.size(); ++i) {
    const std::string path = InFolder(folder_, interim_[i].name);
    platform::FileInfo info;
    if (platform::InspectName(path, info) && info.kind == platform::FileKind::kRegular &&
        CurrentAtomicWriteCalls().unlink(path.c_str()) == 0) {
      ++result_.removed;
    }
  }
  SyncDirectoryOf(manifest);
  WriteFileAtomically(manifest, final_text);
  KeepRecord(final_text);
  return result_;
}

}  // namespace

ArchiveResult WriteArchive(const ChatState& state, const SceneList& scenes,
                           const ArchiveRequest& request, const ArchiveProgress& progress) {
  ArchiveRun run(state, scenes, request);
  return run.Run(progress);
}

std::optional<ArchiveResult> WriteResumedArchive(const ChatState& state, const SceneList& scenes,
                                                 const ArchiveRequest& request,
                                                 const ArchiveRecord& record,
                                                 const RecordBase& base,
                                                 const ArchiveProgress& progress) {
  ArchiveRun run(state, scenes, request, &record, &base);
  ArchiveResult result = run.Run(progress);
  if (run.declined()) return std::nullopt;
  result.resumed = true;
  return result;
}

uint64_t ArchiveShape(const ChatState& state, const ArchiveRequest& request) {
  const std::string shape = "resume 1\n" + std::to_string(request.gap_minutes) + "\n" +
                            (request.load.suppress_bot_lines ? "1\n" : "0\n") + request.load.depth +
                            "\n" + request.log_file + "\n" + request.log_names + "\n";
  return Fingerprint(shape, SettingsSeed(state, request));
}

}  // namespace quorlix
