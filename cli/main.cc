// quorlix-cli: loads a chat log as the Load command does and converts it as
// the Convert command does, without a window.
//
//   quorlix-cli [OPTIONS] LOGFILE
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/line_sink.h"
#include "cli/part_sink.h"
#include "cli/progress_bar.h"
#include "cli/selection.h"
#include "cli/signal_cleanup.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "core/chat_state.h"
#include "core/converter.h"
#include "core/error.h"
#include "core/loader.h"
#include "core/translation.h"

namespace quorlix::cli {
namespace {

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quorlix-cli: %s\n", message.c_str());
}

// The name standing for standard input as LOGFILE.
constexpr const char* kStandardInput = "-";

// A log file is mapped, not copied; should it be shortened meanwhile, the
// run ends with a message instead of a crash, its outputs left as they were.
LineStore ReadLog(const std::string& log_file) {
  if (log_file == kStandardInput) return LineStore::ReadDescriptor(STDIN_FILENO, log_file);
  return LineStore::MapFile(log_file, [&](std::string_view bytes) {
    const std::string message =
        FormatText(Tr("File %s was shortened while it was being read"), {log_file});
    GuardMappedLog(bytes, "quorlix-cli: " + message);
  });
}

// Runs one step; an error is reported as compilers do, with the file and
// the line when it concerns one. Returns 0 or kExitFailure.
template <typename Step>
int Report(const std::string& log_file, Step&& step) {
  try {
    step();
    return 0;
  } catch (const Error& e) {
    if (e.line() > 0) {
      PrintError(log_file + ":" + std::to_string(e.line()) + ": " + e.what());
    } else {
      PrintError(e.what());
    }
  } catch (const std::bad_alloc&) {
    PrintError(FormatText(Tr("Not enough memory for %s"), {log_file}));
  }
  return kExitFailure;
}

// True when `output_file` names the log itself, also through links: the
// conversion would replace its own input.
bool IsTheLog(const std::string& output_file, const std::string& log_file) {
  struct stat out, log;
  if (::stat(output_file.c_str(), &out) != 0) return false;
  const int status =
      log_file == kStandardInput ? ::fstat(STDIN_FILENO, &log) : ::stat(log_file.c_str(), &log);
  return status == 0 && out.st_dev == log.st_dev && out.st_ino == log.st_ino;
}

// The bar goes to a terminal on standard error, and only when the output
// is not on that same terminal, where the two would mix.
bool ShowProgress(bool output_to_stdout) {
  if (!::isatty(STDERR_FILENO)) return false;
  if (!output_to_stdout || !::isatty(STDOUT_FILENO)) return true;
  struct stat out, err;
  return ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(STDERR_FILENO, &err) == 0 &&
         out.st_rdev != err.st_rdev;
}

// The settings for the whole run, read once. A --config file that is
// missing gets a warning and the defaults; one that cannot be read (a
// directory, a FIFO, no permission) ends the run. False then.
bool ReadSettings(const std::string& config_file, ConfigFile& config) {
  config = (config_file.empty() ? ConfigFile(LocateConfig()) : ConfigFile(config_file)).Snapshot();
  if (config_file.empty()) return true;
  if (!config.unreadable_reason().empty()) {
    PrintError(config.unreadable_reason());
    return false;
  }
  if (config.missing()) {
    PrintError(
        FormatText(Tr("Warning: settings file %s not found, the defaults apply"), {config_file}));
  }
  return true;
}

// Reports names that the log does not hold; true when there were any.
// `message` holds the name and the log file as %s.
bool ReportUnknown(const char* message, const std::vector<std::string>& unknown,
                   const std::string& log_file) {
  for (const std::string& name : unknown) PrintError(FormatText(message, {name, log_file}));
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
  const std::string& log_file = command_line.log_file;
  LoadSettings load_settings;
  ConvertSettings convert_settings;
  {
    // The parsed file goes before the log is read: it can be large.
    ConfigFile config;
    if (!ReadSettings(command_line.config_file, config)) return kExitFailure;
    load_settings = ReadLoadSettings(config);
    if (!command_line.list) convert_settings = ReadConvertSettings(config, command_line.options);
  }
  if (!command_line.output_file.empty() && IsTheLog(command_line.output_file, log_file)) {
    PrintError(FormatText(Tr("%s is the input file %s itself and is not overwritten"),
                          {command_line.output_file, log_file}));
    return kExitUsage;
  }

  SilentWorkingWindowFactory silent;
  std::unique_ptr<ProgressBarFactory> bar;
  if (ShowProgress(command_line.output_file.empty())) {
    bar = std::make_unique<ProgressBarFactory>(STDERR_FILENO);
  }
  WorkingWindowFactory& windows = bar ? static_cast<WorkingWindowFactory&>(*bar) : silent;

  ChatState state;
  const PassThreads threads{.count = command_line.threads};
  // Converting the whole log needs none of its lines kept, nor the lists.
  const bool whole_log = !command_line.list && command_line.persons.empty() &&
                         command_line.channels.empty() && command_line.periods.empty() &&
                         !command_line.span.limited();
  WholeLogLines whole;
  std::unique_ptr<CommitSink> out;
  int status = Report(log_file, [&] {
    // The output first, so that an unwritable place fails at once; a file
    // appears only at Commit().
    out = MakeSink(command_line);
    if (bar) bar->set_label(Tr("Loading"));
    state.raw_lines = ReadLog(log_file);
    if (whole_log) {
      whole =
          RunLoadPassForWholeLog(state, load_settings, windows, threads,
                                 ConvertWantsChannelList(command_line.options, convert_settings));
    } else {
      RunLoadPass(state, load_settings, windows, threads);
    }
  });
  if (status != 0) return status;

  const bool unknown =
      ReportUnknown(Tr("no person '%s' in %s"),
                    SelectEntries(command_line.persons, state.persons, state.filters.persons),
                    log_file) |
      ReportUnknown(Tr("no channel '%s' in %s"),
                    SelectEntries(command_line.channels, state.channels, state.filters.channels),
                    log_file) |
      ReportUnknown(Tr("no period '%s' in %s"), SelectPeriods(command_line.periods, state),
                    log_file);
  if (unknown) return kExitUsage;

  return Report(log_file, [&] {
    if (command_line.list) {
      WriteListing(state, *out);
    } else {
      state.options = command_line.options;
      if (bar) bar->set_label(Tr("Converting"));
      if (whole_log) {
        ConvertWholeLogIntoSink(state, whole, convert_settings, *out, windows, threads);
      } else if (command_line.span.limited()) {
        ConvertSceneIntoSink(state, Scene{.span = command_line.span}, convert_settings, *out,
                             windows, threads);
      } else {
        ConvertIntoSink(state, convert_settings, *out, windows, threads);
      }
    }
    out->Commit();
  });
}

}  // namespace
}  // namespace quorlix::cli

int main(int argc, char** argv) {
  quorlix::InitTranslations();
  quorlix::cli::CommandLine command_line;
  const int status = quorlix::cli::ParseCommandLine(argc, argv, command_line);
  if (status >= 0) return status;
  return quorlix::cli::Run(command_line);
}
