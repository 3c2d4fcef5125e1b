// Held keys from the kernel's input devices, which answer in any session (X11, Wayland or a
// console) for whoever may read them.
#ifndef VELMORA_HOST_POSIX_INPUT_DEVICES_H
#define VELMORA_HOST_POSIX_INPUT_DEVICES_H

#include "host/posix/held_keys.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// What one device answered, as the kernel's bit maps (bit n % 8 of byte n / 8 for code n): the
// keys and buttons it has (EVIOCGBIT for EV_KEY) and those down now (EVIOCGKEY).
struct DeviceKeys {
  std::vector<uint8_t> capabilities;
  std::vector<uint8_t> pressed;
};

// The devices, behind a seam: the decoding is tested on recorded answers.
class InputDeviceSource {
public:
  virtual ~InputDeviceSource() = default;
  // The event devices there are now, in order.
  virtual std::vector<std::string> devices() const = 0;
  // No value when the device cannot be opened or asked: no permission, not an input device, or
  // gone since it was listed.
  virtual std::optional<DeviceKeys> read(const std::string &device) const = 0;
};

// The event devices of `folder` (/dev/input): event<number>, in number order, opened without
// blocking, each read only if it is a character device that answers.
std::unique_ptr<InputDeviceSource> kernelInputDevices(std::string folder = "/dev/input");

struct InputDeviceKeys {
  HeldKeys held;
  int keyboards = 0;  // devices read that have Shift, Ctrl or Alt
  int mice = 0;       // devices read that have a left mouse button
  int unreadable = 0; // devices listed but not read
  // Whether the devices can tell the modifier keys: at least one keyboard was read.
  bool readable() const { return keyboards > 0; }
};

// Shift, Ctrl and Alt (left or right) from the devices that have those keys, X1 and X2 from the
// side and extra buttons of those that have them, combined over every device read before the
// deadline.
InputDeviceKeys readInputDeviceKeys(const InputDeviceSource &source, long deadlineMs);

} // namespace velmora

#endif
