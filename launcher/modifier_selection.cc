#include "launcher/modifier_selection.h"

#include "platform/key_state.h"

namespace velmora {

ModifierSlot selectSlot(const KeyState &keys) {
  for (const ModifierKey &key : kModifierKeys)
    if (key.virtualKey != 0 && isHeld(keys.keyState(key.virtualKey)))
      return key.slot;
  return ModifierSlot::Default;
}

std::string selectTemplate(const KeyState &keys, const TemplateSet &templates, ModifierSlot *slot) {
  ModifierSlot selected = selectSlot(keys);
  if (slot != nullptr)
    *slot = selected;
  return templates.of(selected);
}

} // namespace velmora
