// Windows: Ctrl+C, Ctrl+Break, closing the console, logging off and shutting
// down reach the program through its console handler, on a thread of their
// own. The handler removes the armed files and lets the default handling
// end the program. A mapped log cannot be shortened on Windows, so no page
// of it is ever lost and there is nothing to guard.
#include <windows.h>

#include <atomic>
#include <deque>
#include <string>

#include "cli/signal_cleanup.h"
#include "core/windows_text.h"

namespace quorlix::cli {
namespace {

struct CleanupNode {
  const CleanupNode* next;
  std::wstring path;
};
std::deque<CleanupNode> g_nodes;  // changed by the main thread only
std::atomic<const CleanupNode*> g_files{nullptr};

BOOL WINAPI RemoveTempFiles(DWORD) {
  for (const CleanupNode* node = g_files.load(); node != nullptr; node = node->next) {
    ::DeleteFileW(node->path.c_str());
  }
  return FALSE;  // the next handler, in the end the system's, ends the program
}

void InstallHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  ::SetConsoleCtrlHandler(&RemoveTempFiles, TRUE);
}

}  // namespace

// The handler walks only complete nodes: nothing needs holding back.
SignalHold::SignalHold() : before_() {}

SignalHold::~SignalHold() = default;

void ArmSignalCleanup(const std::string& path) {
  InstallHandler();
  g_files.store(&g_nodes.emplace_back(CleanupNode{g_files.load(), platform::Widen(path)}));
}

void GuardMappedLog(std::string_view, const std::string&) {}

void DisarmSignalCleanup() { g_files.store(nullptr); }

}  // namespace quorlix::cli
