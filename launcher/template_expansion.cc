#include "launcher/template_expansion.h"

#include "platform/text_rules.h"
#include "text/path_split.h"
#include "text/text_routines.h"

namespace velmora {

std::string targetDirectory(const TextRules &rules, const std::string &target) {
  // Where the system reads a separator byte that is the second half of a double-byte character
  // as part of that character, cutting there would leave a lone lead byte at the end of the
  // folder; where it does not, every separator byte counts.
  PathSyntax syntax = rules.pathSyntax();
  int32_t last =
      lastDelimiterOf(target, std::string_view(&syntax.separator, 1), syntax.delimitersAreBytes);
  return substring(target, 1, last - 1);
}

FirstStage firstStageOf(const TextRules &rules, const std::string &commandTemplate,
                        const std::string &target) {
  if (containsIgnoreCase(rules, commandTemplate, "%D"))
    return {"%D", targetDirectory(rules, target)};
  return {"%P", target};
}

std::optional<std::string> fillFirstStage(const TextRules &rules,
                                          const std::string &commandTemplate,
                                          const FirstStage &stage, size_t limit) {
  return replaceAllIgnoreCaseWithin(rules, commandTemplate, stage.placeholder, stage.text, limit);
}

std::optional<std::string> expandTemplate(const TextRules &rules,
                                          const std::string &commandTemplate,
                                          const std::string &target, size_t limit) {
  return fillFirstStage(rules, commandTemplate, firstStageOf(rules, commandTemplate, target),
                        limit);
}

int32_t argumentPasses(int32_t count, bool settingsOption) {
  // With the settings option, argument 1 is no "%O" argument; the target never is.
  int32_t passes = settingsOption ? count - 2 : count - 1;
  return passes < 0 ? 0 : passes;
}

} // namespace velmora
