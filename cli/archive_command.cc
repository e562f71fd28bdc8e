#include "cli/archive_command.h"

#include <cstdio>
#include <memory>
#include <new>

#include "core/archive/archive_writer.h"
#include "core/text/translation.h"

namespace quorlix::cli {
namespace {

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quorlix-cli: %s\n", ShowableText(message).c_str());
}

}  // namespace

int WriteArchiveFolder(const CommandLine& command_line, const ChatState& state,
                       const SceneList& scenes, const ConvertSettings& settings,
                       const std::string& log_names, WorkingWindowFactory& windows) {
  ArchiveRequest request;
  request.folder = command_line.archive_folder;
  request.log_names = log_names;
  request.options = command_line.options;
  request.options.dialect = Dialect::kPage;
  request.settings = settings;
  request.force = command_line.force;
  request.threads = command_line.threads;
  const std::unique_ptr<WorkingWindow> window = windows.Create();
  window->Show();
  WorkingWindowCloser closer(*window);
  std::string caption;
  ArchiveResult result;
  try {
    result = WriteArchive(state, scenes, request, [&](int64_t done, int64_t total) {
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
  std::printf(
      "%s\n",
      ShowableText(FormatText(Tr("Archive %s: %s scenes; %s files written, %s "
                                 "pages unchanged, %s pages removed"),
                              {command_line.archive_folder, std::to_string(result.scenes),
                               std::to_string(result.written), std::to_string(result.unchanged),
                               std::to_string(result.removed)}))
          .c_str());
  if (std::fflush(stdout) != 0) return kExitFailure;
  return 0;
}

}  // namespace quorlix::cli
