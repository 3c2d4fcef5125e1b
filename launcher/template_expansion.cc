#include "launcher/template_expansion.h"

#include "platform/text_rules.h"
#include "text/argument_list.h"
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

std::optional<std::string> expandTemplate(const TextRules &rules,
                                          const std::string &commandTemplate,
                                          const std::string &target, size_t limit) {
  FirstStage stage = firstStageOf(rules, commandTemplate, target);
  return replaceAllIgnoreCaseWithin(rules, commandTemplate, stage.placeholder, stage.text, limit);
}

int32_t argumentPasses(int32_t count, bool settingsOption) {
  // With the settings option, argument 1 is no "%O" argument; the target never is.
  int32_t passes = settingsOption ? count - 2 : count - 1;
  return passes < 0 ? 0 : passes;
}

namespace {

// The first pass from `from` to `lastPass` whose placeholder may stand in `text`: "%O" (any
// case) followed by digits that begin with the pass's number. Read byte by byte, it may name a
// pass whose placeholder the character-aware search then does not find (a '%' that is half of
// a double-byte character), but it never skips one that the search would find. 0 for none.
int32_t nextPass(std::string_view text, int32_t from, int32_t lastPass) {
  int64_t first = int64_t{lastPass} + 1;
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] != '%' || (text[i + 1] != 'O' && text[i + 1] != 'o') || text[i + 2] == '0')
      continue;
    // The digits' leading parts grow: the first that reaches `from` is the only candidate.
    int64_t number = 0;
    for (size_t j = i + 2; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
      number = number * 10 + (text[j] - '0');
      if (number >= from || number >= first)
        break;
    }
    if (number >= from && number < first)
      first = number;
  }
  return first <= lastPass ? static_cast<int32_t>(first) : 0;
}

} // namespace

std::optional<std::string> substituteArguments(const std::string &command,
                                               const ArgumentList &arguments, bool settingsOption,
                                               size_t limit) {
  std::string result = command;
  if (result.size() > limit)
    return std::nullopt;
  if (nextPass(result, 1, INT32_MAX) == 0)
    return result;
  // The passes that find nothing are skipped by looking at the command, and the arguments are
  // split once: chained arguments ("%O2" as argument 1, "%O3" as argument 2, ...) would
  // otherwise take time quadratic in their count.
  std::vector<std::string> all = arguments.allArguments();
  int32_t lastPass = argumentPasses(static_cast<int32_t>(all.size()), settingsOption);
  size_t shift = settingsOption ? 1 : 0;
  const TextRules &rules = arguments.rules();
  for (int32_t n = nextPass(result, 1, lastPass); n != 0; n = nextPass(result, n + 1, lastPass)) {
    std::string placeholder = "%O" + decimalText(n);
    if (!containsIgnoreCase(rules, result, placeholder))
      continue;
    std::optional<std::string> next = replaceAllIgnoreCaseWithin(
        rules, result, placeholder, all[static_cast<size_t>(n - 1) + shift], limit);
    if (!next)
      return std::nullopt;
    result = std::move(*next);
  }
  return result;
}

} // namespace velmora
