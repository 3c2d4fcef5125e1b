// Input devices through evdev's ioctls (linux/input.h), and what their answers mean.
#include "host/posix/input_devices.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velmora {
namespace {

constexpr size_t kKeyMapBytes = KEY_CNT / 8 + 1;

struct Watched {
  ModifierSlot slot;
  int codes[2];
};

constexpr Watched kWatched[] = {
    {ModifierSlot::Shift, {KEY_LEFTSHIFT, KEY_RIGHTSHIFT}},
    {ModifierSlot::Ctrl, {KEY_LEFTCTRL, KEY_RIGHTCTRL}},
    {ModifierSlot::Alt, {KEY_LEFTALT, KEY_RIGHTALT}},
    {ModifierSlot::X1, {BTN_SIDE, BTN_SIDE}},
    {ModifierSlot::X2, {BTN_EXTRA, BTN_EXTRA}},
};

bool bitSet(const std::vector<uint8_t> &map, int code) {
  size_t byte = static_cast<size_t>(code) / 8;
  return byte < map.size() && (map[byte] >> (code % 8) & 1) != 0;
}

// The number of an "eventN" name; -1 for any other name.
long eventNumber(const char *name) {
  if (std::strncmp(name, "event", 5) != 0 || name[5] < '0' || name[5] > '9')
    return -1;
  char *end = nullptr;
  long number = std::strtol(name + 5, &end, 10);
  return *end == '\0' ? number : -1;
}

class KernelInputDevices final : public InputDeviceSource {
public:
  explicit KernelInputDevices(std::string folder) : folder_(std::move(folder)) {}

  std::vector<std::string> devices() const override {
    std::vector<std::pair<long, std::string>> found;
    if (DIR *folder = opendir(folder_.c_str())) {
      while (dirent *entry = readdir(folder)) {
        long number = eventNumber(entry->d_name);
        if (number >= 0)
          found.emplace_back(number, folder_ + "/" + entry->d_name);
      }
      closedir(folder);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto &[number, path] : found)
      paths.push_back(std::move(path));
    return paths;
  }

  std::optional<DeviceKeys> read(const std::string &device) const override {
    int fd = open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
      return std::nullopt;
    struct stat info {};
    DeviceKeys keys{std::vector<uint8_t>(kKeyMapBytes), std::vector<uint8_t>(kKeyMapBytes)};
    bool answered = fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) &&
                    ioctl(fd, EVIOCGBIT(EV_KEY, kKeyMapBytes), keys.capabilities.data()) >= 0 &&
                    ioctl(fd, EVIOCGKEY(kKeyMapBytes), keys.pressed.data()) >= 0;
    close(fd);
    if (!answered)
      return std::nullopt;
    return keys;
  }

private:
  std::string folder_;
};

} // namespace

std::unique_ptr<InputDeviceSource> kernelInputDevices(std::string folder) {
  return std::make_unique<KernelInputDevices>(std::move(folder));
}

InputDeviceKeys readInputDeviceKeys(const InputDeviceSource &source, long deadlineMs) {
  auto start = std::chrono::steady_clock::now();
  InputDeviceKeys result;
  for (const std::string &device : source.devices()) {
    std::optional<DeviceKeys> keys =
        millisecondsSince(start) < deadlineMs ? source.read(device) : std::nullopt;
    if (!keys) {
      ++result.unreadable;
      continue;
    }
    bool keyboard = false;
    for (const Watched &watched : kWatched) {
      for (int code : watched.codes) {
        if (!bitSet(keys->capabilities, code))
          continue;
        keyboard = keyboard || watched.slot == ModifierSlot::Shift ||
                   watched.slot == ModifierSlot::Ctrl || watched.slot == ModifierSlot::Alt;
        if (bitSet(keys->pressed, code))
          result.held.set(static_cast<size_t>(watched.slot));
      }
    }
    result.keyboards += keyboard ? 1 : 0;
    result.mice += bitSet(keys->capabilities, BTN_LEFT) ? 1 : 0;
  }
  return result;
}

} // namespace velmora
