// Fuzz target: config.cfg of any bytes. Reading never changes the file;
// then one key is written: when the write succeeds the key reads back as
// written and every other key of every section reads as before; when it
// fails the file is byte for byte as it was.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "core/error.h"
#include "core/text_util.h"
#include "fuzz/check.h"

namespace {

using quorlix::ConfigFile;


// A fresh directory for this process's config.cfg, in memory when possible:
// every write is synced.
const std::string& ConfigPath() {
  static const std::string path = [] {
    std::string dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    dir += "/quorlix-fuzz-XXXXXX";
    QUORLIX_CHECK(::mkdtemp(dir.data()) != nullptr);
    static std::string made;
    made = dir;
    std::atexit([] { std::filesystem::remove_all(made); });
    return dir + "/config.cfg";
  }();
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Every text that could name a section: whatever stands between a "[" and
// the next "]" or line end, as is and trimmed. Names that are not sections
// read as empty before and after, which is harmless.
std::set<std::string> SectionCandidates(std::string_view text) {
  std::set<std::string> names = {"config", "colordef", "color_default", ""};
  for (std::size_t open = text.find('['); open != std::string_view::npos;
       open = text.find('[', open + 1)) {
    const std::size_t end = text.find_first_of("]\r\n", open + 1);
    const std::string_view name =
        text.substr(open + 1, (end == std::string_view::npos ? text.size() : end) - open - 1);
    // Names are looked up as C strings: a NUL byte would end one early.
    if (name.find('\0') != std::string_view::npos) continue;
    names.insert(std::string(name));
    names.insert(std::string(Trim(name)));
    if (names.size() > 64) break;
  }
  return names;
}

// The section's lines without those of `key` (compared as the file does:
// ignoring letter case).
std::vector<std::string> Without(const std::vector<std::string>& lines, std::string_view key) {
  std::vector<std::string> rest;
  for (const std::string& line : lines) {
    const std::string_view name = quorlix::SplitAtChar(line, '=', 1);
    if (!quorlix::EqualsIgnoreAsciiCase(name, key)) rest.push_back(line);
  }
  return rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeBool() ? "config" : input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeBool() ? "time_config" : input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(32);
  const std::string file = input.ConsumeRemainingBytesAsString();

  const std::string& path = ConfigPath();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << file;
  }
  ConfigFile config(path);
  const std::set<std::string> sections = SectionCandidates(file);
  std::vector<std::vector<std::string>> before;
  for (const std::string& name : sections) before.push_back(config.ReadConfigSection(name));
  QUORLIX_CHECK(ReadAll(path) == file);  // reading changes nothing

  try {
    config.WriteConfigValue(section, key, value);
  } catch (const quorlix::Error& e) {
    QUORLIX_CHECK(ReadAll(path) == file);
    QUORLIX_CHECK(std::string_view(e.what()) == "In " + path + " kann nicht geschrieben werden");
    return 0;
  }
  QUORLIX_CHECK(config.ReadConfigValue(section, key, "\x01missing") == value);
  std::size_t k = 0;
  for (const std::string& name : sections) {
    const std::vector<std::string> after = config.ReadConfigSection(name);
    if (quorlix::EqualsIgnoreAsciiCase(Trim(name), Trim(section))) {
      QUORLIX_CHECK(Without(after, Trim(key)) == Without(before[k], Trim(key)));
    } else {
      QUORLIX_CHECK(after == before[k]);
    }
    ++k;
  }
  return 0;
}
