// One start of velmora, from the locale set-up to the end of the run.
#ifndef VELMORA_APP_RUN_SEQUENCE_H
#define VELMORA_APP_RUN_SEQUENCE_H

namespace velmora {

class Platform;

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
