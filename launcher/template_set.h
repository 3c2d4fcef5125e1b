// The six command templates, one for each key or button that selects one.
#ifndef VELMORA_LAUNCHER_TEMPLATE_SET_H
#define VELMORA_LAUNCHER_TEMPLATE_SET_H

#include "platform/modifier_keys.h"

#include <array>
#include <string>

namespace velmora {

struct TemplateSet {
  std::array<std::string, kSlotCount> templates;

  const std::string &of(ModifierSlot slot) const { return templates[static_cast<size_t>(slot)]; }
  std::string &of(ModifierSlot slot) { return templates[static_cast<size_t>(slot)]; }
};

} // namespace velmora

#endif
