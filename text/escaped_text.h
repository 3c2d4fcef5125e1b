// Text from outside, made safe to show on a terminal: no byte of it can move the cursor, clear
// the screen or retitle the window.
#ifndef VELMORA_TEXT_ESCAPED_TEXT_H
#define VELMORA_TEXT_ESCAPED_TEXT_H

#include <string>
#include <string_view>

namespace velmora {

// Control bytes (00-1F, 7F), the UTF-8 form of the C1 controls (C2 80 to C2 9F) and a lead byte
// that ends the text (it would take whatever is shown next as its second byte) become "\xNN";
// every other byte stays as it is, so that names in any code page stay legible.
std::string escapedText(std::string_view text);

} // namespace velmora

#endif
