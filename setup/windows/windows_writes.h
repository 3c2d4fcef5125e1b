// What velmora-setup writes on Windows for one registration: values under HKEY_CURRENT_USER
// (named by paths such as "Software\Classes\.txt") and, for Send To, one shortcut.
#ifndef VELMORA_SETUP_WINDOWS_WINDOWS_WRITES_H
#define VELMORA_SETUP_WINDOWS_WINDOWS_WRITES_H

#include "setup/engine/registration.h"
#include "setup/windows/registry.h"
#include "setup/windows/shell_files.h"

#include <string>
#include <vector>

namespace velmora {

inline constexpr char kDefaultProgram[] = "velmora.exe";

struct Write {
  std::string key;
  std::string name;
  RegistryValue value;
  // False for a value that registrations share and the newest sets: a type's entry among the
  // capabilities names one program id of several.
  bool owned = true;
};

RegistryValue textValue(std::string value);
RegistryValue emptyValue();

// One program id per program and settings file, so that registrations with other settings live
// side by side. FNV-1a keeps the name short and the same from run to run.
std::string progIdOf(const Registration &r);

// The values a registration of programs in `folder` writes, in the order it writes them; the
// same places for any folder.
std::vector<Write> writesOf(const Registration &r, const std::string &folder);

// Where the registration's command lies, for "status".
std::string commandKeyOf(const Registration &r);

// A Send To registration's shortcut, and where it lies.
ShellLink linkOf(const Registration &r, const std::string &folder);
std::string linkPathOf(const Registration &r, const ShellFiles &files);

// The folder that a registered command's program lies in, ending in a backslash: the first
// word, quoted, with "%%" read as '%'; empty for a command of another shape.
std::string folderOfCommand(const std::string &command);
// The folder of a path, ending in a backslash.
std::string folderOfPath(const std::string &path);

} // namespace velmora

#endif
