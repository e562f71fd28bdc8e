#include "core/files/part_record.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <utility>

#include "core/files/atomic_write.h"
#include "core/files/small_file.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

constexpr std::string_view kFolderMarker = ".quorlix-parts-";
constexpr std::string_view kRecordMarker = ".quorlix-parts";
constexpr std::size_t kSuffixLength = 6;  // CreateHeldFolder's six letters or digits
// Keeps the hidden names within the usual 255-byte limit.
constexpr std::size_t kMaxNameInHiddenName = 200;
// Far more than the lines of the most parts a run writes.
constexpr std::uint64_t kMaxRecordBytes = 16 * 1024 * 1024;

constexpr std::string_view kRecordHeader = "quorlix part files 1\n";
constexpr std::string_view kRecordEnd = "end\n";
constexpr std::string_view kJournalHeader = "quorlix part switch 1";
constexpr std::string_view kJournalEnd = "end";

template <typename Number>
bool ReadField(std::string_view& line, Number& value) {
  const std::size_t space = line.find(' ');
  const std::string_view field = line.substr(0, space);
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (field.empty() || error != std::errc() || end != field.data() + field.size()) return false;
  line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
  return true;
}

// The numbered parts of `path` beyond `count`: regular files named as
// PartFileName() names them. Only to tell the user about a set written
// before records were kept.
std::vector<std::string> UnrecordedParts(const std::string& path, std::size_t count,
                                         const std::function<bool(const std::string&)>& keep) {
  const std::string dir = DirectoryOf(path);
  // Each found name in the folder as `path` writes it, separator and all
  // ("C:\Logs\day-7.txt", not "C:\Logs/day-7.txt"); "./" where it names none.
  std::string shown_folder = path.substr(0, path.size() - NameOf(path).size());
  if (shown_folder.empty()) shown_folder = dir + "/";
  // Names compared as the file system compares them ("DAY-7.TXT" is a
  // part of day.txt on Windows).
  const std::string first = platform::FoldNameCase(NameOf(PartFileName(path, 1)));
  const std::size_t dash = first.rfind("-1");
  const std::string stem = first.substr(0, dash + 1), extension = first.substr(dash + 2);
  std::vector<std::string> names;
  std::vector<std::pair<std::size_t, std::string>> found;
  if (!platform::ListFolder(dir, names)) return {};
  for (const std::string& listed : names) {
    const std::string name = platform::FoldNameCase(listed);
    if (name.size() <= stem.size() + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension)) {
      continue;
    }
    const std::string_view digits =
        std::string_view(name).substr(stem.size(), name.size() - stem.size() - extension.size());
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '0' ||
        number <= count) {
      continue;
    }
    platform::FileInfo info;
    const std::string listed_path = shown_folder + listed;
    if (platform::InspectName(listed_path, info) && info.kind == platform::FileKind::kRegular &&
        !keep(listed_path)) {
      found.emplace_back(number, listed_path);
    }
  }
  // In the order of their numbers, whatever order the folder lists them in.
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& [number, path] : found) paths.push_back(std::move(path));
  return paths;
}

// True when `name` is still the regular file that `part` recorded.
bool IsRecordedFile(const std::string& name, const RecordedPart& part) {
  platform::FileInfo info;
  platform::FileId id;
  return platform::InspectName(name, info) && info.kind == platform::FileKind::kRegular &&
         info.size == part.size && platform::IdentifyPath(name, id) && id == part.id;
}

}  // namespace

