#include "host/posix/key_reading.h"

namespace velmora {

std::string KeyReading::source() const {
  if (fromDevices) {
    auto count = [](int n, const char *one, const char *many) {
      return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return "input devices (" + count(devices.keyboards, "keyboard", "keyboards") + ", " +
           count(devices.mice, "mouse", "mice") + ")";
  }
  return fromX11 ? "X11" : "none readable";
}

KeyReading readHeldKeys(const InputDeviceSource &devices,
                        const std::function<std::optional<HeldKeys>(long budgetMs)> &x11) {
  auto start = std::chrono::steady_clock::now();
  KeyReading reading;
  reading.devices = readInputDeviceKeys(devices, kKeyQueryDeadlineMs);
  if (reading.devices.readable()) {
    reading.fromDevices = true;
    reading.held = reading.devices.held;
    return reading;
  }
  long spent = millisecondsSince(start);
  if (spent < kKeyQueryDeadlineMs) {
    if (std::optional<HeldKeys> held = x11(kKeyQueryDeadlineMs - spent)) {
      reading.fromX11 = true;
      reading.held = *held;
    }
  }
  return reading;
}

} // namespace velmora
