// The rule the "%O" passes follow, written out as plainly as it reads: pass n, in ascending
// order, replaces every "%O<n>" (any case, character by character) of the whole command so far
// with the n-th middle argument. It costs a walk over the whole command per pass, quadratic with
// many passes, so velmora never runs it: substituteArguments does the same work in linear time,
// and this stays beside it as the oracle its tests and fuzz target compare it with.
#ifndef VELMORA_LAUNCHER_ARGUMENT_PASSES_REFERENCE_H
#define VELMORA_LAUNCHER_ARGUMENT_PASSES_REFERENCE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class TextRules;

struct ReferencePasses {
  // No value when a pass would make the command longer than the limit.
  std::optional<std::string> command;
  // What the replacements brought in, one for each and the bytes of its argument, for the
  // passes that ran: the measure substituteArguments' budget is kept in.
  size_t broughtIn = 0;
};

// `arguments` are arguments 1 to count, the target last; with `settingsOption`, the first is
// the settings option and no pass takes it.
ReferencePasses substituteArgumentsPassByPass(const TextRules &rules, const std::string &command,
                                              const std::vector<std::string> &arguments,
                                              bool settingsOption, size_t limit = SIZE_MAX);

} // namespace velmora

#endif
