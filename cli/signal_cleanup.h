// Removes the temporary files of the outputs being written when SIGINT,
// SIGTERM, SIGHUP or SIGXFSZ ends quorlix-cli, then lets the signal end the program
// as it would have. The handler only unlinks paths prepared in advance and
// re-raises the signal: both are async-signal-safe.
// The same clean-up, with a message and exit status 1, when the mapped log
// file loses pages because another program shortened it.
#pragma once

#include <signal.h>

#include <string>
#include <string_view>

namespace quorlix::cli {

// Adds a file to remove (installing the handlers on first use; a signal
// the program was started to ignore stays ignored). A name is complete
// before the handler can see it; call it from one thread, which then
// handles the signals for all. The files armed last go first, so a
// `directory` armed before the files in it is empty when its turn comes.
void ArmSignalCleanup(const std::string& path, bool directory = false);
// No file to remove any more: all have been renamed into place or removed.
void DisarmSignalCleanup();

// From now on a SIGBUS on a page of `bytes` (a mapped log) removes the
// files armed, writes `message` and a line break to standard error and
// ends the program with status 1. A SIGBUS elsewhere keeps its default
// action. At most kMostMappedLogs logs are guarded: ask CanGuardMappedLog()
// before mapping another one, and read it instead when it says no.
inline constexpr int kMostMappedLogs = 64;
bool CanGuardMappedLog();
void GuardMappedLog(std::string_view bytes, const std::string& message);

// Holds the signals above back while it lives, so that a file can
// be created and named for the clean-up without a gap between the two.
class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;

 private:
  sigset_t before_;  // restored at the end, so holds can nest
};

}  // namespace quorlix::cli
