#include "launcher/template_expansion.h"

#include "platform/platform.h"
#include "text/argument_list.h"
#include "text/path_split.h"
#include "text/text_routines.h"

namespace velmora {

std::string targetDirectory(const Platform &platform, const std::string &target) {
  // A separator byte that is the second half of a double-byte character is not a separator:
  // cutting there would leave a lone lead byte at the end of the folder.
  char separator = platform.directorySeparator();
  int32_t last = lastDelimiterOf(target, std::string_view(&separator, 1));
  return substring(target, 1, last - 1);
}

FirstStage firstStageOf(const Platform &platform, const std::string &commandTemplate,
                        const std::string &target) {
  if (containsIgnoreCase(platform, commandTemplate, "%D"))
    return {"%D", targetDirectory(platform, target)};
  return {"%P", target};
}

std::optional<std::string> expandTemplate(const Platform &platform,
                                          const std::string &commandTemplate,
                                          const std::string &target, size_t limit) {
  FirstStage stage = firstStageOf(platform, commandTemplate, target);
  return replaceAllIgnoreCaseWithin(platform, commandTemplate, stage.placeholder, stage.text,
                                    limit);
}

int32_t argumentPasses(int32_t count, bool settingsOption) {
  // With the settings option, argument 1 is no "%O" argument; the target never is.
  int32_t passes = settingsOption ? count - 2 : count - 1;
  return passes < 0 ? 0 : passes;
}

std::optional<std::string> substituteArguments(const std::string &command,
                                               const ArgumentList &arguments, bool settingsOption,
                                               size_t limit) {
  int32_t count = arguments.argumentCount();
  int32_t lastPass = argumentPasses(count, settingsOption);
  int32_t shift = settingsOption ? 1 : 0;
  const Platform &platform = arguments.platform();
  std::string result = command;
  if (result.size() > limit)
    return std::nullopt;
  for (int32_t n = 1; n <= lastPass; ++n) {
    std::string placeholder = "%O" + decimalText(n);
    // A pass that finds nothing changes nothing; skipping it spares splitting the command line
    // again for an argument that no placeholder takes.
    if (!containsIgnoreCase(platform, result, placeholder))
      continue;
    std::optional<std::string> next = replaceAllIgnoreCaseWithin(
        platform, result, placeholder, arguments.argumentAt(n + shift), limit);
    if (!next)
      return std::nullopt;
    result = std::move(*next);
  }
  return result;
}

} // namespace velmora
