// POSIX backend of velmora-setup: flock, /proc/locks and the signal mask; no policy.
#include "setup/linux/run_turn_posix.h"

#include "setup/engine/setup_engine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velmora {

namespace {

constexpr int kEndSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// The process holding a flock on the file `fd` names, as /proc/locks tells it:
// "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF".
unsigned long flockHolder(int fd) {
  struct stat info;
  FILE *locks = std::fopen("/proc/locks", "re");
  if (locks == nullptr || fstat(fd, &info) != 0) {
    if (locks != nullptr)
      std::fclose(locks);
    return 0;
  }
  char line[256];
  unsigned long holder = 0;
  while (holder == 0 && std::fgets(line, sizeof line, locks) != nullptr) {
    char kind[16] = "";
    unsigned long pid = 0, inode = 0;
    unsigned major = 0, minor = 0;
    if (std::sscanf(line, "%*[^:]: %15s %*s %*s %lu %x:%x:%lu", kind, &pid, &major, &minor,
                    &inode) == 5 &&
        std::strcmp(kind, "FLOCK") == 0 && inode == info.st_ino)
      holder = pid;
  }
  std::fclose(locks);
  return holder;
}

bool tryLock(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0)
    if (errno != EINTR)
      return false;
  return true;
}

} // namespace

RunTurn::RunTurn(const std::string &folder, const std::function<void(const std::string &)> &say)
    : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  taken_ = fd_ < 0 || tryLock(fd_);
  if (!taken_) {
    holder_ = flockHolder(fd_);
    say(setup_words::waitingFor(holder_));
    // A holder that is stopped never lets go: the wait has an end of its own.
    for (int tenth = 0; !taken_ && tenth < setup_words::kTurnWaitSeconds * 10; ++tenth) {
      timespec pause{0, 100 * 1000 * 1000};
      nanosleep(&pause, nullptr);
      taken_ = tryLock(fd_);
    }
  }
  sigset_t deferred;
  sigemptyset(&deferred);
  for (int signal : kEndSignals)
    sigaddset(&deferred, signal);
  sigaddset(&deferred, SIGPIPE);
  sigprocmask(SIG_BLOCK, &deferred, &previous_);
}

RunTurn::~RunTurn() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
  if (fd_ >= 0)
    close(fd_);
}

bool endIsAsked() {
  sigset_t pending;
  if (sigpending(&pending) != 0)
    return false;
  for (int signal : kEndSignals)
    if (sigismember(&pending, signal) == 1)
      return true;
  return false;
}

} // namespace velmora
