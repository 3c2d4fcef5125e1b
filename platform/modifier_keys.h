// The keys and mouse buttons the platform is asked about, which choose a template: for each, the
// template's key in the settings file, the virtual key the platform is asked about and the names
// people use for it.
#ifndef VELMORA_PLATFORM_MODIFIER_KEYS_H
#define VELMORA_PLATFORM_MODIFIER_KEYS_H

#include <cstddef>
#include <cstdint>

namespace velmora {

enum class ModifierSlot { Default, Shift, Ctrl, Alt, X1, X2 };

constexpr int kSlotCount = 6;

struct ModifierKey {
  ModifierSlot slot;
  const char *settingsKey; // in the section "Path"
  int virtualKey;          // GetKeyState's code; 0 for Default, which no key selects
  const char *name;        // as velmora-check's --hold takes it
  const char *description; // as velmora-check shows the held key
};

// In slot order, which is the order the templates are read in. The keys are asked in the same
// order, Default aside, and the first one held wins.
inline constexpr ModifierKey kModifierKeys[kSlotCount] = {
    {ModifierSlot::Default, "default", 0, "none", "none (default)"},
    {ModifierSlot::Shift, "shift", 0x10, "shift", "shift"},
    {ModifierSlot::Ctrl, "ctrl", 0x11, "ctrl", "ctrl"},
    {ModifierSlot::Alt, "alt", 0x12, "alt", "alt"},
    {ModifierSlot::X1, "X1", 0x05, "x1", "x1 (first extra button)"},
    {ModifierSlot::X2, "X2", 0x06, "x2", "x2 (second extra button)"},
};

inline constexpr const ModifierKey &modifierKey(ModifierSlot slot) {
  return kModifierKeys[static_cast<size_t>(slot)];
}

// GetKeyState's answer for a key that is down: the most significant bit set. The low bit (the
// toggle state) means nothing here.
constexpr int16_t kKeyHeld = INT16_MIN;
constexpr bool isHeld(int16_t keyState) {
  return keyState < 0;
}

} // namespace velmora

#endif
