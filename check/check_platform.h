// What velmora-check asks of the system beyond the launcher's own platform seam.
#ifndef VELMORA_CHECK_CHECK_PLATFORM_H
#define VELMORA_CHECK_CHECK_PLATFORM_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class Platform;

// How the held keys were read.
struct KeySource {
  std::string description; // "GetKeyState", "X11", "input devices (1 keyboard, 1 mouse)", ...
  std::string advice;      // what would make them readable, when they could not be read
};

struct FileStatus {
  std::string where; // the file the settings reader would open
  bool exists = false;
  bool readable = false;
  std::string why; // why an existing file is not read
};

// The program that process creation would start for a launch command.
struct ProgramLookup {
  std::string program; // as process creation reads it from the command
  std::string path;    // the file it starts; empty when there is none
  // The program was read from an unquoted path that holds a blank, or such a path names another
  // program than the one taken: a file planted at a shorter prefix runs instead.
  bool unquotedBlank = false;
};

class CheckPlatform {
public:
  virtual ~CheckPlatform() = default;
  // Where the platform's settings reader looks for `path`, and whether that file can be read.
  virtual FileStatus settingsFile(const std::string &path) const = 0;
  // The launch command as the platform's process creation reads it: the program first.
  virtual std::vector<std::string> splitLaunchCommand(const Platform &platform,
                                                      const std::string &command) const = 0;
  // The program process creation would start for `command`, whose first token by the split
  // above is `firstToken`.
  virtual ProgramLookup findProgram(const std::string &command,
                                    const std::string &firstToken) const = 0;
  // How the host platform read the held keys; no value when it did not read them (--hold).
  virtual std::optional<KeySource> keySource() const = 0;
  // Whether the command line held characters that the ANSI code page cannot carry: velmora
  // received those as '?' or as look-alikes. Only Windows hands a program both forms.
  virtual bool commandLineLostCharacters() const = 0;
  // Text for the user: on a Windows console shown as the ANSI code page means it, elsewhere
  // written byte for byte.
  virtual void print(const std::string &text) const = 0;
  // When the tool has a console window of its own (a file dropped on it in Explorer), waits
  // for Enter, so that the window does not close before the report can be read.
  virtual void holdWindowOpen() const = 0;
};

// For the platform velmora's routines run on, so that the report can say how it read the keys.
std::unique_ptr<CheckPlatform> makeHostCheckPlatform(const Platform &host);

// How the Microsoft C runtime splits a command line into argv, which is how most Windows
// programs read theirs: the program up to a space or tab (or inside quotation marks), then
// arguments with 2n backslashes before a quotation mark giving n backslashes.
std::vector<std::string> splitLikeWindowsPrograms(const std::string &commandLine);

} // namespace velmora

#endif
