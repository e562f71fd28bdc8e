// Fuzz target: config.cfg of any bytes. Reading never changes the file;
// then one key is written: when the write succeeds the key reads back as
// written and every other key of every section reads as before; when it
// fails the file is byte for byte as it was.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "core/text/error.h"
#include "core/text/text_util.h"
#include "core/text/translation.h"
#include "fuzz/check.h"

namespace {

using quorlix::ConfigFile;

// A fresh directory for this process's config.cfg, under $TMPDIR (which
// tools/fuzz.sh points at a scratch directory in memory and removes after
// the run: every write is synced, and libFuzzer may end without clean-up).
const std::string& ConfigPath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorlix-fuzz-XXXXXX";
    QUORLIX_CHECK(::mkdtemp(dir.data()) != nullptr);
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

// Every section name of the file: what stands after a "[" that opens a
// line (after blanks) up to the next "]" or line end, trimmed, once
// ignoring letter case (names match so). Each costs two parses per input.
std::set<std::string> SectionNames(std::string_view text) {
  std::set<std::string> names = {"config", "colordef", "color_default", ""};
  bool line_start = true;
  for (std::size_t i = 0; i < text.size() && names.size() < 24; ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      line_start = true;
    } else if (c == '[' && line_start) {
      const std::size_t end = text.find_first_of("]\r\n", i + 1);
      std::string_view name =
          text.substr(i + 1, (end == std::string_view::npos ? text.size() : end) - i - 1);
      // Names are looked up as C strings: a NUL byte would end one early.
      if (name.find('\0') == std::string_view::npos) {
        std::string key(Trim(name));
        quorlix::AsciiLowerInPlace(key);
        names.insert(key);
      }
      line_start = false;
    } else if (!IsBlank(c) && c != '\0') {
      line_start = false;
    }
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
  const std::set<std::string> sections = SectionNames(file);
  std::vector<std::vector<std::string>> before;
  for (const std::string& name : sections) before.push_back(config.ReadConfigSection(name));
  QUORLIX_CHECK(ReadAll(path) == file);  // reading changes nothing

  try {
    config.WriteConfigValue(section, key, value);
  } catch (const quorlix::Error& e) {
    QUORLIX_CHECK(ReadAll(path) == file);
    QUORLIX_CHECK(std::string_view(e.what()) ==
                  quorlix::FormatText(quorlix::Tr("Cannot write to %s"), {path}));
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
