// Starting the launch command (the system's limits, how it reads a command, the start) and
// telling whoever started velmora when something went wrong.
#ifndef VELMORA_PLATFORM_PROCESS_STARTER_H
#define VELMORA_PLATFORM_PROCESS_STARTER_H

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

class ProcessStarter {
public:
  virtual ~ProcessStarter() = default;

  // No launch command longer than this many bytes can start; the launcher stops building one
  // there, whatever the template and the arguments would make of it.
  virtual size_t launchCommandByteLimit() const = 0;
  // Whether process creation takes `command` (on Windows: at most 32,766 UTF-16 units).
  virtual bool launchCommandFits(std::string_view command) const = 0;

  // CreateProcessA(NULL, commandLine, ...) with a default start-up record; the result is not
  // reported because the launcher ignores it.
  virtual void createProcess(const std::string &commandLine) const = 0;
  // PostQuitMessage(0).
  virtual void postQuitRequest() const = 0;

  // The failure box: title and text are UTF-8.
  virtual void showFailure(const char *title, const char *text) const = 0;
  // One line for whoever started velmora (standard error where there is one).
  virtual void writeError(std::string_view line) const = 0;
};

} // namespace velmora

#endif
