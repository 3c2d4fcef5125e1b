// The seam between velmora's logic and the operating system, by role, so the logic runs on
// Windows, on a POSIX backend of our own, or on a scripted fake in tests. Most operations deliver
// the data of one ANSI Win32 call, named beside it. The others answer what the refusals need
// beyond the launcher's own calls (the user's settings folder, what the command line could not
// carry, the start depth, ...), and say in their own comment what they stand for. A routine
// takes the roles it uses; the run as a whole takes them all. What only velmora-check asks is a
// role of its own (platform/inspection.h), outside `Platform`.
#ifndef VELMORA_PLATFORM_PLATFORM_H
#define VELMORA_PLATFORM_PLATFORM_H

#include "platform/command_source.h"
#include "platform/inspection.h"
#include "platform/key_state.h"
#include "platform/process_starter.h"
#include "platform/settings_store.h"
#include "platform/text_rules.h"

namespace velmora {

struct Platform {
  const CommandSource &command;
  const TextRules &text;
  const SettingsStore &settings;
  const KeyState &keys;
  const ProcessStarter &process;
};

// A system that plays every role, velmora-check's too, as the backends and the fake do.
class PlatformRoles : public CommandSource,
                      public TextRules,
                      public SettingsStore,
                      public KeyState,
                      public ProcessStarter,
                      public Inspection {
public:
  Platform roles() const { return {*this, *this, *this, *this, *this}; }
  const Inspection &inspection() const { return *this; }
  // So that a whole system can be handed to what takes every role.
  operator Platform() const { return roles(); }
};

} // namespace velmora

#endif
