// Fills a command template: "%D" or "%P" with the target, then "%O1", "%O2", ... with the
// arguments between the optional settings argument and the target.
#ifndef VELMORA_LAUNCHER_TEMPLATE_EXPANSION_H
#define VELMORA_LAUNCHER_TEMPLATE_EXPANSION_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class ArgumentList;
class TextRules;

// The target's folder: everything before its last directory separator that is a character of
// its own; empty when it has none.
std::string targetDirectory(const TextRules &rules, const std::string &target);

// What the first stage fills in: "%D" with the target's folder when the template holds "%D"
// (any case), "%P" with the target otherwise. Only one of the two is ever filled.
struct FirstStage {
  const char *placeholder;
  std::string text;
};
FirstStage firstStageOf(const TextRules &rules, const std::string &commandTemplate,
                        const std::string &target);

// The first stage: every occurrence of the stage's placeholder becomes its text. Nothing is
// quoted. No value when the result would be longer than `limit` bytes.
std::optional<std::string> fillFirstStage(const TextRules &rules,
                                          const std::string &commandTemplate,
                                          const FirstStage &stage, size_t limit = SIZE_MAX);
// firstStageOf and fillFirstStage in one.
std::optional<std::string> expandTemplate(const TextRules &rules,
                                          const std::string &commandTemplate,
                                          const std::string &target, size_t limit = SIZE_MAX);

// The number of "%O" passes: the arguments between the settings option (when argument 1 is
// one) and the target.
int32_t argumentPasses(int32_t count, bool settingsOption);

// The pass that takes a "%O" whose digits are `digits`: the first after `since` and up to
// `lastPass` whose number the digits begin with ("%O12" is taken by pass 1 where there is one,
// and its "2" stays); 0 when none does, as for "%O0".
int32_t passTaking(std::string_view digits, int32_t since, int32_t lastPass);

// Pass n (ascending) replaces every "%O<n>" in the whole command so far with the n-th middle
// argument; later passes see what earlier ones brought in, so "%O10" is taken by pass 1. No
// value as soon as a pass would make the command longer than `limit` bytes, or as soon as the
// replacements would bring in more text than four times the command, the arguments and the
// limit together: placeholders that arguments multiply and chain (16,000 "%O2" in argument 1,
// then "%O3", "%O4", ... ) would otherwise make a billion replacements within the limit. Then
// `tooManyReplacements`, when given, is set.
std::optional<std::string> substituteArguments(const std::string &command,
                                               const ArgumentList &arguments, bool settingsOption,
                                               size_t limit = SIZE_MAX,
                                               bool *tooManyReplacements = nullptr);

} // namespace velmora

#endif
