#include "check/checked_roles.h"

#include "text/ascii_case.h"

#include "platform/text_rules.h"

#include "text/argument_list.h"
#include "text/escaped_text.h"

namespace velmora {

namespace {

// "/?" and "-?" as Windows users ask for help.
bool isHelp(std::string_view token) {
  return token == "--help" || token == "-h" || token == "/?" || token == "-?";
}

bool isOwnOption(std::string_view token) {
  return isHelp(token) || token == "--version" || token.rfind("--hold=", 0) == 0;
}

} // namespace

CheckOptions parseCheckOptions(const CommandSource &host, const TextRules &rules) {
  CheckOptions options;
  const char *text = host.commandLine();
  uint32_t codePage = rules.ansiCodePage();
  size_t afterProgram = nextArgument(rules, text, 0).position;
  size_t rest = afterProgram;
  bool ended = false;
  for (;;) {
    ArgumentToken next = nextArgument(rules, text, rest);
    if (next.token.rfind("--", 0) != 0 && !isHelp(next.token))
      break;
    rest = next.position;
    ++options.optionCount;
    std::string_view option = next.token;
    if (option == "--") {
      ended = true; // what follows is velmora's, even when it begins with "--"
      break;
    }
    if (isHelp(option)) {
      options.help = true;
    } else if (option == "--version") {
      options.version = true;
    } else if (option.rfind("--hold=", 0) == 0) {
      std::string name = asciiLower(option.substr(7));
      options.hold.reset();
      for (const ModifierKey &key : kModifierKeys)
        if (name == key.name)
          options.hold = key.slot;
      if (!options.hold)
        options.error = "unknown key for --hold: " + escapedText(option.substr(7), codePage) +
                        " (shift, ctrl, alt, x1, x2 or none)";
    } else {
      options.error = "unknown option: " + escapedText(option, codePage);
    }
  }
  options.commandLine = std::string(text, afterProgram) + (text + rest);
  std::vector<std::string> arguments = splitCommandLine(rules, options.commandLine.c_str());
  if (!ended && arguments.size() == 2 && arguments[1] == "help" && options.optionCount == 0)
    options.help = true;
  for (size_t i = 2; !ended && options.error.empty() && i < arguments.size(); ++i)
    if (isOwnOption(arguments[i]))
      options.error = escapedText(arguments[i], codePage) + " comes after \"" +
                      escapedText(arguments[1], codePage) +
                      "\": options go before the file (velmora would take it as its argument)";
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
