// The platform velmora runs on, as CMake picked its backend.
#ifndef VELMORA_HOST_HOST_PLATFORM_H
#define VELMORA_HOST_HOST_PLATFORM_H

#include "platform/platform.h"

#include <memory>

namespace velmora {

// Windows reads its own command line and ignores argc and argv; POSIX rebuilds a command line
// from them when first asked, so argv must live as long as the platform (main's does).
std::unique_ptr<PlatformRoles> makeHostPlatform(int argc, char **argv);

} // namespace velmora

#endif
