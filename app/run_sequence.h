// One start of velmora, from the locale set-up to the end of the run.
#ifndef VELMORA_APP_RUN_SEQUENCE_H
#define VELMORA_APP_RUN_SEQUENCE_H

#include "platform/platform.h"

#include <new>

namespace velmora {

// Composes the launch command and starts it; nothing at all without an argument. The exit
// status: 0, or 1 when an argument could not be carried (then nothing starts).
int runLauncher(const Platform &platform);

// Settles the double-byte rules from the platform's answers: before it, no text of the command
// line may be split.
void startUp(const Platform &platform);
// Running out of memory, shown through the platform.
void reportRunOutOfMemory(const Platform &platform);

// The start that velmora and velmora-check share: startUp, then `body`, whose result is the
// exit status. Running out of memory is the one failure that escapes; it is shown through the
// platform and gives status 1.
template <typename Body> int runStarted(const Platform &platform, Body &&body) {
  try {
    startUp(platform);
    return body();
  } catch (const std::bad_alloc &) {
    reportRunOutOfMemory(platform);
    return 1;
  }
}

// The whole program: runStarted with runLauncher and the quit request.
int runProgram(const Platform &platform);

} // namespace velmora

#endif
