// quorlix-cli: loads a chat log as the Load command does and converts it as
// the Convert command does, without a window.
//
//   quorlix-cli [OPTIONS] LOG...
//
// Several logs are merged into one (core/log_merge.h) before anything else
// sees them: every option applies to the merged lines.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/archive_command.h"
#include "cli/command_line.h"
#include "cli/line_sink.h"
#include "cli/listing.h"
#include "cli/part_sink.h"
#include "cli/progress_bar.h"
#include "cli/scene_rows.h"
#include "cli/signal_cleanup.h"
#include "config/config_file.h"
#include "config/engine_settings.h"
#include "config/scene_gap.h"
#include "core/convert/loaded_log.h"
#include "core/dialects/markdown_cut.h"
#include "core/files/atomic_write.h"
#include "core/files/output_target.h"
#include "core/files/platform.h"
#include "core/files/translation_setup.h"
#include "core/log/log_merge.h"
#include "core/log/scene_finder.h"
#include "core/text/error.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quorlix-cli: %s\n", ShowableText(message).c_str());
}

// The name standing for standard input as a LOG.
constexpr const char* kStandardInput = "-";

// A log file is mapped, not copied; should it be shortened meanwhile, the
// run ends with a message instead of a crash, its outputs left as they were.
LineStore ReadLog(const std::string& log_file) {
  if (log_file == kStandardInput) return LineStore::ReadDescriptor(STDIN_FILENO, log_file);
  if (!CanGuardMappedLog()) return LineStore::ReadFile(log_file);
  return LineStore::MapFile(log_file, [&](std::string_view bytes) {
    const std::string message =
        FormatText(Tr("File %s was shortened while it was being read"), {log_file});
    GuardMappedLog(bytes, "quorlix-cli: " + message);
  });
}

// The log's file name without its folders, which titles a web page: a
// page meant for publishing shows no private folder, whatever separator
// the system uses.
std::string LogName(const std::string& log_file) {
  if (log_file == kStandardInput) return "standard input";
  return NameOf(log_file);
}

// The logs, for messages that concern all of them.
std::string NamesOf(const std::vector<std::string>& log_files) {
  std::string names;
  for (const std::string& name : log_files) names.append(names.empty() ? "" : ", ").append(name);
  return names;
}

// The logs to read, in the order first given: a log named again (by
// another name, a link or a hard link) is left out, with a note, so that
// it is read, merged and named in titles once.
std::vector<std::string> DistinctLogs(const std::vector<std::string>& log_files) {
  std::vector<std::string> distinct;
  std::vector<platform::FileId> seen;
  for (const std::string& log_file : log_files) {
    platform::FileId id;
    const bool known = log_file == kStandardInput ? platform::IdentifyFile(STDIN_FILENO, id)
                                                  : platform::IdentifyPath(log_file, id);
    if (known) {
      if (std::find(seen.begin(), seen.end(), id) != seen.end()) {
        PrintError(FormatText(Tr("Note: %s was named before and is merged once"), {log_file}));
        continue;
      }
      seen.push_back(id);
    }
    distinct.push_back(log_file);
  }
  return distinct;
}

// Reads the logs (each named once) and merges them.
MergedLogs ReadLogs(const std::vector<std::string>& log_files, const LoadSettings& settings) {
  std::vector<LogToMerge> logs;
  for (const std::string& log_file : log_files) {
    logs.push_back(LogToMerge{log_file, ReadLog(log_file)});
  }
  return MergeLogs(std::move(logs), settings);
}

