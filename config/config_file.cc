#include "config/config_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

// The parser's definitions are compiled here, in this one unit.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "core/files/atomic_write.h"
#include "core/files/platform.h"
#include "core/text/error.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

// Section and key names compare ignoring "A" to "Z" case only.
using Ini = CSimpleIniA;

enum class FileState { kMissing, kRead, kUnreadable };

// Reads the whole of `path` into `text`. Anything that is not a readable
// regular file (a directory, a device, a pipe) counts as unreadable, and
// `reason` then says why.
FileState ReadWholeFile(const std::string& path, std::string& text, std::string& reason) {
  text.clear();
  const int fd = platform::OpenForReading(path, /*nonblocking=*/true);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileState::kMissing;
    reason = FormatText(Tr("Cannot read settings file %s. %s"),
                        {path, platform::SystemErrorText(errno)});
    return FileState::kUnreadable;
  }
  platform::FileInfo info;
  FileState state = FileState::kRead;
  if (!platform::InspectFile(fd, info) || info.kind != platform::FileKind::kRegular) {
    state = FileState::kUnreadable;
    reason = info.kind == platform::FileKind::kDirectory
                 ? FormatText(Tr("%s is a directory"), {path})
                 : FormatText(Tr("Settings file %s is not a regular file"), {path});
  } else {
    char chunk[64 * 1024];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        state = FileState::kUnreadable;
        reason = FormatText(Tr("Cannot read settings file %s. %s"),
                            {path, platform::SystemErrorText(errno)});
        break;
      }
      if (n == 0) break;
      text.append(chunk, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return state;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsCommentLine(std::string_view line) {
  line = TrimBlanks(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// The comment lines after the last entry of the file. The parser keeps a
// comment only with the entry that follows it, so these would be lost on a
// rewrite. A file of comments alone keeps its first block as the parser's
// file comment.
std::string TrailingComments(std::string_view text) {
  std::string comments;
  bool after_entry = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    const std::string_view line = text.substr(pos, end - pos);
    if (IsCommentLine(line)) {
      if (after_entry) comments.append(line).push_back('\n');
    } else if (!TrimBlanks(line).empty()) {
      after_entry = true;
      comments.clear();
    }
    pos = end + 1;
  }
  return comments;
}

// The parser takes its input as a C string: a NUL byte would end the file
// there, and a rewrite would drop all that follows. A NUL counts as a blank.
void ReplaceNulBytes(std::string& text) {
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
}

}  // namespace

// One loaded config.cfg, with what its rewrite needs to keep.
struct ConfigFile::Document {
  // Names ignore case; a repeated key keeps all its lines (the first one is
  // read); no "<<<" multi-line values; a value in double quotes is read
  // without them, so that blanks at its ends survive.
  Ini ini{/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true, /*a_bMultiLine=*/false};
  // The line ends of the rewrite: the file's own, and CR LF wherever the
  // system's editors expect them (a file made from the shipped settings,
  // which have LF, too).
  bool crlf = platform::TextFilesEndLinesWithCrLf();
  std::string trailing_comments;

  Document() {
    ini.SetSpaces(false);
    ini.SetQuotes(true);
  }

  bool Parse(std::string& text) {
    ReplaceNulBytes(text);
    crlf = platform::TextFilesEndLinesWithCrLf() || text.find("\r\n") != std::string::npos;
    trailing_comments = TrailingComments(text);
    return ini.LoadData(text) >= 0;
  }
};

namespace {

using Document = ConfigFile::Document;

// Passes SimpleIni's output through, quoting a value that itself starts
// and ends with a double quote: the reader takes one pair off, so the value
// reads back as written. (Values with blanks at their ends SimpleIni quotes
// itself.) A value is the piece written right after "=".
class QuotingWriter : public Ini::OutputWriter {
 public:
  explicit QuotingWriter(std::string& out) : out_(out) {}
  void Write(const char* text) override {
    const std::string_view piece(text);
    // Lines end in LF on every system, so that the same settings are the
    // same bytes wherever they were saved.
    if (piece == "\r\n") {
      out_.push_back('\n');
      after_equals_ = false;
      return;
    }
    if (after_equals_ && piece.size() >= 2 && piece.front() == '"' && piece.back() == '"') {
      out_.push_back('"');
      out_.append(piece);
      out_.push_back('"');
    } else {
      out_.append(piece);
    }
    after_equals_ = piece == "=";
  }

 private:
  std::string& out_;
  bool after_equals_ = false;
};

bool Serialize(const Document& doc, std::string& out) {
  out.clear();
  QuotingWriter writer(out);
  if (doc.ini.Save(writer, /*a_bAddSignature=*/true) < 0) return false;
  // The parser takes three bytes EF BB BF at the very start as a byte-order
  // mark. A first key that begins with them, but was not at the start
  // before, would lose them on the next read: a blank line keeps them.
  if (!doc.ini.IsUnicode() && std::string_view(out).substr(0, 3) == "\xEF\xBB\xBF") {
    out.insert(out.begin(), '\n');
  }
  if (!doc.trailing_comments.empty()) {
    if (!out.empty() && out.back() != '\n') out.push_back('\n');
    out += doc.trailing_comments;
  }
  // SimpleIni puts two blank lines before each section; one is enough.
  // The file keeps the line ends it had.
  std::string tidy;
  tidy.reserve(out.size() + (doc.crlf ? out.size() / 16 : 0));
  std::size_t line_breaks_in_a_row = 0;
  for (char c : out) {
    if (c == '\n') {
      if (++line_breaks_in_a_row > 2) continue;
      if (doc.crlf) tidy.push_back('\r');
    } else {
      line_breaks_in_a_row = 0;
    }
    tidy.push_back(c);
  }
  out.swap(tidy);
  return true;
}

// The first value of `key` in file order; null when there is none.
const char* FirstValue(const Ini& ini, const std::string& section, const std::string& key) {
  Ini::TNamesDepend values;
  if (!ini.GetAllValues(section.c_str(), key.c_str(), values)) return nullptr;
  values.sort(Ini::Entry::LoadOrder());
  return values.front().pItem;
}

// How `name` is spelled in the file, so that a rewrite keeps the spelling.
std::string SpellingOf(const Ini::TNamesDepend& names, const std::string& name) {
  for (const Ini::Entry& entry : names) {
    if (EqualsIgnoreAsciiCase(entry.pItem, name)) return entry.pItem;
  }
  return name;
}

// The parser trims blanks around names; so do lookups and writes.
std::string Name(std::string_view name) { return std::string(TrimBlanks(name)); }

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// True when the entry would read back as the same section, key and value.
// Anything else (a line break, a key that would read as a comment or a
// section, an "=" in a key) would change the file's structure.
bool CanStore(const std::string& section, const std::string& key, std::string_view value) {
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) {
    return false;
  }
  if (section.find(']') != std::string::npos) return false;
  if (key.empty() || key.find('=') != std::string::npos) return false;
  return key.front() != ';' && key.front() != '#' && key.front() != '[';
}

// Sets the value in `ini`, keeping the file's spelling of section and key.
void SetValue(Ini& ini, std::string section_name, std::string key_name, const std::string& value,
              const Error& failure) {
  Ini::TNamesDepend names;
  ini.GetAllSections(names);
  section_name = SpellingOf(names, section_name);
  ini.GetAllKeys(section_name.c_str(), names);
  key_name = SpellingOf(names, key_name);
  if (ini.SetValue(section_name.c_str(), key_name.c_str(), value.c_str(), nullptr,
                   /*a_bForceReplace=*/true) < 0) {
    throw failure;
  }
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The settings as they stand: the file itself or, while it is missing, the
// shipped defaults. A missing or unreadable defaults file reads as missing.
FileState ReadSettings(const ConfigLocation& location, std::string& text, std::string& reason) {
  const FileState state = ReadWholeFile(location.path, text, reason);
  if (state != FileState::kMissing || location.defaults.empty()) return state;
  std::string defaults_reason;
  if (ReadWholeFile(location.defaults, text, defaults_reason) == FileState::kRead) {
    return FileState::kRead;
  }
  text.clear();
  return FileState::kMissing;
}

// The user's settings folder appears with the first write; the folders
// made here are the user's alone.
bool MakeFolderFor(const ConfigLocation& location) {
  if (location.defaults.empty()) return true;
  fs::path folder;
  for (const fs::path& part : fs::path(location.path).parent_path()) {
    folder /= part;
    if (folder == folder.root_path()) continue;  // "/", "C:" and "C:\\" are there
    if (platform::MakePrivateFolder(folder.string()) != 0) return false;
  }
  return true;
}

}  // namespace

ConfigLocation ChooseConfigLocation(const ConfigSearch& search) {
  const fs::path program_dir(search.program_dir);
  if (search.beside_program) return {(program_dir / "config.cfg").string(), ""};
  const fs::path shipped = program_dir / QUORLIX_DATA_FROM_BIN / "quorlix" / "config.cfg";
  if (!search.app_data.empty()) {
    return {(fs::path(search.app_data) / "Quorlix" / "config.cfg").lexically_normal().string(),
            shipped.lexically_normal().string()};
  }
  const fs::path xdg(search.xdg_config_home);
  const fs::path config_home = xdg.is_absolute() ? xdg : fs::path(search.home) / ".config";
  return {(config_home / "quorlix" / "config.cfg").lexically_normal().string(),
          shipped.lexically_normal().string()};
}

ConfigLocation LocateConfig() {
  ConfigSearch search;
  const std::string program = platform::ProgramPath();
  if (!program.empty()) search.program_dir = fs::path(program).parent_path().string();
  platform::FileInfo info;
  search.beside_program =
      platform::InspectPath((fs::path(search.program_dir) / "config.cfg").string(), info);
  search.xdg_config_home = EnvironmentValue("XDG_CONFIG_HOME");
  search.home = platform::HomeFolder();
  search.app_data = platform::AppDataFolder();
  return ChooseConfigLocation(search);
}

std::string ConfigFilePath() { return LocateConfig().path; }

ConfigFile::ConfigFile() : location_(LocateConfig()) {}

ConfigFile::ConfigFile(std::string path) : location_{std::move(path), ""} {}

ConfigFile::ConfigFile(ConfigLocation location) : location_(std::move(location)) {}

ConfigFile ConfigFile::Snapshot() const {
  ConfigFile copy(location_);
  auto doc = std::make_shared<Document>();
  std::string text;
  switch (ReadSettings(location_, text, copy.unreadable_reason_)) {
    case FileState::kMissing: copy.missing_ = true; break;
    case FileState::kRead: doc->Parse(text); break;
    case FileState::kUnreadable: break;  // reads as the defaults
  }
  copy.snapshot_ = std::move(doc);
  return copy;
}

// The document to read from: the snapshot, or the file as it is now (null
// when it is missing or unreadable).
std::shared_ptr<const Document> ConfigFile::Current() const {
  if (snapshot_) return snapshot_;
  std::string text, reason;
  if (ReadSettings(location_, text, reason) != FileState::kRead) return nullptr;
  auto doc = std::make_shared<Document>();
  doc->Parse(text);
  return doc;
}

std::string ConfigFile::ReadConfigValue(std::string_view section, std::string_view key,
                                        std::string_view fallback) const {
  const std::shared_ptr<const Document> doc = Current();
  if (!doc) return std::string(fallback);
  const char* value = FirstValue(doc->ini, Name(section), Name(key));
  return value ? std::string(value) : std::string(fallback);
}

std::vector<std::string> ConfigFile::ReadConfigSection(std::string_view section) const {
  std::vector<std::string> lines;
  const std::shared_ptr<const Document> doc = Current();
  if (!doc) return lines;
  const Ini::TKeyVal* entries = doc->ini.GetSection(Name(section).c_str());
  if (entries == nullptr) return lines;
  // The entries are sorted by key, those of one key in file order: the
  // first of each key gives its spelling and its value. One walk and one
  // sort, not a search per key: a section may hold millions of keys.
  std::vector<const Ini::TKeyVal::value_type*> firsts;
  const Ini::Entry::KeyOrder key_order;
  for (const Ini::TKeyVal::value_type& entry : *entries) {
    if (firsts.empty() || key_order(firsts.back()->first, entry.first)) firsts.push_back(&entry);
  }
  std::sort(firsts.begin(), firsts.end(),
            [](const auto* a, const auto* b) { return a->first.nOrder < b->first.nOrder; });
  lines.reserve(firsts.size());
  for (const Ini::TKeyVal::value_type* entry : firsts) {
    lines.push_back(std::string(entry->first.pItem) + "=" + (entry->second ? entry->second : ""));
  }
  return lines;
}

void ConfigFile::WriteConfigValue(std::string_view section, std::string_view key,
                                  std::string_view value) {
  ApplyChanges({ConfigChange{std::string(section), std::string(key), std::string(value)}});
}

void ConfigFile::DeleteConfigKey(std::string_view section, std::string_view key) {
  ApplyChanges({ConfigChange{std::string(section), std::string(key), "", /*remove=*/true}});
}

void ConfigFile::ApplyChanges(const std::vector<ConfigChange>& changes) {
  const Error failure(FormatText(Tr("Cannot write to %s"), {location_.path}));
  for (const ConfigChange& change : changes) {
    if (!change.remove && !CanStore(Name(change.section), Name(change.key), change.value)) {
      throw failure;
    }
  }

  // The user's folder first, so the lock file has a place from the first
  // write on; removals alone never create it.
  const bool sets = std::any_of(changes.begin(), changes.end(),
                                [](const ConfigChange& change) { return !change.remove; });
  if (sets && !MakeFolderFor(location_)) throw failure;
  const platform::WritersLock lock(location_.path);
  std::string text, reason;
  Document doc;
  const FileState state = ReadSettings(location_, text, reason);
  // Rewriting a file that cannot be read would lose its content.
  if (state == FileState::kUnreadable) throw failure;
  if (state == FileState::kRead && !doc.Parse(text)) throw failure;

  bool changed = false;
  for (const ConfigChange& change : changes) {
    if (change.remove) {
      changed |= doc.ini.Delete(Name(change.section).c_str(), Name(change.key).c_str());
    } else {
      SetValue(doc.ini, Name(change.section), Name(change.key), change.value, failure);
      changed = true;
    }
  }
  if (!changed) return;  // only removals of absent keys: no file is touched
  if (!Serialize(doc, text)) throw failure;
  if (!MakeFolderFor(location_)) throw failure;
  try {
    WriteFileAtomically(location_.path, text);
  } catch (const Error&) {
    throw failure;
  }
}

}  // namespace quorlix
