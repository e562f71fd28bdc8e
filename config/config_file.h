// Access to config.cfg, Quorlix's INI-form settings file. Section and key
// names match ignoring letter case; values are returned exactly as stored.
// Every call reads or rewrites the file anew and keeps no copy of it,
// except on a snapshot, which reads the file once for a whole command.
// Writes replace the file atomically and keep everything else in it
// (other sections, comments, key order) as it was. Each write holds an
// exclusive lock (flock) on "<path>.lock" from its read to its rename, so
// writers in other processes work one after the other, each on the
// result of the one before.
//
// Which file: config.cfg beside the executable when it exists (the build
// folder, a portable copy); otherwise the user's
// $XDG_CONFIG_HOME/quorlix/config.cfg (~/.config/quorlix/config.cfg), on
// Windows %APPDATA%\Quorlix\config.cfg. Until
// the user's file exists, reads see the shipped defaults
// (<prefix>/share/quorlix/config.cfg); the first write creates it, folder
// included, from them.
#pragma once

#include <memory>
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
  std::string app_data;         // where settings go instead, when set (%APPDATA% on Windows)
};

ConfigLocation ChooseConfigLocation(const ConfigSearch& search);
// The choice for this process, from its executable and environment.
ConfigLocation LocateConfig();
// LocateConfig().path
std::string ConfigFilePath();

// One change of a rewrite: sets a value, or removes a key when `remove`.
struct ConfigChange {
  std::string section;
  std::string key;
  std::string value;
  bool remove = false;
};

class ConfigFile {
 public:
  struct Document;  // one parsed file

  // The file LocateConfig() chooses.
  ConfigFile();
  explicit ConfigFile(std::string path);
  explicit ConfigFile(ConfigLocation location);

  const std::string& path() const { return location_.path; }

  // A copy whose reads answer from the file as it is now, parsed once; it
  // never reads the file again. Writes through it go to the file as usual
  // (and do not change what it reads).
  ConfigFile Snapshot() const;
  // For a snapshot: empty when the file was read or is missing, else why
  // it could not be read (a directory, a FIFO, no permission).
  const std::string& unreadable_reason() const { return unreadable_reason_; }
  // For a snapshot: true when there was no file (nor shipped defaults).
  bool missing() const { return missing_; }

  // The value of `key` in `section`; `fallback` when the file, the section
  // or the key is missing. An empty value reads as "".
  std::string ReadConfigValue(std::string_view section, std::string_view key,
                              std::string_view fallback) const;
  // One "key=value" line per key of `section`, in file order; empty when
  // the file or the section is missing.
  std::vector<std::string> ReadConfigSection(std::string_view section) const;
  // Sets the value, adding key, section or file as needed. Throws
  // quorlix::Error "Cannot write to <path>" (translated) on failure.
  void WriteConfigValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key; a missing file, section or key is no error.
  void DeleteConfigKey(std::string_view section, std::string_view key);
  // All `changes`, in order, in one rewrite: the file holds either none or
  // all of them. Throws as WriteConfigValue does, leaving the file as it
  // was. Without a file, only removals create none.
  void ApplyChanges(const std::vector<ConfigChange>& changes);

 private:
  std::shared_ptr<const Document> Current() const;

  ConfigLocation location_;
  std::shared_ptr<const Document> snapshot_;  // null: read the file each time
  std::string unreadable_reason_;
  bool missing_ = false;
};

}  // namespace quorlix
