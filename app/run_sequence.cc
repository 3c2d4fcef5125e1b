#include "app/run_sequence.h"

#include "app/failure_report.h"
#include "launcher/modifier_selection.h"
#include "launcher/process_launch.h"
#include "launcher/settings_location.h"
#include "launcher/template_expansion.h"
#include "platform/platform.h"
#include "text/argument_list.h"
#include "text/system_locale.h"

#include <new>

namespace velmora {

std::optional<std::string> composeLaunchCommand(const Platform &platform) {
  ArgumentList arguments(platform);
  int32_t count = arguments.argumentCount();
  if (count == 0)
    return std::nullopt;
  std::string target = arguments.argumentAt(count);
  SettingsLocation location = locateSettings(arguments);
  // The settings are read before the keys are sampled, and the keys only once.
  TemplateSet templates = readTemplates(platform, location.path);
  std::string launchCommand = expandTemplate(platform, selectTemplate(platform, templates), target);
  return substituteArguments(launchCommand, arguments, location.fromOption);
}

void runLauncher(const Platform &platform) {
  if (std::optional<std::string> launchCommand = composeLaunchCommand(platform))
    startProcess(platform, *launchCommand);
}

int launcherMain(const Platform &platform) {
  runLauncher(platform);
  platform.postQuitRequest();
  return 0;
}

int runProgram(const Platform &platform) {
  initSystemLocale(platform);
  try {
    return launcherMain(platform);
  } catch (const std::bad_alloc &) {
    reportOutOfMemory(platform, reinterpret_cast<const void *>(&runLauncher));
    return 1;
  }
}

} // namespace velmora