std::string PartFileName(const std::string& path, std::size_t number) {
  const std::size_t name_start = path.size() - NameOf(path).size();
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

std::string PartFolderPrefix(const std::string& path) {
  std::string prefix = DirectoryOf(path) + "/.";
  prefix += NameOf(path).substr(0, kMaxNameInHiddenName);
  prefix += kFolderMarker;
  return prefix;
}

bool IsPartFolderName(std::string_view name, std::string_view prefix) {
  // The prefix compared as the file system compares names: on Windows an
  // interrupted run to DAY.TXT is finished by a run to day.txt.
  if (name.size() != prefix.size() + kSuffixLength ||
      platform::FoldNameCase(name.substr(0, prefix.size())) != platform::FoldNameCase(prefix)) {
    return false;
  }
  for (char c : name.substr(prefix.size())) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string PartRecordPath(const std::string& path) {
  std::string record = DirectoryOf(path) + "/.";
  record += NameOf(path).substr(0, kMaxNameInHiddenName);
  record += kRecordMarker;
  return record;
}

std::string FormatPartRecord(const std::vector<RecordedPart>& parts) {
  std::string text(kRecordHeader);
  for (const RecordedPart& part : parts) {
    text += std::to_string(part.number) + ' ' + std::to_string(part.size) + ' ' +
            std::to_string(part.id.volume) + ' ' + std::to_string(part.id.index) + '\n';
  }
  text += kRecordEnd;
  return text;
}

bool ParsePartRecord(std::string_view text, std::vector<RecordedPart>& parts) {
  parts.clear();
  if (!text.starts_with(kRecordHeader) || !text.ends_with(kRecordEnd)) return false;
  text = text.substr(kRecordHeader.size(), text.size() - kRecordHeader.size() - kRecordEnd.size());
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return false;
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    RecordedPart part;
    if (!ReadField(line, part.number) || !ReadField(line, part.size) ||
        !ReadField(line, part.id.volume) || !ReadField(line, part.id.index) || !line.empty() ||
        part.number == 0) {
      return false;
    }
    parts.push_back(part);
  }
  return true;
}

std::string FormatSwitchJournal(const std::string& name, const std::vector<std::string>& targets) {
  std::string text(kJournalHeader);
  text += '\0';
  text += name;
  text += '\0';
  for (const std::string& target : targets) {
    text += target;
    text += '\0';
  }
  text += kJournalEnd;
  text += '\0';
  return text;
}

bool ParseSwitchJournal(std::string_view text, std::string& name,
                        std::vector<std::string>& targets) {
  std::vector<std::string_view> fields;
  while (!text.empty()) {
    const std::size_t end = text.find('\0');
    if (end == std::string_view::npos) return false;
    fields.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  if (fields.size() < 3 || fields.front() != kJournalHeader || fields.back() != kJournalEnd ||
      fields[1].empty() || fields[1].find('/') != std::string_view::npos) {
    return false;
  }
  name = fields[1];
  targets.assign(fields.begin() + 2, fields.end() - 1);
  for (const std::string& target : targets) {
    if (target.empty()) return false;
  }
  return true;
}

StaleRemoval FinishPartSwitch(const std::string& path, const std::string& folder, std::size_t count,
                              const std::function<bool(const std::string&)>& keep) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  StaleRemoval result;
  const std::string record = PartRecordPath(path);
  std::string text;
  std::vector<RecordedPart> recorded;
  platform::FileInfo info;
  if (!platform::InspectName(record, info)) {
    const std::vector<std::string> unrecorded = UnrecordedParts(path, count, keep);
    if (!unrecorded.empty()) {
      result.note = FormatText(Tr("Earlier part files such as %s are left alone: no record "
                                  "tells that quorlix-cli wrote them"),
                               {unrecorded.front()});
    }
  } else if (!ReadSmallFile(record, kMaxRecordBytes, text) || !ParsePartRecord(text, recorded)) {
    result.note = FormatText(
        Tr("The record %s of earlier part files cannot be read; no earlier part file is removed"),
        {record});
    recorded.clear();
  }
  // Moved aside first, which is quick, and only then removed, which
  // frees their blocks: the set is mixed for as short a time as can be.
  std::vector<std::string> moved;
  for (const RecordedPart& part : recorded) {
    if (part.number <= count) continue;
    const std::string name = PartFileName(path, part.number);
    if (!IsRecordedFile(name, part) || keep(name)) continue;
    std::string aside = folder + "/stale-" + std::to_string(part.number);
    if (sys.rename(name.c_str(), aside.c_str()) == 0) moved.push_back(std::move(aside));
  }
  for (const std::string& name : moved) sys.unlink(name.c_str());
  result.removed = moved.size();
  // Renamed over whatever is there: a link in its place is replaced, not
  // followed.
  const std::string new_record = folder + "/" + std::string(kNewRecordName);
  if (platform::InspectName(new_record, info)) sys.rename(new_record.c_str(), record.c_str());
  return result;
}

std::vector<std::string> FinishAbandonedSwitches(
    const std::string& path, const std::function<bool(const std::string&)>& keep) {
  const AtomicWriteCalls& sys = CurrentAtomicWriteCalls();
  const std::string dir = DirectoryOf(path);
  const std::string prefix = NameOf(PartFolderPrefix(path));
  std::vector<std::string> names, notes;
  platform::ListFolder(dir, names);
  for (const std::string& name : names) {
    if (!IsPartFolderName(name, prefix)) continue;
    const std::string folder = dir + "/" + name;
    if (!platform::IsAbandonedFolder(folder)) continue;
    std::string journal, set_name;
    std::vector<std::string> targets;
    if (ReadSmallFile(folder + "/" + std::string(kJournalName), kMaxRecordBytes, journal) &&
        ParseSwitchJournal(journal, set_name, targets)) {
      // Every part is ready in the folder before the journal is written:
      // the ones still there go in place.
      const std::string set_path = dir + "/" + set_name;
      for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string ready = folder + "/" + std::to_string(i + 1);
        platform::FileInfo info;
        if (platform::InspectName(ready, info) && info.kind == platform::FileKind::kRegular) {
          sys.rename(ready.c_str(), targets[i].c_str());
        }
      }
      const StaleRemoval removal = FinishPartSwitch(set_path, folder, targets.size(), keep);
      SyncDirectoryOf(set_path);
      notes.push_back(FormatText(Tr("The part files %s of an interrupted run were put in place"),
                                 {PartFileName(set_path, 1)}));
      if (!removal.note.empty()) notes.push_back(removal.note);
    }
    platform::RemoveAbandonedFolder(folder);
  }
  return notes;
}

}  // namespace quorlix
