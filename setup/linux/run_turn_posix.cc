// POSIX backend of velmora-setup: flock and the signal mask; no policy.
#include "setup/linux/run_turn_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace velmora {

RunTurn::RunTurn(const std::string &folder)
    : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  sigset_t deferred;
  sigemptyset(&deferred);
  for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE})
    sigaddset(&deferred, signal);
  sigprocmask(SIG_BLOCK, &deferred, &previous_);
}

RunTurn::~RunTurn() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
  if (fd_ >= 0)
    close(fd_);
}

} // namespace velmora
