// The six command templates and the key or button that selects each.
#ifndef VELMORA_LAUNCHER_TEMPLATE_SET_H
#define VELMORA_LAUNCHER_TEMPLATE_SET_H

#include <array>
#include <string>

namespace velmora {

enum class ModifierSlot { Default, Shift, Ctrl, Alt, X1, X2 };

constexpr int kSlotCount = 6;

// The slot's key name in the settings section "Path".
const char *slotKey(ModifierSlot slot);

struct TemplateSet {
  std::array<std::string, kSlotCount> templates;

  const std::string &of(ModifierSlot slot) const { return templates[static_cast<size_t>(slot)]; }
  std::string &of(ModifierSlot slot) { return templates[static_cast<size_t>(slot)]; }
};

} // namespace velmora

#endif
