// Access to config.cfg, Quorlix's INI-form settings file. Section and key
// names match ignoring letter case; values are returned exactly as stored.
// Every call reads or rewrites the file anew and keeps no copy of it.
// Writes replace the file atomically and keep everything else in it
// (other sections, comments, key order) as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// The directory of the running executable followed by "config.cfg".
std::string ConfigFilePath();

class ConfigFile {
 public:
  // The file beside the executable.
  ConfigFile();
  explicit ConfigFile(std::string path);

  const std::string& path() const { return path_; }

  // The value of `key` in `section`; `fallback` when the file, the section
  // or the key is missing. An empty value reads as "".
  std::string ReadConfigValue(std::string_view section, std::string_view key,
                              std::string_view fallback) const;
  // One "key=value" line per key of `section`, in file order; empty when
  // the file or the section is missing.
  std::vector<std::string> ReadConfigSection(std::string_view section) const;
  // Sets the value, adding key, section or file as needed. Throws
  // quorlix::Error "In <path> kann nicht geschrieben werden" on failure.
  void WriteConfigValue(std::string_view section, std::string_view key,
                        std::string_view value);
  // Removes the key; a missing file, section or key is no error.
  void DeleteConfigKey(std::string_view section, std::string_view key);

 private:
  std::string path_;
};

}  // namespace quorlix
