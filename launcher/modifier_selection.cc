#include "launcher/modifier_selection.h"

#include "platform/platform.h"

namespace velmora {

ModifierSlot selectSlot(const Platform &platform) {
  struct Watched {
    ModifierSlot slot;
    int virtualKey;
  };
  static constexpr Watched kOrder[] = {{ModifierSlot::Shift, 0x10},
                                       {ModifierSlot::Ctrl, 0x11},
                                       {ModifierSlot::Alt, 0x12},
                                       {ModifierSlot::X1, 0x05},
                                       {ModifierSlot::X2, 0x06}};
  for (const Watched &watched : kOrder)
    if (platform.keyState(watched.virtualKey) < 0)
      return watched.slot;
  return ModifierSlot::Default;
}

std::string selectTemplate(const Platform &platform, const TemplateSet &templates) {
  return templates.of(selectSlot(platform));
}

} // namespace velmora
