#include "host/posix/key_reading.h"

namespace velmora {
namespace {

std::string durationText(long ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

} // namespace

std::string KeyReading::source() const {
  if (fromDevices) {
    auto count = [](int n, const char *one, const char *many) {
      return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return "input devices (" + count(devices.keyboards, "keyboard", "keyboards") + ", " +
           count(devices.mice, "mouse", "mice") + ")";
  }
  switch (x11) {
  case X11Answer::Outcome::Answered:
    return "X11";
  case X11Answer::Outcome::TooSlow:
    return "X11 did not answer within " + durationText(kKeyQueryDeadlineMs) +
           " (taken as none held)";
  default:
    return "none readable";
  }
}

KeyReading readHeldKeys(const InputDeviceSource &devices,
                        const std::function<X11Answer(long budgetMs)> &x11) {
  auto start = std::chrono::steady_clock::now();
  KeyReading reading;
  reading.devices = readInputDeviceKeys(devices, kKeyQueryDeadlineMs);
  if (reading.devices.readable()) {
    reading.fromDevices = true;
    reading.held = reading.devices.held;
    return reading;
  }
  long spent = millisecondsSince(start);
  X11Answer answer{X11Answer::Outcome::TooSlow, {}};
  if (spent < kKeyQueryDeadlineMs)
    answer = x11(kKeyQueryDeadlineMs - spent);
  reading.x11 = answer.outcome;
  if (answer.outcome == X11Answer::Outcome::Answered)
    reading.held = answer.held;
  return reading;
}

} // namespace velmora
