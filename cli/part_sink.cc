#include "cli/part_sink.h"

#include <cerrno>
#include <cstdio>

#include "cli/signal_cleanup.h"
#include "core/files/atomic_write.h"
#include "core/files/output_target.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

// `path` as the name the parts are numbered after: a file's name, in a
// folder where files are made.
void CheckPartBaseName(const std::string& path) {
  const std::string name = NameOf(path);
  platform::FileInfo info;
  if (name.empty() || name == "." || name == ".." ||
      (platform::InspectPath(path, info) && info.kind == platform::FileKind::kDirectory)) {
    throw RefusedOutput(FormatText(
        Tr("%s is a folder; part files need a file name such as out.txt to number"), {path}));
  }
  const std::string real_dir = platform::RealPath(DirectoryOf(path));
  for (const std::string system : {"/dev", "/proc"}) {
    if (real_dir == system || real_dir.starts_with(system + "/")) {
      throw RefusedOutput(FormatText(Tr("Part files are not made in %s"), {real_dir}));
    }
  }
}

// A note on standard error; the control bytes of file names reach the
// terminal as "?".
void PrintNote(std::string note) {
  for (char& c : note) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  std::fprintf(stderr, "quorlix-cli: %s\n", note.c_str());
}

// What two names of one file have in common: the identity of an existing
// file, the full name of one yet to be made.
std::string FileKey(const std::string& resolved) {
  platform::FileId id;
  if (platform::IdentifyPath(resolved, id)) {
    return std::to_string(id.volume) + ":" + std::to_string(id.index);
  }
  const std::string real_dir = platform::RealPath(DirectoryOf(resolved));
  std::string key = "name:";
  key += !real_dir.empty() ? real_dir : DirectoryOf(resolved);
  key += '/';
  key += NameOf(resolved);
  return key;
}

[[noreturn]] void ThrowCannotWrite(const std::string& name, int error) {
  throw Error(FormatText(Tr("Cannot write file %s. %s"), {name, platform::SystemErrorText(error)}));
}

}  // namespace

// A part's writer and, while Commit() runs, the old content of its target.
struct PartFileSink::Part {
  enum class Old { kNone, kSaved, kNotSaved };
  std::unique_ptr<AtomicFileWriter> writer;
  Old old = Old::kNone;
  std::string saved;  // a hard link to the old content, in the folder
};

void PartStreamSink::AppendLine(std::string_view line) {
  // A line of the output that looks like the separator gets a space, so
  // that it cannot be read as one.
  const bool like_separator = line == kPartSeparator;
  if (cutter_.Add(line.size() + (like_separator ? 1 : 0))) out_.AppendLine(kPartSeparator);
  if (like_separator) {
    out_.AppendLine(kSeparatorAsText);
  } else {
    out_.AppendLine(line);
  }
}

PartFileSink::PartFileSink(std::string path, std::uint64_t limit,
                           std::vector<std::string> log_files)
    : path_(std::move(path)), cutter_(limit), log_files_(std::move(log_files)) {
  CheckPartBaseName(path_);
  {
    // A switch that a killed run left half done is finished first.
    const platform::FolderLock turn(DirectoryOf(path_));
    const auto keep = [this](const std::string& name) { return IsTheLogFile(name); };
    for (const std::string& note : FinishAbandonedSwitches(path_, keep)) PrintNote(note);
  }
  const SignalHold hold;
  folder_fd_ = platform::CreateHeldFolder(PartFolderPrefix(path_), folder_);
  if (folder_fd_ < 0) ThrowCannotWrite(path_, errno);
  ArmSignalCleanup(folder_, /*directory=*/true);
  StartPart();
}

PartFileSink::~PartFileSink() {
  const SignalHold hold;
  parts_.clear();  // uncommitted writers remove their temporary files
  RemoveFolder();
  DisarmSignalCleanup();
}

void PartFileSink::StartPart() {
  if (parts_.size() >= kMaxPartFiles) {
    throw Error(FormatText(Tr("The output needs more than %s part files; choose a larger "
                              "--post-limit"),
                           {std::to_string(kMaxPartFiles)}));
  }
  if (!parts_.empty()) parts_.back().writer->Finish(/*sync=*/false);
  const std::string name = PartFileName(path_, parts_.size() + 1);
  if (const std::string* log_file = LogFileNamed(name)) {
    throw RefusedOutput(
        FormatText(Tr("%s is the input file %s itself and is not overwritten"), {name, *log_file}));
  }
  if (platform::IsLostDeviceName(name)) {
    throw RefusedOutput(LostDeviceMessage(name));
  }
  if (IsStreamTarget(name)) {
    throw Error(
        FormatText(Tr("Part file %s is a device, FIFO or socket and is not written"), {name}));
  }
  // Named for the clean-up before any signal can come between.
  const SignalHold hold;
  auto writer =
      std::make_unique<AtomicFileWriter>(name, folder_ + "/" + std::to_string(parts_.size() + 1));
  ArmSignalCleanup(writer->temp_path());
  CheckSameFile(name, *writer);
  parts_.push_back(Part{std::move(writer), Part::Old::kNone, {}});
}

void PartFileSink::CheckSameFile(const std::string& name, const AtomicFileWriter& writer) {
  const auto [earlier, added] = targets_.emplace(FileKey(writer.resolved_target()), parts_.size());
  if (!added) {
    throw RefusedOutput(FormatText(Tr("Part files %s and %s are the same file; no part is written"),
                                   {parts_[earlier->second].writer->target(), name}));
  }
}

