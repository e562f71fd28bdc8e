#include "cli/signal_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>

namespace quorlix::cli {
namespace {

// SIGXFSZ: a file size limit (ulimit -f) reached while writing.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// The files to remove, newest first. A node is complete before it is
// published and lives until the program ends (a deque never moves its
// elements), so a handler running on any thread walks whole nodes.
struct CleanupNode {
  const CleanupNode* next;
  std::string path;
  bool directory;  // removed with rmdir, once the files in it are gone
};
std::deque<CleanupNode> g_nodes;  // changed by the main thread only
std::atomic<const CleanupNode*> g_files{nullptr};

void RemoveFiles() {
  for (const CleanupNode* node = g_files.load(); node != nullptr; node = node->next) {
    if (node->directory) {
      ::rmdir(node->path.c_str());
    } else {
      ::unlink(node->path.c_str());
    }
  }
}

// The thread that arms and holds: the one on which the list is whole
// whenever the handler may run.
std::atomic<pid_t> g_main_thread{0};

extern "C" void RemoveTempAndReraise(int signal_number) {
  // A worker thread does not hold the signals while the main thread
  // creates a file and names it: the main thread takes over, once it lets
  // the signal in.
  if (::gettid() != g_main_thread.load()) {
    ::tgkill(::getpid(), g_main_thread.load(), signal_number);
    return;
  }
  RemoveFiles();
  ::signal(signal_number, SIG_DFL);
  // Pending until the handler returns and unblocks it; then the default
  // action ends the program with the signal's own status.
  ::raise(signal_number);
}

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  g_main_thread.store(::gettid());
  for (int signal_number : kSignals) {
    struct sigaction old {};
    if (::sigaction(signal_number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = &RemoveTempAndReraise;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    ::sigaction(signal_number, &action, nullptr);
  }
}

// The mapped logs and the message for each one's lost pages. An entry is
// whole before the count takes it in, and is not changed after.
struct MappedLog {
  std::uintptr_t begin = 0, end = 0;
  std::string message;
};
MappedLog g_mapped[kMostMappedLogs];
std::atomic<int> g_mapped_count{0};
std::atomic<bool> g_bus_error_reported{false};

extern "C" void OnBusError(int, siginfo_t* info, void*) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  const int count = g_mapped_count.load();
  for (int i = 0; i < count; ++i) {
    if (at < g_mapped[i].begin || at >= g_mapped[i].end) continue;
    // Threads reading the log at once all lose their pages: the first
    // reports and ends the program, the others wait for that end.
    if (g_bus_error_reported.exchange(true)) {
      for (;;) ::pause();
    }
    RemoveFiles();
    const std::string& text = g_mapped[i].message;
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
    ::_exit(1);
  }
  // Not a log: the access runs again on return and the default action
  // ends the program as it would have.
  ::signal(SIGBUS, SIG_DFL);
}

sigset_t HeldSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : kSignals) sigaddset(&set, signal_number);
  return set;
}

}  // namespace

SignalHold::SignalHold() {
  const sigset_t set = HeldSignals();
  ::sigprocmask(SIG_BLOCK, &set, &before_);
}

SignalHold::~SignalHold() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }

void ArmSignalCleanup(const std::string& path, bool directory) {
  const SignalHold hold;
  InstallHandlers();
  g_files.store(&g_nodes.emplace_back(CleanupNode{g_files.load(), path, directory}));
}

bool CanGuardMappedLog() { return g_mapped_count.load() < kMostMappedLogs; }

void GuardMappedLog(std::string_view bytes, const std::string& message) {
  const int count = g_mapped_count.load();
  if (count >= kMostMappedLogs) std::abort();  // CanGuardMappedLog() was not asked
  MappedLog& log = g_mapped[count];
  log.message = message + "\n";
  log.begin = reinterpret_cast<std::uintptr_t>(bytes.data());
  log.end = log.begin + bytes.size();
  g_mapped_count.store(count + 1);
  if (count > 0) return;
  struct sigaction action {};
  action.sa_sigaction = &OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}

void DisarmSignalCleanup() { g_files.store(nullptr); }

}  // namespace quorlix::cli
