// One run of velmora-setup at a time in a folder, and not cut short by a signal that can wait.
#ifndef VELMORA_SETUP_LINUX_RUN_TURN_POSIX_H
#define VELMORA_SETUP_LINUX_RUN_TURN_POSIX_H

#include <signal.h>

#include <string>

namespace velmora {

// Holds an exclusive lock on `folder` (none when it cannot be opened: then there is nothing of
// velmora-setup's there to guard either) and holds back the signals that ask a program to end,
// from a terminal or `kill`, until the object goes; the run then ends as it would have, only
// not halfway.
class RunTurn {
public:
  explicit RunTurn(const std::string &folder);
  ~RunTurn();
  RunTurn(const RunTurn &) = delete;
  RunTurn &operator=(const RunTurn &) = delete;

private:
  int fd_;
  sigset_t previous_;
};

} // namespace velmora

#endif
