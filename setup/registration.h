// One thing velmora-setup registered: velmora in a file type's "Open with" list or as its
// default, in the right-click menu, or in Send To.
#ifndef VELMORA_SETUP_REGISTRATION_H
#define VELMORA_SETUP_REGISTRATION_H

#include <string>

namespace velmora {

struct Registration {
  std::string kind;    // the command that made it: "open-with", "default", "send-to", ...
  std::string subject; // the file type, or the shortcut's name; empty for the menu
  std::string program; // what it starts: velmora.exe, velmora-utf8.exe or velmora.desktop
  std::string ini;     // the settings file it names; empty for velmora's own
  bool operator==(const Registration &) const = default;
};

} // namespace velmora

#endif
