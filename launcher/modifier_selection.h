// Picks the template by the key or mouse button held at start.
#ifndef VELMORA_LAUNCHER_MODIFIER_SELECTION_H
#define VELMORA_LAUNCHER_MODIFIER_SELECTION_H

#include "launcher/template_set.h"

#include <string>

namespace velmora {

class KeyState;

// Asks Shift, Ctrl, Alt, the first and the second extra button in that order and stops at the
// first one held; Default when none is.
ModifierSlot selectSlot(const KeyState &keys);

// The template of the selected slot, as it is: an empty one does not fall back to "default".
// The keys are sampled once; `slot`, when given, learns which slot that was.
std::string selectTemplate(const KeyState &keys, const TemplateSet &templates,
                           ModifierSlot *slot = nullptr);

} // namespace velmora

#endif
