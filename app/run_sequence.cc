#include "app/run_sequence.h"

#include "app/failure_report.h"
#include "launcher/launch_plan.h"
#include "platform/platform.h"
#include "text/system_locale.h"

#include <new>

namespace velmora {

int runLauncher(const Platform &platform) {
  LaunchPlan plan = composeLaunchPlan(platform);
  if (plan.uncarried) {
    platform.writeError(uncarriedMessage(*plan.uncarried, platform.ansiCodePage()));
    return 1;
  }
  // The launcher exits right after this and does not look at how the start went.
  if (plan.startsProcess())
    platform.createProcess(plan.launchCommand);
  return 0;
}

int runProgram(const Platform &platform) {
  try {
    initSystemLocale(platform);
    int status = runLauncher(platform);
    platform.postQuitRequest();
    return status;
  } catch (const std::bad_alloc &) {
    reportOutOfMemory(platform, reinterpret_cast<const void *>(&runLauncher));
    return 1;
  }
}

} // namespace velmora
