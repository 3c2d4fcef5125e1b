// The host platform as velmora-check presents it to the launcher's routines: velmora's command
// line without the tool's own options, held keys from --hold when given, and no process start.
#ifndef VELMORA_CHECK_CHECKED_PLATFORM_H
#define VELMORA_CHECK_CHECKED_PLATFORM_H

#include "launcher/template_set.h"
#include "platform/forwarding_platform.h"

#include <optional>
#include <string>

namespace velmora {

struct CheckOptions {
  bool help = false;
  std::optional<ModifierSlot> hold;
  std::string error;       // a bad option
  std::string commandLine; // token 0, then everything after the options, byte for byte
  int optionCount = 0;     // tokens taken as options, "--" included
};

// Options come first, each a token of its own that starts with "--"; "--" alone ends them. The
// first other token and everything after it are velmora's arguments.
CheckOptions parseCheckOptions(const Platform &host);

class CheckedPlatform final : public ForwardingPlatform {
public:
  CheckedPlatform(const Platform &host, CheckOptions options)
      : ForwardingPlatform(host), options_(std::move(options)) {}

  const char *commandLine() const override { return options_.commandLine.c_str(); }
  // Numbered as velmora would number it, without the tool's options.
  std::optional<UncarriedArgument> uncarriedArgument() const override;
  int16_t keyState(int virtualKey) const override;
  void createProcess(const std::string &) const override {}
  void postQuitRequest() const override {}

private:
  CheckOptions options_;
};

} // namespace velmora

#endif