// Runs one step; an error is reported as compilers do, with the file and
// the line when it concerns one. Returns 0 or kExitFailure.
template <typename Step>
int Report(const std::string& log_file, Step&& step) {
  try {
    step();
    return 0;
  } catch (const RefusedOutput& e) {
    PrintError(e.what());
    return kExitUsage;
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

// True when standard output is the log's own file (`1<>v.log`, `>> v.log`):
// writing would overwrite the input as it is read.
bool StandardOutputIsTheLog(const std::string& log_file) {
  platform::FileInfo info;
  platform::FileId out, log;
  if (!platform::InspectFile(STDOUT_FILENO, info) || info.kind != platform::FileKind::kRegular ||
      !platform::IdentifyFile(STDOUT_FILENO, out)) {
    return false;
  }
  const bool known = log_file == kStandardInput ? platform::IdentifyFile(STDIN_FILENO, log)
                                                : platform::IdentifyPath(log_file, log);
  return known && out == log;
}

// The bar goes to a terminal on standard error, and only when the output
// is not on that same terminal, where the two would mix.
bool ShowProgress(bool output_to_stdout) {
  if (!platform::IsTerminal(STDERR_FILENO)) return false;
  if (!output_to_stdout || !platform::IsTerminal(STDOUT_FILENO)) return true;
  return !platform::SameTerminal(STDOUT_FILENO, STDERR_FILENO);
}

// The settings for the whole run, read once. A --config file that is
// missing gets a warning and the defaults; one that cannot be read (a
// directory, a FIFO, no permission) ends the run. False then. The file in
// use without --config gets a warning and the defaults in either case.
bool ReadSettings(const std::string& config_file, ConfigFile& config) {
  config = (config_file.empty() ? ConfigFile(LocateConfig()) : ConfigFile(config_file)).Snapshot();
  if (config_file.empty()) {
    // The file in use that exists but cannot be read: said, not silent.
    if (!config.unreadable_reason().empty()) {
      PrintError(FormatText(Tr("Warning: %s; the defaults apply"), {config.unreadable_reason()}));
    }
    return true;
  }
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

// Reports names that the log does not hold. `message` holds the name and
// the log file as %s.
void ReportUnknown(const char* message, const std::vector<std::string>& unknown,
                   const std::string& log_file) {
  for (const std::string& name : unknown) PrintError(FormatText(message, {name, log_file}));
}

std::unique_ptr<CommitSink> MakeSink(const CommandLine& command_line) {
  const std::string& path = command_line.output_file;
  if (!command_line.post_limit) {
    if (path.empty()) return std::make_unique<LineSink>();
    return std::make_unique<LineSink>(path);
  }
  const std::uint64_t limit = *command_line.post_limit;
  if (path.empty()) return std::make_unique<PartStreamSink>(limit);
  // A device, FIFO or socket is written into rather than replaced.
  if (IsStreamTarget(path)) return std::make_unique<PartStreamSink>(path, limit);
  return std::make_unique<PartFileSink>(path, limit, command_line.log_files);
}

// The message that -o would overwrite one of the logs, or "".
std::string OutputOverwritesLog(const CommandLine& command_line) {
  if (command_line.output_file.empty()) return {};
  for (const std::string& log_file : command_line.log_files) {
    if (IsTheLog(command_line.output_file, log_file)) {
      return FormatText(Tr("%s is the input file %s itself and is not overwritten"),
                        {command_line.output_file, log_file});
    }
  }
  return {};
}

// The message that standard output is one of the logs, or "".
std::string StandardOutputOverwritesLog(const CommandLine& command_line) {
  if (!command_line.output_file.empty()) return {};
  for (const std::string& log_file : command_line.log_files) {
    if (StandardOutputIsTheLog(log_file)) {
      return FormatText(Tr("Standard output is the input file %s itself and is not written"),
                        {log_file});
    }
  }
  return {};
}

// A web page's title: the log's name, or the names of the logs merged.
std::string PageTitle(const std::vector<std::string>& log_files) {
  std::string title;
  for (const std::string& log_file : log_files) {
    title.append(title.empty() ? "" : ", ").append(LogName(log_file));
  }
  return title;
}

int Run(const CommandLine& command_line) {
  // One log is named in messages as it always was; several, all of them.
  const std::string log_file = NamesOf(command_line.log_files);
  LoadSettings load_settings;
  ConversionRequest request;
  request.selection = command_line.selection;
  request.options = command_line.options;
  request.list_only = command_line.list;
  const bool archive = !command_line.archive_folder.empty();
  const std::vector<std::string> log_files = DistinctLogs(command_line.log_files);
  if (archive) request.options.dialect = Dialect::kPage;
  const bool scenes = command_line.scenes || command_line.scene.has_value() || archive;
  request.scenes = scenes;
  int64_t scene_gap = kDefaultSceneGapMinutes;
  ConvertSettings request_settings;  // the request is moved into the load
  {
    // The parsed file goes before the log is read: it can be large.
    ConfigFile config;
    if (!ReadSettings(command_line.config_file, config)) return kExitFailure;
    load_settings = ReadLoadSettings(config);
    if (!command_line.list) request.settings = ReadConvertSettings(config, command_line.options);
    request.settings.log_name = PageTitle(log_files);
    request_settings = request.settings;
    scene_gap = command_line.scene_gap.value_or(ReadSceneGap(config));
  }
  if (const std::string refused = OutputOverwritesLog(command_line); !refused.empty()) {
    PrintError(refused);
    return kExitUsage;
  }
  if (platform::IsLostDeviceName(command_line.output_file)) {
    PrintError(LostDeviceMessage(command_line.output_file));
    return kExitUsage;
  }
  if (const std::string refused = StandardOutputOverwritesLog(command_line); !refused.empty()) {
    PrintError(refused);
    return kExitUsage;
  }

  SilentWorkingWindowFactory silent;
  std::unique_ptr<ProgressBarFactory> bar;
  if (ShowProgress(command_line.output_file.empty())) {
    bar = std::make_unique<ProgressBarFactory>(STDERR_FILENO);
  }
  WorkingWindowFactory& windows = bar ? static_cast<WorkingWindowFactory&>(*bar) : silent;

  const PassThreads threads{.count = command_line.threads};
  // One log file: the archive keeps a record that lets a rerun read only
  // what the log gained since.
  ArchiveSource source{.log_file = log_files.size() == 1 && log_files[0] != kStandardInput
                                       ? log_files[0]
                                       : std::string(),
                       .gap_minutes = scene_gap,
                       .load = load_settings};
  if (archive && !source.log_file.empty()) {
    if (bar) bar->set_label(Tr("Writing"));
    if (const std::optional<int> resumed = ResumeArchiveFolder(
            command_line, request, request_settings, PageTitle(log_files), source, windows)) {
      return *resumed;
    }
  }
  std::optional<LoadedLog> log;
  std::unique_ptr<CommitSink> out;
  int status = Report(log_file, [&] {
    // The output first, so that an unwritable place fails at once; a file
    // appears only at Commit().
    if (!archive) out = MakeSink(command_line);
    if (bar) bar->set_label(Tr("Loading"));
    log = LoadedLog::Load(ReadLogs(log_files, load_settings).lines, std::move(request),
                          load_settings, windows, threads);
  });
  if (status != 0) return status;

  const UnknownSelection& unknown = log->unknown();
  ReportUnknown(Tr("no person '%s' in %s"), unknown.persons, log_file);
  ReportUnknown(Tr("no channel '%s' in %s"), unknown.channels, log_file);
  ReportUnknown(Tr("no period '%s' in %s"), unknown.periods, log_file);
  if (!unknown.empty()) return kExitUsage;

  // --scene K is converted as the range of --from/--to is, over its lines.
  // Only the list of scenes holds them all; one scene's run keeps its own.
  SceneList scene_list;
  if (scenes) {
    std::size_t count = 0;
    std::optional<SceneInfo> one;
    if (command_line.scene) {
      one = FindOneScene(log->state(), scene_gap, static_cast<std::size_t>(*command_line.scene - 1),
                         count);
    } else {
      scene_list = FindScenes(log->state(), scene_gap);
      count = scene_list.scenes.size();
    }
    if (count == 0 && !archive) PrintError(FormatText(Tr("no scenes in %s"), {log_file}));
    if (command_line.scene && !one) {
      PrintError(
          FormatText(Tr("no scene %s in %s: it has %s scenes"),
                     {std::to_string(*command_line.scene), log_file, std::to_string(count)}));
      return kExitUsage;
    }
    if (one) {
      const Scene range = SceneToConvert(*one);
      log->SelectLines(range.first, range.last);
    }
  }

  if (archive) {
    if (bar) bar->set_label(Tr("Writing"));
    return WriteArchiveFolder(command_line, log->state(), scene_list, request_settings,
                              PageTitle(log_files), source, windows);
  }
  return Report(log_file, [&] {
    if (command_line.list) {
      WriteListing(log->state(), *out);
    } else if (command_line.scenes) {
      WriteSceneRows(scene_list, *out);
    } else {
      if (bar) bar->set_label(Tr("Converting"));
      // A chat app takes no post over its limit: long Markdown lines go in pieces.
      const bool cut =
          command_line.post_limit && command_line.options.dialect == Dialect::kMarkdown;
      MarkdownCutSink pieces(*out, cut ? *command_line.post_limit : 0);
      log->Convert(pieces, windows, threads);
    }
    out->Commit();
  });
}

}  // namespace
}  // namespace quorlix::cli

int main(int argc, char** argv) {
  quorlix::platform::UseBinaryStandardStreams();
  quorlix::InitTranslations();
  quorlix::cli::CommandLine command_line;
  const int status = quorlix::cli::ParseCommandLine(argc, argv, command_line);
  if (status >= 0) return status;
  return quorlix::cli::Run(command_line);
}
