#include "core/archive/archive_files.h"

#include <charconv>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "core/files/atomic_write_system.h"
#include "core/text/utc_time.h"

namespace quorlix {
namespace {

constexpr std::string_view kManifestFirstLine = "quorlix-archive 1";

void AppendDigits(int64_t value, int digits, std::string& out) {
  char text[8];
  for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
  out.append(text, static_cast<std::size_t>(digits));
}

// YYYY-MM-DD_HH-MM-SS; a year beyond four digits as it is.
std::string SceneStem(int64_t first_time) {
  const UtcTime t = ToUtc(first_time);
  std::string stem;
  if (t.year >= 0 && t.year <= 9999) {
    AppendDigits(t.year, 4, stem);
  } else {
    stem = std::to_string(t.year);
  }
  const std::pair<char, unsigned> fields[] = {
      {'-', t.month}, {'-', t.day}, {'_', t.hour}, {'-', t.minute}, {'-', t.second}};
  for (const auto& [separator, value] : fields) {
    stem += separator;
    AppendDigits(value, 2, stem);
  }
  return stem;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

uint64_t Mix(uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  h ^= h >> 32;
  return h;
}

}  // namespace

std::vector<std::string> ScenePageNames(const std::vector<int64_t>& first_times) {
  std::vector<std::string> names;
  names.reserve(first_times.size());
  // How many scenes each second started so far: the first keeps the plain
  // name, wherever in the list the others are.
  std::unordered_map<int64_t, int64_t> started;
  for (const int64_t time : first_times) {
    const int64_t count = ++started[time];
    std::string name = SceneStem(time);
    if (count > 1) name.append("-").append(std::to_string(count));
    names.push_back(name.append(".html"));
  }
  return names;
}

bool IsArchivePageName(std::string_view name) {
  if (name.size() > 200 || !name.ends_with(".html") || name.front() == '.') return false;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) return false;
  }
  return true;
}

std::string FormatManifest(const std::vector<ManifestEntry>& entries) {
  std::string text(kManifestFirstLine);
  text += '\n';
  for (const ManifestEntry& entry : entries) {
    if (entry.key) {
      char hex[17];
      const uint64_t key = *entry.key;
      for (int i = 15; i >= 0; --i) hex[15 - i] = "0123456789abcdef"[(key >> (4 * i)) & 15];
      text.append(hex, 16);
    } else {
      text += '-';
    }
    text.append(" ").append(entry.name).append("\n");
  }
  return text;
}

std::optional<std::vector<ManifestEntry>> ParseManifest(std::string_view text) {
  if (!text.starts_with(kManifestFirstLine) || text.size() == kManifestFirstLine.size() ||
      text[kManifestFirstLine.size()] != '\n' || !text.ends_with('\n')) {
    return std::nullopt;
  }
  std::vector<ManifestEntry> entries;
  std::unordered_set<std::string_view> seen;
  text.remove_prefix(kManifestFirstLine.size() + 1);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, space), name = line.substr(space + 1);
    ManifestEntry entry{std::string(name), std::nullopt};
    if (key.size() == 16) {
      for (const char c : key) {
        if (!IsHexDigit(c)) return std::nullopt;
      }
      uint64_t value = 0;
      std::from_chars(key.data(), key.data() + key.size(), value, 16);
      entry.key = value;
    } else if (key != "-") {
      return std::nullopt;
    }
    if (!IsArchivePageName(name) || !seen.insert(name).second) return std::nullopt;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> ForeignFiles(const std::vector<std::string>& names,
                                      const std::vector<ManifestEntry>& manifest) {
  // What systems leave in any folder a file browser showed.
  static constexpr std::string_view kSystemFiles[] = {".DS_Store", "Thumbs.db", "desktop.ini"};
  std::unordered_set<std::string_view> ours = {kArchiveManifestName, kArchiveRecordName};
  for (const ManifestEntry& entry : manifest) ours.insert(entry.name);
  std::vector<std::string> foreign;
  for (const std::string& name : names) {
    if (ours.contains(name)) continue;
    bool known = false;
    for (const std::string_view system : kSystemFiles) known = known || name == system;
    // ".<name>.quorlix-tmp-XXXXXX" of a file of ours.
    const std::size_t tmp = name.rfind(".quorlix-tmp-");
    if (!known && name.starts_with('.') && tmp != std::string::npos && tmp > 1) {
      const std::string target = name.substr(1, tmp - 1);
      known = ours.contains(target) &&
              atomic_write_system::IsTempNameOf(name, atomic_write_system::TempNamePrefix(target));
    }
    if (!known) foreign.push_back(name);
  }
  return foreign;
}

uint64_t Fingerprint(std::string_view bytes, uint64_t seed) {
  uint64_t h = Mix(seed ^ 0x9e3779b97f4a7c15ULL ^ bytes.size());
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    h = (h ^ word) * 0xff51afd7ed558ccdULL;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  return Mix(h ^ tail ^ (bytes.size() << 56));
}

}  // namespace quorlix
