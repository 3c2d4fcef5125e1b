// The keys and mouse buttons held at this moment.
#ifndef VELMORA_PLATFORM_KEY_STATE_H
#define VELMORA_PLATFORM_KEY_STATE_H

#include <cstdint>

namespace velmora {

class KeyState {
public:
  virtual ~KeyState() = default;
  // GetKeyState(virtualKey).
  virtual int16_t keyState(int virtualKey) const = 0;
};

} // namespace velmora

#endif
