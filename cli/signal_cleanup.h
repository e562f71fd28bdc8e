// Removes the temporary file of an output that is being written when
// SIGINT, SIGTERM or SIGHUP ends quorlix-cli, then lets the signal end the
// program as it would have. The handler only unlinks a path prepared in
// advance and re-raises the signal: both are async-signal-safe.
#pragma once

#include <signal.h>

#include <string>

namespace quorlix::cli {

// Names the file to remove (installing the handlers on first use; a signal
// the program was started to ignore stays ignored). The signals are held
// back while the name is set, so the handler never sees half of it.
void ArmSignalCleanup(const std::string& path);
// No file to remove any more: it has been renamed into place or removed.
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
