// One start of velmora, from the locale set-up to the end of the run.
#ifndef VELMORA_APP_RUN_SEQUENCE_H
#define VELMORA_APP_RUN_SEQUENCE_H

namespace velmora {

class Platform;

// Composes the launch command and starts it; nothing at all without an argument. The exit
// status: 0, or 1 when an argument could not be carried (then nothing starts).
int runLauncher(const Platform &platform);

// The whole program: locale set-up, runLauncher, the quit request. Running out of memory is the
// one failure that escapes; it is shown through the platform and gives status 1.
int runProgram(const Platform &platform);

} // namespace velmora

#endif
