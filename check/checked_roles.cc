#include "check/checked_roles.h"

#include "platform/text_rules.h"

#include "text/argument_list.h"
#include "text/escaped_text.h"

namespace velmora {

CheckOptions parseCheckOptions(const CommandSource &host, const TextRules &rules) {
  CheckOptions options;
  const char *text = host.commandLine();
  size_t afterProgram = nextArgument(rules, text, 0).position;
  size_t rest = afterProgram;
  for (;;) {
    ArgumentToken next = nextArgument(rules, text, rest);
    if (next.token.rfind("--", 0) != 0)
      break;
    rest = next.position;
    ++options.optionCount;
    std::string_view option = next.token;
    if (option == "--")
      break; // what follows is velmora's, even when it begins with "--"
    if (option == "--help") {
      options.help = true;
    } else if (option.rfind("--hold=", 0) == 0) {
      std::string_view name = option.substr(7);
      options.hold.reset();
      for (const ModifierKey &key : kModifierKeys)
        if (name == key.name)
          options.hold = key.slot;
      if (!options.hold)
        options.error = "unknown key for --hold: " + escapedText(name, rules.ansiCodePage());
    } else {
      options.error = "unknown option: " + escapedText(option, rules.ansiCodePage());
    }
  }
  options.commandLine = std::string(text, afterProgram) + (text + rest);
  return options;
}

std::optional<UncarriedArgument> CheckedCommandSource::uncarriedArgument() const {
  std::optional<UncarriedArgument> argument = host_.uncarriedArgument();
  if (argument && argument->index > options_.optionCount)
    argument->index -= options_.optionCount;
  return argument;
}

int16_t CheckedKeyState::keyState(int virtualKey) const {
  if (!hold_)
    return host_.keyState(virtualKey);
  // --hold=none holds the Default slot, which no virtual key selects.
  return modifierKey(*hold_).virtualKey == virtualKey ? kKeyHeld : 0;
}

} // namespace velmora
