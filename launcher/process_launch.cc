#include "launcher/process_launch.h"

#include "platform/platform.h"

namespace velmora {

void startProcess(const Platform &platform, const std::string &launchCommand) {
  platform.createProcess(launchCommand);
}

} // namespace velmora
