// What a set of part files (quorlix-cli --post-limit -o out.txt: out-1.txt,
// out-2.txt, ...) leaves behind so that a later run can tell its own files
// from the user's, and finish a switch that a killed run left half done.
//
// The record: a hidden file beside the parts, ".<name>.quorlix-parts", one
// line per part of the last set put in place: its number, size and file
// identity. A later, shorter set removes the parts beyond its own last only
// when the record names them and they are still those very files; a file
// the record does not name, a record that is missing, unreadable, a link or
// edited into nonsense: nothing is removed.
//
// The switch: a run makes all parts ready in its private folder (the
// temporary files named "1", "2", ... and the new record "record"), then
// writes the journal "switch" there, naming the part files to replace, and
// only then renames. A run killed before the journal exists changed
// nothing; one killed after it is finished forward by the next run to the
// same names (FinishAbandonedSwitches), before that run does anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/platform.h"

namespace quorlix {

// The file of part `number` (from 1) for the -o name `path`: the number
// goes before the name's extension ("out.txt": "out-2.txt", "post":
// "post-2"; a leading dot starts no extension).
std::string PartFileName(const std::string& path, std::size_t number);

// ".<name>.quorlix-parts-": the private folders of the sets of `path`'s
// parts, each this prefix and six letters or digits.
std::string PartFolderPrefix(const std::string& path);
bool IsPartFolderName(std::string_view name, std::string_view prefix);

// The record beside the parts of `path`.
std::string PartRecordPath(const std::string& path);

// One part as written: what a later run compares before removing it.
struct RecordedPart {
  std::size_t number = 0;
  std::uint64_t size = 0;
  platform::FileId id;
  bool operator==(const RecordedPart&) const = default;
};

std::string FormatPartRecord(const std::vector<RecordedPart>& parts);
// False for anything but a whole record as FormatPartRecord writes it.
bool ParsePartRecord(std::string_view text, std::vector<RecordedPart>& parts);

// The journal of a switch: the -o name's last component and the files the
// parts replace (links resolved), in part order.
std::string FormatSwitchJournal(const std::string& name, const std::vector<std::string>& targets);
bool ParseSwitchJournal(std::string_view text, std::string& name,
                        std::vector<std::string>& targets);

// File names inside a part set's private folder.
inline constexpr std::string_view kJournalName = "switch";
inline constexpr std::string_view kNewRecordName = "record";

// What removing the parts of an earlier set did; `note` explains, for the
// user, why some were left alone ("" when nothing was).
struct StaleRemoval {
  std::size_t removed = 0;
  std::string note;
};

// The last steps of a switch to a set of `count` parts of `path` whose
// renames are done: the parts of the earlier set beyond `count` that the
// record in place names and that are still those files are moved into
// `folder` and removed (never one for which `keep` says true: the log),
// and the new record in `folder` is put in place. Best effort; every step
// may be repeated after a kill.
StaleRemoval FinishPartSwitch(const std::string& path, const std::string& folder, std::size_t count,
                              const std::function<bool(const std::string&)>& keep);

// Before a run to `path` touches anything: every private folder of a set
// of `path`'s name that no live run holds (a killed run left it) is
// finished forward when its journal is whole, then removed. Call with the folder lock of `path`'s
// folder held. Returns a note per folder finished, for the user.
std::vector<std::string> FinishAbandonedSwitches(
    const std::string& path, const std::function<bool(const std::string&)>& keep);

}  // namespace quorlix
