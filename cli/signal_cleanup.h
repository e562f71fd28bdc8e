// Removes the temporary files of the outputs being written when SIGINT,
// SIGTERM or SIGHUP ends quorlix-cli, then lets the signal end the program
// as it would have. The handler only unlinks paths prepared in advance and
// re-raises the signal: both are async-signal-safe.
#pragma once

#include <signal.h>

#include <string>

namespace quorlix::cli {

// Adds a file to remove (installing the handlers on first use; a signal
// the program was started to ignore stays ignored). A name is complete
// before the handler can see it.
void ArmSignalCleanup(const std::string& path);
// No file to remove any more: all have been renamed into place or removed.
void DisarmSignalCleanup();

// Holds SIGINT, SIGTERM and SIGHUP back while it lives, so that a file can
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
