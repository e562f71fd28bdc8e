#include "cli/part_sink.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "cli/signal_cleanup.h"
#include "core/files/atomic_write.h"
#include "core/files/output_target.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

constexpr std::string_view kFolderMarker = ".quorlix-parts-";
constexpr std::size_t kSuffixLength = 6;  // mkdtemp's XXXXXX
// Keeps the folder's name within the usual 255-byte limit.
constexpr std::size_t kMaxNameInFolderName = 200;

// ".<name>.quorlix-parts-": the private folders of the parts of `path`.
std::string FolderPrefix(const std::string& path) {
  std::string prefix = ".";
  prefix += NameOf(path).substr(0, kMaxNameInFolderName);
  prefix += kFolderMarker;
  return prefix;
}

bool IsFolderName(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + kSuffixLength || !name.starts_with(prefix)) return false;
  for (char c : name.substr(prefix.size())) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Empties and removes the folders that killed runs left: only ones that no
// live run holds.
void RemoveStaleFolders(const std::string& path) noexcept {
  const std::string dir = DirectoryOf(path);
  const std::string prefix = FolderPrefix(path);
  std::vector<std::string> names;
  platform::ListFolder(dir, names);
  for (const std::string& name : names) {
    if (IsFolderName(name, prefix)) platform::RemoveAbandonedFolder(dir + "/" + name);
  }
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

std::string PartFileName(const std::string& path, std::size_t number) {
  const std::size_t name_start = path.size() - NameOf(path).size();
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

PartFileSink::PartFileSink(std::string path, std::uint64_t limit,
                           std::vector<std::string> log_files)
    : path_(std::move(path)), cutter_(limit), log_files_(std::move(log_files)) {
  RemoveStaleFolders(path_);
  const SignalHold hold;
  folder_fd_ = platform::CreateHeldFolder(DirectoryOf(path_) + "/" + FolderPrefix(path_), folder_);
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
  for (const std::string& log_file : log_files_) {
    if (IsTheLog(name, log_file)) {
      throw RefusedOutput(FormatText(Tr("%s is the input file %s itself and is not overwritten"),
                                     {name, log_file}));
    }
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

void PartFileSink::Commit() {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  parts_.back().writer->Finish(/*sync=*/false);
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
    const std::vector<std::string> stale = StaleParts();
    const SignalHold hold;
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
        if (part.old == Part::Old::kSaved) sys.unlink(part.saved.c_str());
        RestoreParts(i);
        throw;
      }
    }
    // Moved aside first, which is quick, and only then removed, which
    // frees their blocks: the set is mixed for as short a time as can be.
    std::vector<std::string> moved;
    for (const std::string& name : stale) {
      std::string aside = folder_ + "/stale-" + std::to_string(moved.size() + 1);
      if (sys.rename(name.c_str(), aside.c_str()) == 0) moved.push_back(std::move(aside));
    }
    for (const std::string& name : moved) sys.unlink(name.c_str());
    const std::size_t removed = moved.size();
    for (const Part& part : parts_) {
      if (part.old == Part::Old::kSaved) sys.unlink(part.saved.c_str());
    }
    RemoveFolder();
    DisarmSignalCleanup();
    if (removed > 0) {
      std::fprintf(
          stderr, "quorlix-cli: %s\n",
          FormatText(Tr("Part files of an earlier run removed: %s"), {std::to_string(removed)})
              .c_str());
    }
  }
  SyncDirectoryOf(path_);  // once for all the renames
}

// The numbered parts of this name beyond this run's last: regular files
// named as PartFileName() names them, nothing else.
std::vector<std::string> PartFileSink::StaleParts() const {
  const std::string dir = DirectoryOf(path_);
  const std::string first = NameOf(PartFileName(path_, 1));
  const std::size_t dash = first.rfind("-1");
  const std::string stem = first.substr(0, dash + 1), extension = first.substr(dash + 2);
  std::vector<std::string> names, stale;
  if (!platform::ListFolder(dir, names)) return stale;
  for (const std::string& name : names) {
    if (name.size() <= stem.size() + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension)) {
      continue;
    }
    const std::string_view digits =
        std::string_view(name).substr(stem.size(), name.size() - stem.size() - extension.size());
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '0' ||
        number <= parts_.size()) {
      continue;
    }
    const std::string path = dir + "/" + name;
    platform::FileInfo info;
    if (platform::InspectName(path, info) && info.kind == platform::FileKind::kRegular) {
      stale.push_back(path);
    }
  }
  return stale;
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
  platform::RemoveFolder(folder_);
  folder_.clear();
  platform::Close(folder_fd_);
  folder_fd_ = -1;
}

}  // namespace quorlix::cli
