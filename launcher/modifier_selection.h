// Picks the template by the key or mouse button held at start.
#ifndef VELMORA_LAUNCHER_MODIFIER_SELECTION_H
#define VELMORA_LAUNCHER_MODIFIER_SELECTION_H

#include "launcher/template_set.h"

#include <string>

namespace velmora {

class Platform;

// Asks Shift, Ctrl, Alt, the first and the second extra button in that order and stops at the
// first one held; Default when none is.
ModifierSlot selectSlot(const Platform &platform);

// The template of the selected slot, as it is: an empty one does not fall back to "default".
std::string selectTemplate(const Platform &platform, const TemplateSet &templates);

} // namespace velmora

#endif
