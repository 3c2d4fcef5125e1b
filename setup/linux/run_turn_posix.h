// One run of velmora-setup at a time in a folder, and not cut short by a signal that can wait.
#ifndef VELMORA_SETUP_LINUX_RUN_TURN_POSIX_H
#define VELMORA_SETUP_LINUX_RUN_TURN_POSIX_H

#include <signal.h>

#include <functional>
#include <string>

namespace velmora {

// Takes an exclusive lock on `folder` (none when it cannot be opened: then there is nothing of
// velmora-setup's there to guard either), waiting up to ten seconds for another run and saying
// so through `say`; then holds back the signals that ask a program to end, from a terminal or
// `kill`, until the object goes: the run then ends as it would have, only not halfway.
class RunTurn {
public:
  RunTurn(const std::string &folder, const std::function<void(const std::string &)> &say);
  ~RunTurn();
  RunTurn(const RunTurn &) = delete;
  RunTurn &operator=(const RunTurn &) = delete;

  bool taken() const { return taken_; }
  // The process that held the lock, 0 when none did or the system does not tell.
  unsigned long holder() const { return holder_; }

private:
  int fd_;
  bool taken_ = false;
  unsigned long holder_ = 0;
  sigset_t previous_;
};

// Whether a signal that asks the program to end came while the turn held it back, so that a
// wait on another program can end early.
bool endIsAsked();

} // namespace velmora

#endif
