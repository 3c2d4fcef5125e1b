#include "check/checked_platform.h"

#include "text/argument_list.h"
#include "text/escaped_text.h"

namespace velmora {
namespace {

constexpr std::pair<std::string_view, ModifierSlot> kHoldNames[] = {
    {"none", ModifierSlot::Default}, {"shift", ModifierSlot::Shift}, {"ctrl", ModifierSlot::Ctrl},
    {"alt", ModifierSlot::Alt},      {"x1", ModifierSlot::X1},       {"x2", ModifierSlot::X2}};

int virtualKeyOf(ModifierSlot slot) {
  switch (slot) {
  case ModifierSlot::Shift:
    return 0x10;
  case ModifierSlot::Ctrl:
    return 0x11;
  case ModifierSlot::Alt:
    return 0x12;
  case ModifierSlot::X1:
    return 0x05;
  case ModifierSlot::X2:
    return 0x06;
  case ModifierSlot::Default:
    break;
  }
  return -1;
}

} // namespace

CheckOptions parseCheckOptions(const Platform &host) {
  CheckOptions options;
  const char *text = host.commandLine();
  size_t afterProgram = nextArgument(host, text, 0).position;
  size_t rest = afterProgram;
  for (;;) {
    ArgumentToken next = nextArgument(host, text, rest);
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
      for (auto [holdName, slot] : kHoldNames)
        if (name == holdName)
          options.hold = slot;
      if (!options.hold)
        options.error = "unknown key for --hold: " + escapedText(name);
    } else {
      options.error = "unknown option: " + escapedText(option);
    }
  }
  options.commandLine = std::string(text, afterProgram) + (text + rest);
  return options;
}

std::optional<UncarriedArgument> CheckedPlatform::uncarriedArgument() const {
  std::optional<UncarriedArgument> argument = inner().uncarriedArgument();
  if (argument && argument->index > options_.optionCount)
    argument->index -= options_.optionCount;
  return argument;
}

int16_t CheckedPlatform::keyState(int virtualKey) const {
  if (!options_.hold)
    return inner().keyState(virtualKey);
  return virtualKeyOf(*options_.hold) == virtualKey ? static_cast<int16_t>(0x8000 - 0x10000) : 0;
}

} // namespace velmora
