#include "launcher/argument_passes_reference.h"

#include "launcher/template_expansion.h"
#include "text/text_routines.h"

namespace velmora {

ReferencePasses substituteArgumentsPassByPass(const TextRules &rules, const std::string &command,
                                              const std::vector<std::string> &arguments,
                                              bool settingsOption, size_t limit) {
  ReferencePasses result;
  if (command.size() > limit)
    return result;
  std::string text = command;
  int32_t passes = argumentPasses(static_cast<int32_t>(arguments.size()), settingsOption);
  size_t shift = settingsOption ? 1 : 0;
  for (int32_t n = 1; n <= passes; ++n) {
    std::string placeholder = "%O" + std::to_string(n);
    const std::string &argument = arguments[static_cast<size_t>(n) - 1 + shift];
    size_t found = (text.size() - replaceAllIgnoreCase(rules, text, placeholder, "").size()) /
                   placeholder.size();
    result.broughtIn += found * (1 + argument.size());
    std::optional<std::string> next =
        replaceAllIgnoreCaseWithin(rules, text, placeholder, argument, limit);
    if (!next)
      return result;
    text = std::move(*next);
  }
  result.command = std::move(text);
  return result;
}

} // namespace velmora
