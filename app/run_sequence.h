// One start of velmora, from the locale set-up to the end of the run.
#ifndef VELMORA_APP_RUN_SEQUENCE_H
#define VELMORA_APP_RUN_SEQUENCE_H

#include <optional>
#include <string>

namespace velmora {

class Platform;

// Everything up to the start: reads the settings, samples the keys once and composes the launch
// command. Nothing at all (no value) without an argument.
std::optional<std::string> composeLaunchCommand(const Platform &platform);

// Reads the settings, samples the keys once, composes the launch command and starts it. Does
// nothing at all without an argument.
void runLauncher(const Platform &platform);

// runLauncher, then the quit request; always 0.
int launcherMain(const Platform &platform);

// The whole program: locale set-up, then launcherMain. Running out of memory is the one
// failure that escapes; it is shown through the platform and gives status 1.
int runProgram(const Platform &platform);

} // namespace velmora

#endif
