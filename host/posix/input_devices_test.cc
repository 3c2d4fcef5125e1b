#include "host/posix/input_devices.h"
#include "host/posix/key_reading.h"

#include <gtest/gtest.h>

#include <linux/input.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

// A bit map as /proc/bus/input/devices shows it ("B: KEY=" lines): 64-bit words in hex, the
// highest first. The maps below are those of real devices.
std::vector<uint8_t> bitMap(const std::string &words) {
  std::vector<std::string> parts;
  std::istringstream in(words);
  for (std::string part; in >> part;)
    parts.insert(parts.begin(), part);
  std::vector<uint8_t> bytes(KEY_CNT / 8 + 1);
  for (size_t word = 0; word < parts.size(); ++word) {
    uint64_t value = std::strtoull(parts[word].c_str(), nullptr, 16);
    for (size_t byte = 0; byte < 8 && word * 8 + byte < bytes.size(); ++byte)
      bytes[word * 8 + byte] = static_cast<uint8_t>(value >> (8 * byte));
  }
  return bytes;
}

std::vector<uint8_t> pressed(std::initializer_list<int> codes) {
  std::vector<uint8_t> bytes(KEY_CNT / 8 + 1);
  for (int code : codes)
    bytes[static_cast<size_t>(code / 8)] |= static_cast<uint8_t>(1 << (code % 8));
  return bytes;
}

const std::string kKeyboard = // AT Translated Set 2 keyboard
    "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe";
const std::string kMouse = "ff0000 0 0 0 0";         // a USB mouse with side buttons
const std::string kPowerButton = "10000000000000 0"; // KEY_POWER alone
const std::string kTouchpad = "6420 30000 0 0 0 0";  // BTN_LEFT, tool and touch bits

class RecordedDevices : public InputDeviceSource {
public:
  std::vector<std::string> listed;
  std::map<std::string, DeviceKeys> answers; // a listed device without one cannot be read
  mutable std::vector<std::string> asked;

  std::vector<std::string> devices() const override { return listed; }
  std::optional<DeviceKeys> read(const std::string &device) const override {
    asked.push_back(device);
    auto found = answers.find(device);
    if (found == answers.end())
      return std::nullopt;
    return found->second;
  }
};

struct DeviceCase {
  const char *label;
  std::vector<std::pair<std::string, std::optional<DeviceKeys>>> devices;
  std::vector<ModifierSlot> held;
  int keyboards, mice, unreadable;
};

TEST(InputDevices, DecodesRecordedAnswers) {
  auto keyboard = [](std::initializer_list<int> down) {
    return DeviceKeys{bitMap(kKeyboard), pressed(down)};
  };
  auto mouse = [](std::initializer_list<int> down) {
    return DeviceKeys{bitMap(kMouse), pressed(down)};
  };
  const DeviceCase cases[] = {
      {"nothing held", {{"event0", keyboard({})}, {"event1", mouse({})}}, {}, 1, 1, 0},
      {"left shift",
       {{"event0", keyboard({KEY_LEFTSHIFT, KEY_A})}},
       {ModifierSlot::Shift},
       1,
       0,
       0},
      {"right ctrl and right alt",
       {{"event0", keyboard({KEY_RIGHTCTRL, KEY_RIGHTALT})}},
       {ModifierSlot::Ctrl, ModifierSlot::Alt},
       1,
       0,
       0},
      {"side and extra buttons",
       {{"event0", keyboard({})}, {"event1", mouse({BTN_SIDE, BTN_EXTRA})}},
       {ModifierSlot::X1, ModifierSlot::X2},
       1,
       1,
       0},
      {"keys held on two keyboards combine",
       {{"event0", keyboard({KEY_LEFTALT})}, {"event3", keyboard({KEY_LEFTCTRL})}},
       {ModifierSlot::Ctrl, ModifierSlot::Alt},
       2,
       0,
       0},
      {"a power button is no keyboard",
       {{"event0", DeviceKeys{bitMap(kPowerButton), {}}}},
       {},
       0,
       0,
       0},
      {"a touchpad is a mouse without side buttons",
       {{"event0", DeviceKeys{bitMap(kTouchpad), pressed({BTN_LEFT})}}},
       {},
       0,
       1,
       0},
      {"a device without keys", {{"event0", DeviceKeys{{}, {}}}}, {}, 0, 0, 0},
      {"down but not among its keys",
       {{"event0", DeviceKeys{bitMap(kPowerButton), pressed({KEY_LEFTSHIFT})}}},
       {},
       0,
       0,
       0},
      {"unreadable and vanished devices",
       {{"event0", std::nullopt}, {"event1", keyboard({KEY_LEFTSHIFT})}, {"event2", std::nullopt}},
       {ModifierSlot::Shift},
       1,
       0,
       2},
  };
  for (const DeviceCase &c : cases) {
    RecordedDevices source;
    for (const auto &[name, keys] : c.devices) {
      source.listed.push_back(name);
      if (keys)
        source.answers[name] = *keys;
    }
    InputDeviceKeys result = readInputDeviceKeys(source, kKeyQueryDeadlineMs);
    HeldKeys expected;
    for (ModifierSlot slot : c.held)
      expected.set(static_cast<size_t>(slot));
    EXPECT_EQ(result.held, expected) << c.label;
    EXPECT_EQ(result.keyboards, c.keyboards) << c.label;
    EXPECT_EQ(result.mice, c.mice) << c.label;
    EXPECT_EQ(result.unreadable, c.unreadable) << c.label;
    EXPECT_EQ(source.asked, source.listed) << c.label; // every listed device was tried
  }
}

