// The keys and mouse buttons held at this moment.
#ifndef VELMORA_PLATFORM_KEY_STATE_H
#define VELMORA_PLATFORM_KEY_STATE_H

#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// How the held keys were read, for people.
struct KeySource {
  std::string description; // "GetKeyState", "X11", "input devices (1 keyboard, 1 mouse)", ...
  std::string advice;      // what would make them readable, when they could not be read
};

class KeyState {
public:
  virtual ~KeyState() = default;
  // GetKeyState(virtualKey).
  virtual int16_t keyState(int virtualKey) const = 0;
  // How keyState read them; no value before it was asked, or when something else answered.
  virtual std::optional<KeySource> keySource() const = 0;
};

} // namespace velmora

#endif
