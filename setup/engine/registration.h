// One thing velmora-setup registered: velmora in a file type's "Open with" list or as its
// default, in the right-click menu, or in Send To.
#ifndef VELMORA_SETUP_ENGINE_REGISTRATION_H
#define VELMORA_SETUP_ENGINE_REGISTRATION_H

#include "setup/engine/setup_command.h"

#include <string>

namespace velmora {

// The version of the records this velmora-setup writes; a record without one is of version 1,
// whose content version 2 reads the same.
inline constexpr unsigned kRecordVersion = 2;

struct Registration {
  Command kind;        // the command that made it
  std::string subject; // the file type, or the shortcut's name; empty for the menu
  std::string program; // what it starts: velmora.exe, velmora-utf8.exe or velmora.desktop
  std::string ini;     // the settings file it names; empty for velmora's own
  bool operator==(const Registration &) const = default;
};

} // namespace velmora

#endif
