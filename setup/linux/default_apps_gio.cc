// POSIX backend of velmora-setup: GIO's default application for a type, through `gio mime`;
// no policy.
#include "setup/linux/desktop_files_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char **environ;

namespace velmora {

namespace {

class GioDefaultApps final : public DefaultApps {
public:
  std::optional<std::string> defaultOf(const std::string &type) override {
    std::optional<std::string> output = gioMime(type);
    if (!output)
      return std::nullopt;
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
    return std::nullopt;
  }

private:
  // What `gio mime TYPE` prints in the C locale; none when it cannot be started.
  static std::optional<std::string> gioMime(const std::string &type) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
      return std::nullopt;
    std::vector<std::string> environmentCopy;
    for (char **entry = environ; *entry != nullptr; ++entry)
      if (std::strncmp(*entry, "LC_ALL=", 7) != 0 && std::strncmp(*entry, "LANGUAGE=", 9) != 0)
        environmentCopy.emplace_back(*entry);
    environmentCopy.emplace_back("LC_ALL=C");
    std::vector<char *> envp;
    for (std::string &entry : environmentCopy)
      envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string gio = "gio";
    std::string mime = "mime";
    std::string typeCopy = type;
    char *argv[] = {gio.data(), mime.data(), typeCopy.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    int spawned = posix_spawnp(&child, "gio", &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string output;
    if (spawned == 0) {
      char buffer[4096];
      // GIO answers at once; one that hangs is given up after ten seconds.
      pollfd readable{pipeFds[0], POLLIN, 0};
      while (poll(&readable, 1, 10000) > 0) {
        ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
        if (count <= 0)
          break;
        output.append(buffer, static_cast<size_t>(count));
      }
    }
    close(pipeFds[0]);
    if (spawned != 0)
      return std::nullopt;
    int status = 0;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return output;
  }
};

} // namespace

std::unique_ptr<DefaultApps> makeGioDefaultApps() {
  return std::make_unique<GioDefaultApps>();
}

} // namespace velmora
