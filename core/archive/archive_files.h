// The files of an archive folder (core/archive_writer.h): their names and
// the manifest that records which files of the folder the archive wrote.
//
// A scene's page is named after the UTC time of its first line,
// "2005-03-05_19-03-12.html"; scenes that start in the same second are
// told apart as "...-2.html", "...-3.html" in the order given. Beside the
// pages are "index.html", "persons.html" and the manifest ".quorlix-archive":
// a line "quorlix-archive 1", then one line per file, "<key> <name>", the
// key 16 hexadecimal digits that stand for what the file was made of, or
// "-" for a file whose content is not known (a run was stopped while it
// was written). Only plain names of this kind are ever read from a
// manifest, so that no manifest can make the archive touch a file outside
// its folder, nor one it did not write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

inline constexpr std::string_view kArchiveIndexName = "index.html";
inline constexpr std::string_view kArchivePersonsName = "persons.html";
inline constexpr std::string_view kArchiveManifestName = ".quorlix-archive";
// The record that lets a rerun read only what a log gained (core/archive_record.h).
inline constexpr std::string_view kArchiveRecordName = ".quorlix-archive-resume";

// The page names of scenes starting at `first_times`, in that order.
std::vector<std::string> ScenePageNames(const std::vector<int64_t>& first_times);

// A name the archive may write: letters, digits, "-", "_" and ".", not
// starting with "." and ending with ".html".
bool IsArchivePageName(std::string_view name);

struct ManifestEntry {
  std::string name;
  std::optional<uint64_t> key;  // none: content unknown, to be written again

  bool operator==(const ManifestEntry&) const = default;
};

// The manifest's text for `entries`.
std::string FormatManifest(const std::vector<ManifestEntry>& entries);

// Reads a manifest's text; nothing when it is no manifest of this kind.
std::optional<std::vector<ManifestEntry>> ParseManifest(std::string_view text);

// The names in the folder's listing `names` that are neither the manifest,
// nor a file it names, nor a temporary file of one of those that a stopped
// run left; a few files systems put into every folder are left out too.
std::vector<std::string> ForeignFiles(const std::vector<std::string>& names,
                                      const std::vector<ManifestEntry>& manifest);

// A 64-bit fingerprint of bytes, to tell whether a file's sources changed;
// `seed` chains several pieces.
uint64_t Fingerprint(std::string_view bytes, uint64_t seed = 0);

}  // namespace quorlix
