#include "config/config_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

// The parser's definitions are compiled here, in this one unit.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "core/atomic_write.h"
#include "core/error.h"
#include "core/text_util.h"
#include "core/translation.h"

namespace quorlix {
namespace {

namespace fs = std::filesystem;

// Section and key names compare ignoring "A" to "Z" case only.
using Ini = CSimpleIniA;

enum class FileState { kMissing, kRead, kUnreadable };

// Reads the whole of `path` into `text`. Anything that is not a readable
// regular file (a directory, a device, a pipe) counts as unreadable.
FileState ReadWholeFile(const std::string& path, std::string& text) {
  text.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? FileState::kMissing
                                                : FileState::kUnreadable;
  }
  struct stat st;
  FileState state = FileState::kRead;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    state = FileState::kUnreadable;
  } else {
    char chunk[64 * 1024];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        state = FileState::kUnreadable;
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

// One loaded config.cfg, with what its rewrite needs to keep.
struct Document {
  // Names ignore case; a repeated key keeps all its lines (the first one is
  // read); no "<<<" multi-line values; a value in double quotes is read
  // without them, so that blanks at its ends survive.
  Ini ini{/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true, /*a_bMultiLine=*/false};
  bool crlf = false;
  std::string trailing_comments;

  Document() {
    ini.SetSpaces(false);
    ini.SetQuotes(true);
  }

  bool Parse(std::string& text) {
    ReplaceNulBytes(text);
    crlf = text.find("\r\n") != std::string::npos;
    trailing_comments = TrailingComments(text);
    return ini.LoadData(text) >= 0;
  }
};

// Passes SimpleIni's output through, quoting a value that itself starts
// and ends with a double quote: the reader takes one pair off, so the value
// reads back as written. (Values with blanks at their ends SimpleIni quotes
// itself.) A value is the piece written right after "=".
class QuotingWriter : public Ini::OutputWriter {
 public:
  explicit QuotingWriter(std::string& out) : out_(out) {}
  void Write(const char* text) override {
    const std::string_view piece(text);
    if (after_equals_ && piece.size() >= 2 && piece.front() == '"' &&
        piece.back() == '"') {
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
const char* FirstValue(const Ini& ini, const std::string& section,
                       const std::string& key) {
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
  return text.find_first_of(std::string_view("\r\n\0", 3)) !=
         std::string_view::npos;
}

// True when the entry would read back as the same section, key and value.
// Anything else (a line break, a key that would read as a comment or a
// section, an "=" in a key) would change the file's structure.
bool CanStore(const std::string& section, const std::string& key,
              std::string_view value) {
  if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) ||
      HasLineBreakOrNul(value)) {
    return false;
  }
  if (section.find(']') != std::string::npos) return false;
  if (key.empty() || key.find('=') != std::string::npos) return false;
  return key.front() != ';' && key.front() != '#' && key.front() != '[';
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// $HOME, else the password database's entry.
std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    home = found->pw_dir;
  }
  return home;
}

// The settings as they stand: the file itself or, while it is missing, the
// shipped defaults. A missing or unreadable defaults file reads as missing.
FileState ReadSettings(const ConfigLocation& location, std::string& text) {
  const FileState state = ReadWholeFile(location.path, text);
  if (state != FileState::kMissing || location.defaults.empty()) return state;
  if (ReadWholeFile(location.defaults, text) == FileState::kRead) return FileState::kRead;
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
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

ConfigLocation ChooseConfigLocation(const ConfigSearch& search) {
  const fs::path program_dir(search.program_dir);
  if (search.beside_program) return {(program_dir / "config.cfg").string(), ""};
  const fs::path xdg(search.xdg_config_home);
  const fs::path config_home = xdg.is_absolute() ? xdg : fs::path(search.home) / ".config";
  const fs::path shipped = program_dir / QUORLIX_DATA_FROM_BIN / "quorlix" / "config.cfg";
  return {(config_home / "quorlix" / "config.cfg").lexically_normal().string(),
          shipped.lexically_normal().string()};
}

ConfigLocation LocateConfig() {
  ConfigSearch search;
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
  if (n > 0 && static_cast<std::size_t>(n) < sizeof exe) {
    search.program_dir = fs::path(std::string(exe, static_cast<std::size_t>(n))).parent_path();
  }
  struct stat st;
  search.beside_program =
      ::stat((fs::path(search.program_dir) / "config.cfg").c_str(), &st) == 0;
  search.xdg_config_home = EnvironmentValue("XDG_CONFIG_HOME");
  search.home = HomeFolder();
  return ChooseConfigLocation(search);
}

std::string ConfigFilePath() { return LocateConfig().path; }

ConfigFile::ConfigFile() : location_(LocateConfig()) {}

ConfigFile::ConfigFile(std::string path) : location_{std::move(path), ""} {}

ConfigFile::ConfigFile(ConfigLocation location) : location_(std::move(location)) {}

std::string ConfigFile::ReadConfigValue(std::string_view section,
                                        std::string_view key,
                                        std::string_view fallback) const {
  std::string text;
  Document doc;
  if (ReadSettings(location_, text) != FileState::kRead) return std::string(fallback);
  doc.Parse(text);
  const char* value = FirstValue(doc.ini, Name(section), Name(key));
  return value ? std::string(value) : std::string(fallback);
}

std::vector<std::string> ConfigFile::ReadConfigSection(
    std::string_view section) const {
  std::vector<std::string> lines;
  std::string text;
  Document doc;
  if (ReadSettings(location_, text) != FileState::kRead) return lines;
  doc.Parse(text);
  const std::string section_name = Name(section);
  Ini::TNamesDepend keys;
  doc.ini.GetAllKeys(section_name.c_str(), keys);
  keys.sort(Ini::Entry::LoadOrder());
  lines.reserve(keys.size());
  for (const Ini::Entry& key : keys) {
    const char* value = FirstValue(doc.ini, section_name, key.pItem);
    lines.push_back(std::string(key.pItem) + "=" + (value ? value : ""));
  }
  return lines;
}

void ConfigFile::WriteConfigValue(std::string_view section,
                                  std::string_view key,
                                  std::string_view value) {
  const Error failure(FormatText(Tr("Cannot write to %s"), {location_.path}));
  std::string section_name = Name(section);
  std::string key_name = Name(key);
  if (!CanStore(section_name, key_name, value)) throw failure;

  std::string text;
  Document doc;
  const FileState state = ReadSettings(location_, text);
  // Rewriting a file that cannot be read would lose its content.
  if (state == FileState::kUnreadable) throw failure;
  if (state == FileState::kRead && !doc.Parse(text)) throw failure;

  Ini::TNamesDepend names;
  doc.ini.GetAllSections(names);
  section_name = SpellingOf(names, section_name);
  doc.ini.GetAllKeys(section_name.c_str(), names);
  key_name = SpellingOf(names, key_name);
  const std::string value_text(value);
  if (doc.ini.SetValue(section_name.c_str(), key_name.c_str(),
                       value_text.c_str(), nullptr,
                       /*a_bForceReplace=*/true) < 0 ||
      !Serialize(doc, text)) {
    throw failure;
  }
  if (!MakeFolderFor(location_)) throw failure;
  try {
    WriteFileAtomically(location_.path, text);
  } catch (const Error&) {
    throw failure;
  }
}

void ConfigFile::DeleteConfigKey(std::string_view section,
                                 std::string_view key) {
  const Error failure(FormatText(Tr("Cannot write to %s"), {location_.path}));
  std::string text;
  Document doc;
  switch (ReadSettings(location_, text)) {
    case FileState::kMissing:
      return;  // nothing to remove, and no file is created
    case FileState::kUnreadable:
      throw failure;
    case FileState::kRead:
      break;
  }
  if (!doc.Parse(text)) throw failure;
  if (!doc.ini.Delete(Name(section).c_str(), Name(key).c_str())) return;
  if (!Serialize(doc, text)) throw failure;
  if (!MakeFolderFor(location_)) throw failure;
  try {
    WriteFileAtomically(location_.path, text);
  } catch (const Error&) {
    throw failure;
  }
}

}  // namespace quorlix
