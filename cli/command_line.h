// The command line of quorlix-cli: its options and the parsing of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/convert/loaded_log.h"
#include "core/dialects/convert_options.h"

namespace quorlix::cli {

// Reads a period as -t writes it: YYYY, YYYY-MM or YYYY-MM-DD. False when
// `text` is no such period (or names no real month or day).
bool ParsePeriod(const std::string& text, Period& period);

struct CommandLine {
  // One log or several, merged in this order; "-" is standard input.
  std::vector<std::string> log_files;
  std::string output_file;  // empty: standard output
  std::string config_file;  // empty: the settings file in use (LocateConfig)
  ConvertOptions options;
  // -p, -c, -t, --from and --to.
  Selection selection;
  bool list = false;
  // --scenes lists the scenes; --scene K (from 1) converts scene K alone,
  // as one range, never together with periods or --from/--to.
  bool scenes = false;
  std::optional<int64_t> scene;
  std::optional<int64_t> scene_gap;  // --scene-gap: minutes, instead of config.cfg's
  unsigned threads = 0;              // 0: one per hardware thread
  // --archive: the folder of a page per scene and the indexes; --force
  // writes it into a folder holding other files.
  std::string archive_folder;
  bool force = false;
  // --post-limit: cut the output into parts of at most this many bytes.
  std::optional<std::uint64_t> post_limit;
};

// Exit status of quorlix-cli for a usage error or an unknown name.
inline constexpr int kExitUsage = 2;
// Exit status when the log cannot be read or converted, or output fails.
inline constexpr int kExitFailure = 1;

// `text` for a message on a terminal: control characters (C0, DEL and,
// in UTF-8, C1) of file names and arguments become "?", as those of log
// lines do, so that a name cannot steer the terminal.
std::string ShowableText(std::string_view text);

// Parses argv into `command_line`. Returns -1 when the program should go
// on; otherwise the exit status after help or the version was printed
// (0) or a usage error was reported on standard error (kExitUsage).
int ParseCommandLine(int argc, char** argv, CommandLine& command_line);

}  // namespace quorlix::cli