// The devices first; X11 only when no keyboard could be read, and with what is left of the
// deadline.
TEST(HeldKeys, DevicesFirstThenX11ThenNothing) {
  struct Case {
    const char *label;
    bool keyboardReadable;
    X11Answer x11;
    bool x11Asked;
    std::string source;
    HeldKeys held;
  };
  using Outcome = X11Answer::Outcome;
  const HeldKeys shift(1u << static_cast<unsigned>(ModifierSlot::Shift));
  const HeldKeys alt(1u << static_cast<unsigned>(ModifierSlot::Alt));
  const Case cases[] = {
      {"keyboard readable",
       true,
       {Outcome::Answered, alt},
       false,
       "input devices (1 keyboard, 0 mice)",
       shift},
      {"no keyboard: X11", false, {Outcome::Answered, alt}, true, "X11", alt},
      {"neither", false, {Outcome::Unreachable, {}}, true, "none readable", {}},
      {"no display", false, {Outcome::NoDisplay, {}}, true, "none readable", {}},
      // A slow display is told apart from a missing one, and what it did not say counts as
      // nothing held.
      {"X11 too slow",
       false,
       {Outcome::TooSlow, alt},
       true,
       "X11 did not answer within 2 s (taken as none held)",
       {}},
  };
  for (const Case &c : cases) {
    RecordedDevices source;
    source.listed = {"event0", "event1"};
    if (c.keyboardReadable)
      source.answers["event1"] = DeviceKeys{bitMap(kKeyboard), pressed({KEY_LEFTSHIFT})};
    else
      source.answers["event1"] = DeviceKeys{bitMap(kPowerButton), {}};
    bool asked = false;
    long budget = -1;
    KeyReading reading = readHeldKeys(source, [&](long budgetMs) {
      asked = true;
      budget = budgetMs;
      return c.x11;
    });
    EXPECT_EQ(asked, c.x11Asked) << c.label;
    if (asked) {
      EXPECT_GT(budget, 0) << c.label;
      EXPECT_LE(budget, kKeyQueryDeadlineMs) << c.label;
    }
    EXPECT_EQ(reading.source(), c.source) << c.label;
    EXPECT_EQ(reading.held, c.held) << c.label;
  }
}

// The kernel's source lists a folder's event devices in number order and reads only character
// devices that answer: a file, a FIFO (which a blocking open would wait on for ever) or a device
// that is no input device gives nothing, and nothing blocks.
TEST(InputDevices, TheKernelsSourceReadsOnlyDevicesThatAnswer) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velmora-input-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "event3") << "not a device";
  ASSERT_EQ(mkfifo((folder / "event10").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/null", folder / "event2");
  std::ofstream(folder / "eventx") << "";
  std::ofstream(folder / "mouse0") << "";
  std::unique_ptr<InputDeviceSource> kernel = kernelInputDevices(folder.string());
  std::vector<std::string> wanted;
  for (const char *name : {"event2", "event3", "event10"})
    wanted.push_back((folder / name).string());
  EXPECT_EQ(kernel->devices(), wanted);
  for (const std::string &device : wanted)
    EXPECT_FALSE(kernel->read(device).has_value()) << device;
  EXPECT_FALSE(kernel->read((folder / "missing").string()).has_value());
  EXPECT_TRUE(kernelInputDevices((folder / "missing").string())->devices().empty());
  std::filesystem::remove_all(folder);
}

} // namespace
} // namespace velmora
