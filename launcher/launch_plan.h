// Everything velmora decides for one start, up to the process it would create: velmora starts
// the plan's command, velmora-check shows the plan.
#ifndef VELMORA_LAUNCHER_LAUNCH_PLAN_H
#define VELMORA_LAUNCHER_LAUNCH_PLAN_H

#include "launcher/settings_location.h"
#include "launcher/template_expansion.h"
#include "launcher/template_set.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

struct LaunchPlan {
  // Set when the command line could not carry an argument: nothing else is looked at, and
  // velmora ends with status 1.
  std::optional<UncarriedArgument> uncarried;
  // How many velmora starts in a row led to this one; from kMostStartDepth on, velmora starts
  // nothing and ends with status 1, as for an argument it could not carry.
  int startDepth = 0;
  bool tooDeep() const { return startDepth >= kMostStartDepth; }
  int32_t argumentCount = 0;
  std::string target;
  SettingsLocation settings;
  TemplateSet templates;
  ModifierSlot slot = ModifierSlot::Default;
  // How the chosen template was filled: the first stage, then this many "%O" passes.
  FirstStage firstStage{"%P", {}};
  int32_t argumentPasses = 0;
  std::string launchCommand;
  // The command would be longer than the platform can start, so none is started.
  bool tooLong = false;
  // The "%O" passes stopped before the end, as their arguments would have made them replace
  // without measure (see substituteArguments); nothing is started either.
  bool tooManyReplacements = false;

  // Whether velmora hands the launch command to process creation (an empty command included:
  // that start fails, silently).
  bool startsProcess() const {
    return !uncarried && !tooDeep() && argumentCount > 0 && !tooLong && !tooManyReplacements;
  }
};

// Reads the settings, samples the keys once and composes the launch command, in that order;
// with no argument, nothing is read or sampled.
LaunchPlan composeLaunchPlan(const Platform &platform);

// The line velmora writes when an argument could not be carried, shown as a terminal reading
// `codePage` can take it.
std::string uncarriedMessage(const UncarriedArgument &argument, uint32_t codePage);
// The line velmora writes when it was started by velmora too many times in a row.
std::string tooDeepMessage(int startDepth);

} // namespace velmora

#endif
