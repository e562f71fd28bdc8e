#include "cli/archive_command.h"

#include <cstdio>
#include <memory>
#include <new>

#include "core/archive/archive_resume.h"
#include "core/archive/archive_writer.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quorlix-cli: %s\n", ShowableText(message).c_str());
}

ArchiveRequest MakeRequest(const CommandLine& command_line, const ConvertSettings& settings,
                           const std::string& log_names, const ArchiveSource& source) {
  ArchiveRequest request;
  request.folder = command_line.archive_folder;
  request.log_names = log_names;
  request.options = command_line.options;
  request.options.dialect = Dialect::kPage;
  request.settings = settings;
  request.force = command_line.force;
  request.threads = command_line.threads;
  request.log_file = source.log_file;
  request.gap_minutes = source.gap_minutes;
  request.load = source.load;
  return request;
}

// Runs `write` with a progress bar and reports; nothing when it gave up
// before writing.
template <typename Write>
std::optional<int> Report(const CommandLine& command_line, WorkingWindowFactory& windows,
                          Write&& write) {
  const std::unique_ptr<WorkingWindow> window = windows.Create();
  window->Show();
  WorkingWindowCloser closer(*window);
  std::string caption;
  std::optional<ArchiveResult> result;
  try {
    result = write([&](int64_t done, int64_t total) {
      FormatProgressCaption(done, total, caption);
      window->SetCaption(caption);
      return true;
    });
  } catch (const ForeignFilesError& e) {
    closer.Close();
    PrintError(e.what());
    PrintError(
        Tr("Give --force to write the archive there all the same; no file of others "
           "is removed"));
    return kExitUsage;
  } catch (const Error& e) {
    closer.Close();
    PrintError(e.what());
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    closer.Close();
    PrintError(Tr("Not enough memory for the archive"));
    return kExitFailure;
  }
  closer.Close();
  if (!result) return std::nullopt;
  std::printf(
      "%s\n",
      ShowableText(FormatText(Tr("Archive %s: %s scenes; %s files written, %s "
                                 "pages unchanged, %s pages removed"),
                              {command_line.archive_folder, std::to_string(result->scenes),
                               std::to_string(result->written), std::to_string(result->unchanged),
                               std::to_string(result->removed)}))
          .c_str());
  if (std::fflush(stdout) != 0) return kExitFailure;
  return 0;
}

}  // namespace

int WriteArchiveFolder(const CommandLine& command_line, const ChatState& state,
                       const SceneList& scenes, const ConvertSettings& settings,
                       const std::string& log_names, const ArchiveSource& source,
                       WorkingWindowFactory& windows) {
  const ArchiveRequest request = MakeRequest(command_line, settings, log_names, source);
  return *Report(command_line, windows, [&](const ArchiveProgress& progress) {
    return std::optional<ArchiveResult>(WriteArchive(state, scenes, request, progress));
  });
}

std::optional<int> ResumeArchiveFolder(const CommandLine& command_line,
                                       const ConversionRequest& conversion,
                                       const ConvertSettings& settings,
                                       const std::string& log_names, const ArchiveSource& source,
                                       WorkingWindowFactory& windows) {
  const ArchiveRequest request = MakeRequest(command_line, settings, log_names, source);
  return Report(command_line, windows, [&](const ArchiveProgress& progress) {
    return ResumeArchive(request, conversion, progress, PassThreads{.count = command_line.threads});
  });
}

}  // namespace quorlix::cli
