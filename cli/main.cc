// quorlix-cli: loads a chat log as the Load command does and converts it as
// the Convert command does, without a window.
//
//   quorlix-cli [OPTIONS] LOGFILE
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/line_sink.h"
#include "cli/part_sink.h"
#include "cli/progress_bar.h"
#include "cli/selection.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/chat_state.h"
#include "core/converter.h"
#include "core/error.h"
#include "core/loader.h"

namespace quorlix::cli {
namespace {

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quorlix-cli: %s\n", message.c_str());
}

// Reports names that the log does not hold; true when there were any.
bool ReportUnknown(const char* what, const std::vector<std::string>& unknown,
                   const std::string& log_file) {
  for (const std::string& name : unknown) {
    PrintError(std::string("no ") + what + " '" + name + "' in " + log_file);
  }
  return !unknown.empty();
}

// Every part file waits, held open, until all are written: allow as many
// open files as the system lets this process have.
void AllowManyOpenFiles() {
  rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

std::unique_ptr<CommitSink> MakeSink(const CommandLine& command_line) {
  const std::string& path = command_line.output_file;
  if (!command_line.post_limit) {
    if (path.empty()) return std::make_unique<LineSink>();
    return std::make_unique<LineSink>(path);
  }
  const std::uint64_t limit = *command_line.post_limit;
  if (path.empty()) return std::make_unique<PartStreamSink>(limit);
  AllowManyOpenFiles();
  return std::make_unique<PartFileSink>(path, limit);
}

int Run(const CommandLine& command_line) {
  // Progress goes to a terminal only; piped or redirected runs stay quiet.
  SilentWorkingWindowFactory silent;
  std::unique_ptr<ProgressBarFactory> bar;
  if (::isatty(STDERR_FILENO)) bar = std::make_unique<ProgressBarFactory>(STDERR_FILENO);
  WorkingWindowFactory& windows = bar ? static_cast<WorkingWindowFactory&>(*bar) : silent;

  const ConfigFile config(command_line.config_file.empty() ? ConfigFilePath()
                                                           : command_line.config_file);
  ChatState state;
  std::unique_ptr<CommitSink> out;
  try {
    // The output file first, so that an unwritable place fails at once;
    // it appears only at Commit().
    out = MakeSink(command_line);
    if (bar) bar->set_label("Loading");
    state.raw_lines = LineStore::ReadFile(command_line.log_file);
    RunLoadPass(state, ReadLoadSettings(config), windows);
  } catch (const Error& e) {
    PrintError(e.what());
    return kExitFailure;
  }

  const bool unknown =
      ReportUnknown("person", SelectEntries(command_line.persons, state.persons,
                                            state.filters.persons),
                    command_line.log_file) |
      ReportUnknown("channel", SelectEntries(command_line.channels, state.channels,
                                             state.filters.channels),
                    command_line.log_file) |
      ReportUnknown("period", SelectPeriods(command_line.periods, state),
                    command_line.log_file);
  if (unknown) return kExitUsage;

  try {
    if (command_line.list) {
      WriteListing(state, *out);
    } else {
      state.options = command_line.options;
      if (bar) bar->set_label("Converting");
      ConvertIntoSink(state, ReadConvertSettings(config, state.options), *out, windows);
    }
    out->Commit();
  } catch (const Error& e) {
    PrintError(e.what());
    return kExitFailure;
  }
  return 0;
}

}  // namespace
}  // namespace quorlix::cli

int main(int argc, char** argv) {
  quorlix::cli::CommandLine command_line;
  const int status = quorlix::cli::ParseCommandLine(argc, argv, command_line);
  if (status >= 0) return status;
  return quorlix::cli::Run(command_line);
}
