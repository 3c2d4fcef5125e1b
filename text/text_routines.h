// Text routines over 8-bit ANSI text: byte-wise searches, and case-insensitive ones that respect
// double-byte characters. Positions are 1-based; 0 means "not found".
#ifndef VELMORA_TEXT_TEXT_ROUTINES_H
#define VELMORA_TEXT_TEXT_ROUTINES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class TextRules;

// The platform's upper-casing for the active code page; keeps the byte length.
std::string upperCaseText(const TextRules &rules, std::string_view text);

// First byte-exact occurrence of `needle`; NUL bytes are ordinary bytes here.
int32_t indexOf(std::string_view needle, std::string_view haystack);

// First exact occurrence that does not begin on the second byte of a double-byte character.
// Both texts end at their first NUL.
int32_t indexOfCharAware(const TextRules &rules, std::string_view needle,
                         std::string_view haystack);

bool containsIgnoreCase(const TextRules &rules, std::string_view text, std::string_view pattern);

// Replaces every case-insensitive occurrence of `oldText`, left to right, without overlap; the
// text between occurrences keeps its own bytes and `newText` is inserted as given.
std::string replaceAllIgnoreCase(const TextRules &rules, std::string_view text,
                                 std::string_view oldText, std::string_view newText);
// replaceAllIgnoreCase that gives up (no value) as soon as the result would hold more than
// `limit` bytes, so that crafted text cannot make it build something huge.
std::optional<std::string> replaceAllIgnoreCaseWithin(const TextRules &rules, std::string_view text,
                                                      std::string_view oldText,
                                                      std::string_view newText, size_t limit);

// `count` bytes from 1-based `index`, clamped to the text; never fails.
std::string substring(std::string_view text, int32_t index, int32_t count);

std::string decimalText(int32_t n);

} // namespace velmora

#endif
