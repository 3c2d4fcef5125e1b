// The keys and extra mouse buttons held on an X11 desktop, for the POSIX build.
#ifndef VELMORA_PLATFORM_X11_KEY_STATE_H
#define VELMORA_PLATFORM_X11_KEY_STATE_H

#include <optional>

namespace velmora {

struct HeldKeys {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool button8 = false; // the first extra mouse button
  bool button9 = false; // the second
};

// How long the whole look at the display may take, connection included.
constexpr long kKeyQueryDeadlineMs = 200;

// What is held right now on the display that DISPLAY names. libX11 and libXi are loaded at run
// time, so a machine without them, or without a display, simply has nothing held (no value);
// so has a display that does not answer within the deadline or drops the connection. Nothing
// is written to stderr.
std::optional<HeldKeys> readX11HeldKeys();

} // namespace velmora

#endif
