// Starts the launch command as a new process and does not look back.
#ifndef VELMORA_LAUNCHER_PROCESS_LAUNCH_H
#define VELMORA_LAUNCHER_PROCESS_LAUNCH_H

#include <string>

namespace velmora {

class Platform;

// One start, result ignored; an empty command is still handed over (and fails).
void startProcess(const Platform &platform, const std::string &launchCommand);

} // namespace velmora

#endif
