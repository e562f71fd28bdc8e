#include "cli/signal_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace quorlix::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written only while the signals are held back; read by the handler.
char g_path[PATH_MAX];
volatile sig_atomic_t g_armed = 0;

extern "C" void RemoveTempAndReraise(int signal_number) {
  if (g_armed) ::unlink(g_path);
  ::signal(signal_number, SIG_DFL);
  // Pending until the handler returns and unblocks it; then the default
  // action ends the program with the signal's own status.
  ::raise(signal_number);
}

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
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

void ArmSignalCleanup(const std::string& path) {
  const SignalHold hold;
  InstallHandlers();
  g_armed = 0;
  if (path.empty() || path.size() >= sizeof g_path) return;
  std::memcpy(g_path, path.c_str(), path.size() + 1);
  g_armed = 1;
}

void DisarmSignalCleanup() { g_armed = 0; }

}  // namespace quorlix::cli
