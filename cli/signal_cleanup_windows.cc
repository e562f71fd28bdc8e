// Windows: Ctrl+C, Ctrl+Break, closing the console, logging off and shutting
// down reach the program through its console handler, on a thread of their
// own. The handler waits for any SignalHold to end (so that a set of files
// being put in place is put in place whole), removes the armed files and
// folders and lets the default handling end the program. A mapped log
// cannot be shortened on Windows, so no page of it is ever lost and there
// is nothing to guard.
#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "cli/signal_cleanup.h"
#include "core/files/windows_text.h"

namespace quorlix::cli {
namespace {

struct CleanupNode {
  const CleanupNode* next;
  std::wstring path;
  bool directory;
};
std::deque<CleanupNode> g_nodes;  // changed by the main thread only
std::atomic<const CleanupNode*> g_files{nullptr};
// Held by each SignalHold, and by the handler for good once it runs.
std::recursive_mutex g_hold;

BOOL WINAPI RemoveTempFiles(DWORD) {
  g_hold.lock();  // never unlocked: the program ends
  for (const CleanupNode* node = g_files.load(); node != nullptr; node = node->next) {
    if (node->directory) {
      ::RemoveDirectoryW(node->path.c_str());
    } else {
      ::DeleteFileW(node->path.c_str());
    }
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

SignalHold::SignalHold() : before_() { g_hold.lock(); }

SignalHold::~SignalHold() { g_hold.unlock(); }

void ArmSignalCleanup(const std::string& path, bool directory) {
  InstallHandler();
  g_files.store(
      &g_nodes.emplace_back(CleanupNode{g_files.load(), platform::Widen(path), directory}));
}

bool CanGuardMappedLog() { return true; }
void GuardMappedLog(std::string_view, const std::string&) {}

void DisarmSignalCleanup() { g_files.store(nullptr); }

}  // namespace quorlix::cli
