// POSIX backend of velmora-check: file access, PATH search and standard output.
#include "check/check_platform.h"

#include "host/posix/profile_file.h"
#include "host/posix_platform.h"
#include "text/argument_list.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

bool isExecutableFile(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file execvp would start for `program`; empty when there is none.
std::string searchPath(const std::string &program) {
  if (program.find('/') != std::string::npos)
    return isExecutableFile(program) ? program : "";
  const char *path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t start = 0;;) {
    size_t end = directories.find(':', start);
    std::string directory = directories.substr(start, end - start);
    std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
    if (isExecutableFile(candidate))
      return candidate;
    if (end == std::string::npos)
      return "";
    start = end + 1;
  }
}

class PosixCheckPlatform final : public CheckPlatform {
public:
  explicit PosixCheckPlatform(const PosixPlatform *host) : host_(host) {}

  FileStatus settingsFile(const std::string &path) const override {
    // The reader's own look at the file, so that both tell the same story.
    SettingsFileState state = loadSettingsFile(path).state;
    FileStatus status;
    status.where = path;
    status.exists = state != SettingsFileState::Missing;
    status.readable = state == SettingsFileState::Read;
    if (status.exists && !status.readable)
      status.why = settingsFileStateText(state);
    return status;
  }

  std::vector<std::string> splitLaunchCommand(const Platform &platform,
                                              const std::string &command) const override {
    return splitCommandLine(platform, command.c_str());
  }

  ProgramLookup findProgram(const std::string &, const std::string &firstToken) const override {
    return {firstToken, searchPath(firstToken), false};
  }

  std::optional<KeySource> keySource() const override {
    if (host_ == nullptr || !host_->keyReading())
      return std::nullopt;
    const KeyReading &reading = *host_->keyReading();
    KeySource source{reading.source(), ""};
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    if (!reading.fromDevices && wayland != nullptr && *wayland != '\0')
      source.advice =
          "on Wayland, held keys can only be read from the input devices (/dev/input/event*), "
          "and this user may not read them" +
          std::string(reading.devices.unreadable > 0 ? "" : " (none were found)") +
          ". Adding yourself to the group that owns them (commonly \"input\": sudo usermod "
          "-aG input $USER, then log in again) makes them readable; it also lets every program "
          "you run read every key you type, passwords included. Without it velmora starts "
          "\"default\" whatever you hold.";
    return source;
  }

  bool commandLineLostCharacters() const override { return false; }

  void print(const std::string &text) const override {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }

  void holdWindowOpen() const override {}

private:
  const PosixPlatform *host_;
};

} // namespace

std::unique_ptr<CheckPlatform> makeHostCheckPlatform(const Platform &host) {
  return std::make_unique<PosixCheckPlatform>(dynamic_cast<const PosixPlatform *>(&host));
}

} // namespace velmora
