// Text from outside, made safe to show on a terminal: no byte of it can move the cursor, clear
// the screen, retitle the window or turn the line around.
#ifndef VELMORA_TEXT_ESCAPED_TEXT_H
#define VELMORA_TEXT_ESCAPED_TEXT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Bytes that a terminal reading `codePage` would take as controls become "\xNN": 00-1F and 7F
// always; a lead byte that ends the text (it would take whatever is shown next as its second
// byte); in UTF-8 the C1 controls (C2 80 to C2 9F) and the bidirectional embeddings, overrides
// and isolates (U+202A to U+202E, U+2066 to U+2069), which can make a line show another program
// than the one it names; in any other single-byte code page 80 to 9F, the 8-bit C1 controls.
// Every other byte stays as it is, so that names stay legible. Which bytes lead a double-byte
// character follows the rules in force: the process-wide locale record (system_locale.h) that
// the start-up settles, as for every other routine that steps through text by characters.
// A byte of `delimiters` that is a character of its own is shown as "\xNN" too, so that text
// shown between such delimiters cannot end early.
std::string escapedText(std::string_view text, uint32_t codePage, std::string_view delimiters = {});

} // namespace velmora

#endif
