// The vocabulary of held keys on POSIX: which slots are held, and how long a look may take.
#ifndef VELMORA_HOST_POSIX_HELD_KEYS_H
#define VELMORA_HOST_POSIX_HELD_KEYS_H

#include "platform/modifier_keys.h"

#include <bitset>
#include <chrono>

namespace velmora {

// The slots whose key or button is down.
using HeldKeys = std::bitset<kSlotCount>;

// How long the whole look at the held keys may take, the display's connection included. A
// desktop busy with a build can take a good part of a second to answer; a display that answers
// is worth that wait, since giving up opens the file with the wrong program.
constexpr long kKeyQueryDeadlineMs = 2000;

// Whole milliseconds since `start`, on the clock that no change of the wall time moves.
inline long millisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}

} // namespace velmora

#endif
