#include "launcher/modifier_selection.h"

#include "platform/platform.h"

namespace velmora {

ModifierSlot selectSlot(const Platform &platform) {
  for (const ModifierKey &key : kModifierKeys)
    if (key.virtualKey != 0 && isHeld(platform.keyState(key.virtualKey)))
      return key.slot;
  return ModifierSlot::Default;
}

std::string selectTemplate(const Platform &platform, const TemplateSet &templates) {
  return templates.of(selectSlot(platform));
}

} // namespace velmora
