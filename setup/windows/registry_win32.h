// The current user's registry of the running Windows.
#ifndef VELMORA_SETUP_WINDOWS_REGISTRY_WIN32_H
#define VELMORA_SETUP_WINDOWS_REGISTRY_WIN32_H

#include "setup/windows/registry.h"

#include <memory>

namespace velmora {

std::unique_ptr<Registry> makeWin32Registry();

} // namespace velmora

#endif
