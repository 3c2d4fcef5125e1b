// Where velmora-check writes its report.
#ifndef VELMORA_CHECK_CHECK_CONSOLE_H
#define VELMORA_CHECK_CHECK_CONSOLE_H

#include <memory>
#include <string>

namespace velmora {

class CheckConsole {
public:
  virtual ~CheckConsole() = default;
  // Text for the user: on a Windows console shown as the ANSI code page means it, elsewhere
  // written byte for byte.
  virtual void print(const std::string &text) const = 0;
  // When the tool has a console window of its own (a file dropped on it in Explorer), waits
  // for Enter, so that the window does not close before the report can be read.
  virtual void holdWindowOpen() const = 0;
};

std::unique_ptr<CheckConsole> makeCheckConsole();

} // namespace velmora

#endif
