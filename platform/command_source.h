// Where the launcher's input comes from: the process's command line and its own path.
#ifndef VELMORA_PLATFORM_COMMAND_SOURCE_H
#define VELMORA_PLATFORM_COMMAND_SOURCE_H

#include <optional>
#include <string>

namespace velmora {

// An argument that the command line could not carry unchanged, so the launcher would see
// another text than the caller gave.
struct UncarriedArgument {
  int index = 0; // 1-based, as the launcher counts its arguments
  std::string text;
  std::string reason;
};

// velmora hands on how many velmora starts led to the program it starts, in this environment
// variable, so that a template that starts velmora again (directly, or through the desktop's
// opener while velmora is the type's default) ends after a few rounds instead of never.
inline constexpr char kStartDepthVariable[] = "VELMORA_DEPTH";
// The depth at which velmora starts nothing.
inline constexpr int kMostStartDepth = 8;

// The variable's value as a depth: its decimal digits, capped; 0 when unset or not a number.
inline int startDepthOf(const char *value) {
  if (value == nullptr || *value == '\0')
    return 0;
  int depth = 0;
  for (; *value != '\0'; ++value) {
    if (*value < '0' || *value > '9')
      return 0;
    depth = depth < 1000 ? depth * 10 + (*value - '0') : depth;
  }
  return depth;
}

class CommandSource {
public:
  virtual ~CommandSource() = default;

  // GetCommandLineA: the process's command line, up to its terminating NUL.
  virtual const char *commandLine() const = 0;

  // GetModuleFileNameA(NULL, buffer, capacity): fills the buffer and returns the byte count the
  // call reports (0 on failure). The bytes past that count are unspecified. A count equal to
  // the capacity means the path was cut.
  virtual int moduleFileName(char *buffer, int capacity) const = 0;
  // The capacity to ask with: 261 on Windows, the longest path the system has elsewhere.
  virtual int modulePathCapacity() const = 0;

  // Set when the command line lost or changed an argument on its way in; the launcher then
  // starts nothing.
  virtual std::optional<UncarriedArgument> uncarriedArgument() const = 0;
  // How many velmora starts in a row led to this one (kStartDepthVariable); 0 for none.
  virtual int startDepth() const = 0;
};

} // namespace velmora

#endif
