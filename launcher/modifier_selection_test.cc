#include "launcher/modifier_selection.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ModifierSelection, FirstHeldKeyWinsAndLaterKeysAreNotAsked) {
  struct Case {
    const char *label;
    std::vector<int> held;
    ModifierSlot slot;
    std::vector<std::string> asked;
  };
  const std::string shift = "GetKeyState 16", ctrl = "GetKeyState 17", alt = "GetKeyState 18",
                    x1 = "GetKeyState 5", x2 = "GetKeyState 6";
  const Case cases[] = {
      {"nothing held", {}, ModifierSlot::Default, {shift, ctrl, alt, x1, x2}},
      {"shift", {0x10}, ModifierSlot::Shift, {shift}},
      {"shift and ctrl: shift", {0x10, 0x11}, ModifierSlot::Shift, {shift}},
      {"ctrl", {0x11}, ModifierSlot::Ctrl, {shift, ctrl}},
      {"alt and X2: alt", {0x12, 0x06}, ModifierSlot::Alt, {shift, ctrl, alt}},
      {"X1", {0x05}, ModifierSlot::X1, {shift, ctrl, alt, x1}},
      {"X2", {0x06}, ModifierSlot::X2, {shift, ctrl, alt, x1, x2}},
      {"unwatched keys", {0x14, 0x01}, ModifierSlot::Default, {shift, ctrl, alt, x1, x2}},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.heldKeys = c.held;
    EXPECT_EQ(selectSlot(fake), c.slot) << c.label;
    EXPECT_EQ(fake.log, c.asked) << c.label;
  }
}

TEST(ModifierSelection, EmptyTemplateDoesNotFallBackToDefault) {
  TemplateSet set;
  set.of(ModifierSlot::Default) = "notepad %P";
  set.of(ModifierSlot::Shift) = "editor %P";
  FakePlatform fake;
  fake.heldKeys = {0x11};
  EXPECT_EQ(selectTemplate(fake, set), "");
  fake.heldKeys = {0x10};
  EXPECT_EQ(selectTemplate(fake, set), "editor %P");
  fake.heldKeys = {};
  EXPECT_EQ(selectTemplate(fake, set), "notepad %P");
}

} // namespace
} // namespace velmora