void PartFileSink::AppendLine(std::string_view line) {
  if (cutter_.Add(line.size())) StartPart();
  AtomicFileWriter& part = *parts_.back().writer;
  part.Write(line);
  part.Write("\r\n");
}

const std::string* PartFileSink::LogFileNamed(const std::string& name) const {
  for (const std::string& log_file : log_files_) {
    if (IsTheLog(name, log_file)) return &log_file;
  }
  return nullptr;
}

bool PartFileSink::IsTheLogFile(const std::string& name) const {
  return LogFileNamed(name) != nullptr;
}

// A file of the private folder, written through the system call table.
void PartFileSink::WriteFolderFile(std::string_view name, std::string_view content, bool sync) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const std::string file = folder_ + "/" + std::string(name);
  const int fd = sys.open(file.c_str(), kNewFileFlags, 0666);
  if (fd < 0) ThrowCannotWrite(file, errno);
  const platform::OwnedFd closing(fd);
  if (!WriteAllToStream(fd, content.data(), content.size()) || (sync && sys.fsync(fd) != 0)) {
    ThrowCannotWrite(file, errno);
  }
}

void PartFileSink::Commit() {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  parts_.back().writer->Finish(/*sync=*/false);
  // The record of the new set, taken from the files before they move (a
  // rename keeps a file's identity).
  std::vector<RecordedPart> record;
  std::vector<std::string> targets;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    const AtomicFileWriter& writer = *parts_[i].writer;
    RecordedPart part;
    part.number = i + 1;
    platform::FileInfo info;
    if (!platform::InspectPath(writer.temp_path(), info) ||
        !platform::IdentifyPath(writer.temp_path(), part.id)) {
      ThrowCannotWrite(writer.target(), errno);
    }
    part.size = info.size;
    record.push_back(part);
    targets.push_back(writer.resolved_target());
  }
  {
    // Named for the clean-up first: a signal then leaves no file behind.
    const SignalHold hold;
    ArmSignalCleanup(folder_ + "/" + std::string(kNewRecordName));
  }
  WriteFolderFile(kNewRecordName, FormatPartRecord(record), /*sync=*/false);
  // One sync for all the parts' content, which fsync() per file would
  // make thousands of journal commits.
  if (sys.syncfs(folder_fd_) != 0) ThrowCannotWrite(path_, errno);
  // A directory in a part's place would stop the renames half way: refuse
  // before any file appears.
  for (const Part& part : parts_) {
    platform::FileInfo info;
    if (platform::InspectPath(part.writer->target(), info) &&
        info.kind == platform::FileKind::kDirectory) {
      ThrowCannotWrite(part.writer->target(), EISDIR);
    }
  }
  {
    // Runs to the same names take turns here, so that the later one's set
    // is the one that stays, whole.
    const platform::FolderLock turn(DirectoryOf(path_));
    // From the journal on, a killed run is finished by the next one; the
    // catchable signals wait until the switch is done or undone.
    const SignalHold hold;
    const std::string journal = folder_ + "/" + std::string(kJournalName);
    WriteFolderFile(kJournalName, FormatSwitchJournal(NameOf(path_), targets), /*sync=*/true);
    SyncDirectoryOf(journal);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
      Part& part = parts_[i];
      const std::string& target = part.writer->resolved_target();
      platform::FileInfo st;
      if (platform::InspectName(target, st)) {
        part.saved = folder_ + "/old-" + std::to_string(i + 1);
        part.old = sys.link(target.c_str(), part.saved.c_str()) == 0 ? Part::Old::kSaved
                                                                     : Part::Old::kNotSaved;
      }
      try {
        part.writer->Commit(/*sync_directory=*/false);
      } catch (const Error&) {
        // Backwards now: the journal would lead the next run forward.
        sys.unlink(journal.c_str());
        if (part.old == Part::Old::kSaved) sys.unlink(part.saved.c_str());
        RestoreParts(i);
        throw;
      }
    }
    const auto keep = [this](const std::string& name) { return IsTheLogFile(name); };
    const StaleRemoval removal = FinishPartSwitch(path_, folder_, parts_.size(), keep);
    for (const Part& part : parts_) {
      if (part.old == Part::Old::kSaved) sys.unlink(part.saved.c_str());
    }
    sys.unlink(journal.c_str());
    RemoveFolder();
    DisarmSignalCleanup();
    if (!removal.note.empty()) PrintNote(removal.note);
    if (removal.removed > 0) {
      PrintNote(FormatText(Tr("Part files of an earlier run removed: %s"),
                           {std::to_string(removal.removed)}));
    }
  }
  SyncDirectoryOf(path_);  // once for all the renames
}

// After the rename of part `count` + 1 failed: the parts before it get
// their old content back, or go when they are new.
void PartFileSink::RestoreParts(std::size_t count) noexcept {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  for (std::size_t i = 0; i < count; ++i) {
    Part& part = parts_[i];
    const char* target = part.writer->resolved_target().c_str();
    if (part.old == Part::Old::kSaved) {
      sys.rename(part.saved.c_str(), target);
    } else if (part.old == Part::Old::kNone) {
      sys.unlink(target);
    }
    part.old = Part::Old::kNone;
  }
}

void PartFileSink::RemoveFolder() noexcept {
  if (folder_.empty()) return;
  for (std::string_view name : {kNewRecordName, kJournalName}) {
    CurrentAtomicWriteCalls().unlink((folder_ + "/" + std::string(name)).c_str());
  }
  platform::RemoveFolder(folder_);
  folder_.clear();
  platform::Close(folder_fd_);
  folder_fd_ = -1;
}

}  // namespace quorlix::cli
