// Whether Windows' ANSI form of a text says exactly what its UTF-16 form says.
#ifndef VELMORA_HOST_EXACT_RENDERING_H
#define VELMORA_HOST_EXACT_RENDERING_H

#include <cstddef>
#include <optional>
#include <string_view>

namespace velmora {

// Windows makes the ANSI copy of a UTF-16 text (the command line, the program's path) with
// best-fit mapping: a character the code page lacks becomes a look-alike ("＂" a quotation mark,
// "／" a slash, "＼" a backslash) or '?', and in UTF-8 an unpaired surrogate becomes U+FFFD.
// Read back, such a copy differs from the original. The position in `wide` of the first unit
// that the copy `ansi` does not give back exactly (the last one when the read-back says more);
// no value when the copy is exact.
std::optional<size_t> firstUnrenderedUnit(std::string_view ansi, std::wstring_view wide);

inline bool isExactRendering(std::string_view ansi, std::wstring_view wide) {
  return !firstUnrenderedUnit(ansi, wide);
}

} // namespace velmora

#endif
