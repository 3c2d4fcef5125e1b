// The host's roles as velmora-check presents them to the launcher's routines: velmora's command
// line without the tool's own options, and held keys from --hold when given.
#ifndef VELMORA_CHECK_CHECKED_ROLES_H
#define VELMORA_CHECK_CHECKED_ROLES_H

#include "launcher/template_set.h"
#include "platform/command_source.h"
#include "platform/key_state.h"

#include <optional>
#include <string>

namespace velmora {

class TextRules;

struct CheckOptions {
  bool help = false;
  bool version = false;
  std::optional<ModifierSlot> hold;
  std::string error;       // a bad option
  std::string commandLine; // token 0, then everything after the options, byte for byte
  int optionCount = 0;     // tokens taken as options, "--" included
};

// Options come first, each a token of its own that starts with "--" (or -h); "--" alone ends
// them. The
// first other token and everything after it are velmora's arguments, where one of the tool's
// own options is a usage error (it would be taken as a file). "help" alone asks for help too.
// --hold= takes the key's name in any case.
CheckOptions parseCheckOptions(const CommandSource &host, const TextRules &rules);

class CheckedCommandSource final : public CommandSource {
public:
  CheckedCommandSource(const CommandSource &host, CheckOptions options)
      : host_(host), options_(std::move(options)) {}

  const char *commandLine() const override { return options_.commandLine.c_str(); }
  // Numbered as velmora would number it, without the tool's options.
  std::optional<UncarriedArgument> uncarriedArgument() const override;
  int moduleFileName(char *buffer, int capacity) const override {
    return host_.moduleFileName(buffer, capacity);
  }
  int modulePathCapacity() const override { return host_.modulePathCapacity(); }
  int startDepth() const override { return host_.startDepth(); }

private:
  const CommandSource &host_;
  CheckOptions options_;
};

class CheckedKeyState final : public KeyState {
public:
  CheckedKeyState(const KeyState &host, std::optional<ModifierSlot> hold)
      : host_(host), hold_(hold) {}

  int16_t keyState(int virtualKey) const override;

private:
  const KeyState &host_;
  std::optional<ModifierSlot> hold_;
};

} // namespace velmora

#endif
