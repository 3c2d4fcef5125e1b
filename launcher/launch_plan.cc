#include "launcher/launch_plan.h"

#include "launcher/modifier_selection.h"
#include "text/argument_list.h"
#include "text/escaped_text.h"
#include "text/web_link.h"

namespace velmora {
namespace {

// A web link that held a quotation mark reaches velmora split there, and what the command line
// joins again is another link: that one is not started.
std::optional<UncarriedArgument> splitLink(const ArgumentList &arguments, const LaunchPlan &plan) {
  if (!isLink(plan.target))
    return std::nullopt;
  std::string written = arguments.writtenAt(plan.argumentCount);
  if (writtenWhole(written, plan.target))
    return std::nullopt;
  return UncarriedArgument{plan.argumentCount, written,
                           "is a link that its own quotation mark split (it was put between "
                           "quotation marks as it stood)"};
}

} // namespace

LaunchPlan composeLaunchPlan(const Platform &platform) {
  LaunchPlan plan;
  plan.uncarried = platform.command.uncarriedArgument();
  plan.startDepth = platform.command.startDepth();
  if (plan.uncarried || plan.tooDeep())
    return plan;
  ArgumentList arguments(platform.command, platform.text);
  plan.argumentCount = arguments.argumentCount();
  if (plan.argumentCount == 0)
    return plan;
  plan.target = arguments.argumentAt(plan.argumentCount);
  if (std::optional<UncarriedArgument> split = splitLink(arguments, plan)) {
    plan.uncarried = std::move(split);
    return plan;
  }
  plan.settings = locateSettings(arguments, platform.settings);
  // The settings are read before the keys are sampled, and the keys only once.
  if (plan.settings.source != SettingsSource::None)
    plan.templates = readTemplates(platform.settings, plan.settings.path);
  std::string chosen = selectTemplate(platform.keys, plan.templates, &plan.slot);
  plan.firstStage = firstStageOf(platform.text, chosen, plan.target);
  plan.argumentPasses = argumentPasses(plan.argumentCount, plan.settings.fromOption());
  size_t limit = platform.process.launchCommandByteLimit();
  std::optional<std::string> command =
      fillFirstStage(platform.text, chosen, plan.firstStage, limit);
  if (command)
    command = substituteArguments(*command, arguments, plan.settings.fromOption(), limit,
                                  &plan.tooManyReplacements);
  if (command && platform.process.launchCommandFits(*command))
    plan.launchCommand = std::move(*command);
  else if (!plan.tooManyReplacements)
    plan.tooLong = true;
  return plan;
}

std::string uncarriedMessage(const UncarriedArgument &argument, uint32_t codePage) {
  std::string which = argument.index == 0 ? std::string("its own path")
                                          : "argument " + std::to_string(argument.index);
  return "velmora: " + which + " \"" + escapedText(argument.text, codePage) + "\" " +
         argument.reason + ", which velmora cannot pass on unchanged; nothing was started";
}

std::string tooDeepMessage(int startDepth) {
  return "velmora: started by velmora " + std::to_string(startDepth) +
         " times in a row (a template starts velmora again, itself or through the desktop's "
         "opener while velmora is the default program); nothing was started";
}

} // namespace velmora
