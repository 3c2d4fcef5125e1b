// The keys and extra mouse buttons held on an X11 desktop, for the POSIX build.
#ifndef VELMORA_HOST_POSIX_X11_KEY_STATE_H
#define VELMORA_HOST_POSIX_X11_KEY_STATE_H

#include "host/posix/held_keys.h"

namespace velmora {

// What X11 told, and why nothing when it told nothing.
struct X11Answer {
  enum class Outcome {
    NoDisplay,   // DISPLAY is not set
    Unreachable, // no libX11, no connection, or the connection dropped
    TooSlow,     // the display did not answer within the budget
    Answered,
  };
  Outcome outcome = Outcome::NoDisplay;
  HeldKeys held; // when it answered
};

// What is held right now on the display that DISPLAY names. libX11 and libXi are loaded at run
// time, so a machine without them, or without a display, simply has nothing held; so has a
// display that does not answer within `budgetMs` or drops the connection. Nothing is written to
// stderr. Shift, Ctrl or Alt (left or right) count, and mouse buttons 8 and 9 for X1 and X2.
X11Answer readX11HeldKeys(long budgetMs = kKeyQueryDeadlineMs);

} // namespace velmora

#endif
