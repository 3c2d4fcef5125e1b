// POSIX entry: the process state made sane, the host backend from argv, then the run.
#include "app/run_sequence.h"
#include "host/posix_platform.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// velmora's caller may have closed the standard streams. The next file opened would then take
// their place (the settings file as standard input), and the program velmora starts would get
// it. They stay taken by /dev/null instead.
void keepStandardStreamsTaken() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1)
      continue;
    int taken = open("/dev/null", O_RDWR);
    if (taken < 0)
      return;
    if (taken != fd) {
      // A lower stream was open after all; this one is not what was missing.
      close(taken);
      return;
    }
  }
}

} // namespace

int main(int argc, char **argv) {
  keepStandardStreamsTaken();
  // A closed or broken stderr must not end velmora with SIGPIPE while it reports a failure;
  // the program it starts gets every signal back at its default.
  std::signal(SIGPIPE, SIG_IGN);
  velmora::PosixPlatform platform(argc, argv);
  return velmora::runProgram(platform.roles());
}
