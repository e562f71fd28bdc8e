// Access to config.cfg, Quorlix's INI-form settings file. Section and key
// names match ignoring letter case; values are returned exactly as stored.
// Every call reads or rewrites the file anew and keeps no copy of it.
// Writes replace the file atomically and keep everything else in it
// (other sections, comments, key order) as it was.
//
// Which file: config.cfg beside the executable when it exists (the build
// folder, a portable copy); otherwise the user's
// $XDG_CONFIG_HOME/quorlix/config.cfg (~/.config/quorlix/config.cfg). Until
// the user's file exists, reads see the shipped defaults
// (<prefix>/share/quorlix/config.cfg); the first write creates it, folder
// included, from them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorlix {

// The settings file, and the file read in its place while it is missing.
struct ConfigLocation {
  std::string path;
  std::string defaults;  // empty: none; a missing file reads as empty
};

// What the choice of the settings file depends on.
struct ConfigSearch {
  std::string program_dir;      // the running executable's folder
  bool beside_program = false;  // program_dir holds a config.cfg
  std::string xdg_config_home;  // $XDG_CONFIG_HOME; used only when absolute
  std::string home;             // the user's home folder
};

ConfigLocation ChooseConfigLocation(const ConfigSearch& search);
// The choice for this process, from its executable and environment.
ConfigLocation LocateConfig();
// LocateConfig().path
std::string ConfigFilePath();

class ConfigFile {
 public:
  // The file LocateConfig() chooses.
  ConfigFile();
  explicit ConfigFile(std::string path);
  explicit ConfigFile(ConfigLocation location);

  const std::string& path() const { return location_.path; }

  // The value of `key` in `section`; `fallback` when the file, the section
  // or the key is missing. An empty value reads as "".
  std::string ReadConfigValue(std::string_view section, std::string_view key,
                              std::string_view fallback) const;
  // One "key=value" line per key of `section`, in file order; empty when
  // the file or the section is missing.
  std::vector<std::string> ReadConfigSection(std::string_view section) const;
  // Sets the value, adding key, section or file as needed. Throws
  // quorlix::Error "Cannot write to <path>" (translated) on failure.
  void WriteConfigValue(std::string_view section, std::string_view key,
                        std::string_view value);
  // Removes the key; a missing file, section or key is no error.
  void DeleteConfigKey(std::string_view section, std::string_view key);

 private:
  ConfigLocation location_;
};

}  // namespace quorlix
