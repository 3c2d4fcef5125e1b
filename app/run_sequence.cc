#include "app/run_sequence.h"

#include "app/failure_report.h"
#include "launcher/launch_plan.h"
#include "text/system_locale.h"

namespace velmora {

int runLauncher(const Platform &platform) {
  LaunchPlan plan = composeLaunchPlan(platform);
  if (plan.uncarried) {
    platform.process.writeError(uncarriedMessage(*plan.uncarried, platform.text.ansiCodePage()));
    return 1;
  }
  if (plan.tooDeep()) {
    platform.process.writeError(tooDeepMessage(plan.startDepth));
    return 1;
  }
  // The launcher exits right after this and does not look at how the start went.
  if (plan.startsProcess())
    platform.process.createProcess(plan.launchCommand);
  return 0;
}

void startUp(const Platform &platform) {
  initSystemLocale(platform.text);
}

void reportRunOutOfMemory(const Platform &platform) {
  reportOutOfMemory(platform, reinterpret_cast<const void *>(&runLauncher));
}

int runProgram(const Platform &platform) {
  return runStarted(platform, [&platform] {
    int status = runLauncher(platform);
    platform.process.postQuitRequest();
    return status;
  });
}

} // namespace velmora
