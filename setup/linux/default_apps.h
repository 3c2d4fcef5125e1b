// The desktop's own answer to which program opens a file type, asked of the desktop itself
// rather than read from its files, whose rules it alone knows.
#ifndef VELMORA_SETUP_LINUX_DEFAULT_APPS_H
#define VELMORA_SETUP_LINUX_DEFAULT_APPS_H

#include "setup/engine/expected.h"

#include <string>
#include <vector>

namespace velmora {

// The desktop id that opens `type`, "" for none; a failure, with why, when the desktop cannot
// tell.
class DefaultApps {
public:
  virtual ~DefaultApps() = default;
  virtual Expected<std::string> defaultOf(const std::string &type) = 0;
  // The desktop ids the desktop offers for `type` ("Open with"), the default among them.
  virtual Expected<std::vector<std::string>> offeredFor(const std::string &type) = 0;
};

} // namespace velmora

#endif
