#include "launcher/template_expansion.h"

#include "platform/path_split.h"
#include "platform/platform.h"
#include "text/argument_list.h"
#include "text/text_routines.h"

namespace velmora {

std::string targetDirectory(const Platform &platform, const std::string &target) {
  // A separator byte that is the second half of a double-byte character is not a separator:
  // cutting there would leave a lone lead byte at the end of the folder.
  char separator = platform.directorySeparator();
  int32_t last = lastDelimiterOf(target, std::string_view(&separator, 1));
  return substring(target, 1, last - 1);
}

std::string expandTemplate(const Platform &platform, const std::string &commandTemplate,
                           const std::string &target) {
  if (containsIgnoreCase(platform, commandTemplate, "%D"))
    return replaceAllIgnoreCase(platform, commandTemplate, "%D", targetDirectory(platform, target));
  return replaceAllIgnoreCase(platform, commandTemplate, "%P", target);
}

std::string substituteArguments(const std::string &command, const ArgumentList &arguments,
                                bool settingsOption) {
  int32_t count = arguments.argumentCount();
  if (count <= 1)
    return command;
  // With the settings option, argument 1 is no "%O" argument; the target never is.
  int32_t lastPass = settingsOption ? count - 2 : count - 1;
  int32_t shift = settingsOption ? 1 : 0;
  const Platform &platform = arguments.platform();
  std::string result = command;
  for (int32_t n = 1; n <= lastPass; ++n) {
    std::string placeholder = "%O" + decimalText(n);
    // A pass that finds nothing changes nothing; skipping it spares splitting the command line
    // again for an argument that no placeholder takes.
    if (!containsIgnoreCase(platform, result, placeholder))
      continue;
    result = replaceAllIgnoreCase(platform, result, placeholder, arguments.argumentAt(n + shift));
  }
  return result;
}

} // namespace velmora
