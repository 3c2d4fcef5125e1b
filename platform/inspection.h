// What velmora-check asks of the system beyond what the launcher itself needs: how the
// started program would read the launch command and which program it would be, what the
// settings reader would make of the file, how the keys were read, and what the command line
// lost. The launcher's routines never see this role; the backends and the fake play it beside
// the others.
#ifndef VELMORA_PLATFORM_INSPECTION_H
#define VELMORA_PLATFORM_INSPECTION_H

#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The program that process creation would start for a launch command.
struct ProgramLookup {
  std::string program; // as process creation reads it from the command
  std::string path;    // the file it starts; empty when there is none
  // The program was read from an unquoted path that holds a blank, or such a path names another
  // program than the one taken: a file planted at a shorter prefix runs instead.
  bool unquotedBlank = false;
  // With no path: a file of that name that the start would find but cannot run (no permission
  // to execute it).
  std::string notRunnable;
};

// The file the settings reader would open for a path, and whether it can.
struct FileStatus {
  std::string where;
  bool exists = false;
  bool readable = false;
  std::string why; // why an existing file is not read
  // The file's bytes when it is read (as the reader reads it, at most 1 MiB), for velmora-check
  // to read its lines as well.
  std::string bytes;
};

// How the held keys were read, for people.
struct KeySource {
  std::string description; // "GetKeyState", "X11", "input devices (1 keyboard, 1 mouse)", ...
  std::string advice;      // what would make them readable, when they could not be read
};

class Inspection {
public:
  virtual ~Inspection() = default;

  // The launch command as the started program reads it: the program first.
  virtual std::vector<std::string> splitLaunchCommand(const std::string &command) const = 0;
  // The program process creation would start for `command`, whose first token by the split
  // above is `firstToken`.
  virtual ProgramLookup findProgram(const std::string &command,
                                    const std::string &firstToken) const = 0;
  // Where the reader looks for `path` (a bare name in the Windows folder), and why it would
  // not read it.
  virtual FileStatus fileStatus(const std::string &path) const = 0;
  // How keyState read the keys; no value before it was asked, or when something else answered.
  virtual std::optional<KeySource> keySource() const = 0;
  // Whether the command line held characters that the ANSI code page cannot carry, so that the
  // launcher received '?' or look-alikes. Only Windows hands a program both forms.
  virtual bool commandLineLostCharacters() const = 0;
};

} // namespace velmora

#endif
