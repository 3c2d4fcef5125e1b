// POSIX backend of velmora-setup: GIO's default application for a type, through `gio mime`;
// no policy.
#include "setup/linux/desktop_files_posix.h"
#include "setup/linux/run_turn_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

extern char **environ;

namespace velmora {

namespace {

// GIO answers at once; these bound a gio that hangs, trickles or floods.
constexpr long kGioDeadlineMs = 10000;
constexpr size_t kGioOutputBound = 64 * 1024;

long nowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// The environment with GIO's messages in the C locale.
std::vector<std::string> cLocaleEnvironment() {
  std::vector<std::string> copy;
  for (char **entry = environ; *entry != nullptr; ++entry)
    if (std::strncmp(*entry, "LC_ALL=", 7) != 0 && std::strncmp(*entry, "LANGUAGE=", 9) != 0)
      copy.emplace_back(*entry);
  copy.emplace_back("LC_ALL=C");
  return copy;
}

class Descriptor {
public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0)
      close(fd_);
    fd_ = -1;
  }

private:
  int fd_;
};

// Starts `gio mime TYPE` with its output on `output`, in a process group of its own, so that
// what it leaves running can be ended with it.
Expected<pid_t> startGio(const std::string &type, int output) {
  std::vector<std::string> environment = cLocaleEnvironment();
  std::vector<char *> envp;
  for (std::string &entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string gio = "gio", mime = "mime", typeCopy = type;
  char *argv[] = {gio.data(), mime.data(), typeCopy.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output, 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  // The signals velmora-setup holds back are gio's to take as ever.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  pid_t child = -1;
  int spawned = posix_spawnp(&child, "gio", &actions, &attributes, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0)
    return Failure{std::string("cannot start gio (") + std::strerror(spawned) + ")"};
  return child;
}

// What gio writes until the pipe ends, or gio itself has ended and said all it had (a program
// it started may keep the pipe open); then its group is ended and gio reaped.
Expected<std::string> answerOf(pid_t child, int reading) {
  std::string output, why;
  long deadline = nowMs() + kGioDeadlineMs;
  bool exited = false;
  int status = 0;
  for (bool open = true; open && why.empty();) {
    exited = exited || waitpid(child, &status, WNOHANG) == child;
    long left = deadline - nowMs();
    if (endIsAsked())
      why = "velmora-setup was asked to end while waiting for gio";
    else if (left <= 0)
      why = "gio did not answer within " + std::to_string(kGioDeadlineMs / 1000) + " s";
    pollfd readable{reading, POLLIN, 0};
    int ready = why.empty() ? poll(&readable, 1, static_cast<int>(left < 50 ? left : 50)) : 0;
    if (ready > 0) {
      char buffer[4096];
      ssize_t count = read(reading, buffer, sizeof buffer);
      open = count > 0;
      if (count > 0)
        output.append(buffer, static_cast<size_t>(count));
      if (output.size() > kGioOutputBound)
        why = "gio said more than " + std::to_string(kGioOutputBound / 1024) + " KiB";
    } else if (ready == 0 && exited) {
      open = false;
    }
  }
  kill(-child, SIGKILL);
  if (!exited)
    waitpid(child, &status, 0);
  if (!why.empty())
    return Failure{why};
  return output;
}

// `gio mime TYPE`'s answer, or why there is none.
Expected<std::string> gioMime(const std::string &type) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return Failure{"cannot make a pipe for gio"};
  Descriptor reading(pipeFds[0]), writing(pipeFds[1]);
  Expected<pid_t> child = startGio(type, writing.get());
  writing.reset();
  if (!child)
    return Failure{child.cause()};
  return answerOf(*child, reading.get());
}

class GioDefaultApps final : public DefaultApps {
public:
  Expected<std::string> defaultOf(const std::string &type) override {
    Expected<std::string> output = gioMime(type);
    if (!output)
      return output;
    // "Default application for “TYPE”: ID", whose quotation marks the C locale shows as '?'.
    size_t at = output->find("Default application for ");
    if (at != std::string::npos) {
      std::string line = output->substr(at, output->find('\n', at) - at);
      size_t colon = line.rfind(": ");
      if (colon != std::string::npos)
        return line.substr(colon + 2);
    }
    if (output->find("No default applications for") != std::string::npos)
      return std::string();
    return Failure{"gio's answer names no default application"};
  }

  Expected<std::vector<std::string>> offeredFor(const std::string &type) override {
    Expected<std::string> output = gioMime(type);
    if (!output)
      return Failure{output.cause()};
    // "Registered applications:", then one id a line, each after a tab.
    size_t at = output->find("Registered applications:\n");
    std::vector<std::string> ids;
    for (size_t line = at == std::string::npos ? output->size() : output->find('\n', at) + 1;
         line < output->size() && (*output)[line] == '\t';) {
      size_t end = std::min(output->find('\n', line), output->size());
      ids.push_back(output->substr(line + 1, end - line - 1));
      line = end + 1;
    }
    return ids;
  }
};

} // namespace

std::unique_ptr<DefaultApps> makeGioDefaultApps() {
  return std::make_unique<GioDefaultApps>();
}

} // namespace velmora
