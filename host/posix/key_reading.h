// Which keys and buttons are held, from whichever source can tell: the input devices when they
// can be read, X11 otherwise.
#ifndef VELMORA_HOST_POSIX_KEY_READING_H
#define VELMORA_HOST_POSIX_KEY_READING_H

#include "host/posix/input_devices.h"
#include "host/posix/x11_key_state.h"

#include <functional>
#include <string>

namespace velmora {

struct KeyReading {
  HeldKeys held;
  InputDeviceKeys devices;
  bool fromDevices = false;
  X11Answer::Outcome x11 = X11Answer::Outcome::NoDisplay; // when the devices could not tell

  // For people: "input devices (3 keyboards, 1 mouse)", "X11", "X11 did not answer within 2 s
  // (taken as none held)" or "none readable".
  std::string source() const;
};

// The devices first (under Wayland nothing else can tell, and XWayland reports no key while a
// Wayland window has the focus); X11 with what is left of the deadline when no keyboard could be
// read. Any failure counts as nothing held.
KeyReading readHeldKeys(const InputDeviceSource &devices,
                        const std::function<X11Answer(long budgetMs)> &x11);

} // namespace velmora

#endif
