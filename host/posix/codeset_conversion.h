// Text into the locale's character set, for values that arrive as Unicode.
#ifndef VELMORA_HOST_POSIX_CODESET_CONVERSION_H
#define VELMORA_HOST_POSIX_CODESET_CONVERSION_H

#include <string>
#include <string_view>

namespace velmora {

// UTF-8 text in `codeset` (as nl_langinfo(CODESET) names it). A character the codeset lacks
// becomes '?', as Windows' own conversion makes it. UTF-8 stays as it is, and so does the C
// locale's ASCII: there the bytes of file names are passed on untouched, whatever they encode.
std::string utf8ToCodeset(std::string_view utf8, const char *codeset);

// Whether text in `codeset` needs no conversion from UTF-8 (UTF-8 itself, or plain ASCII).
bool keepsUtf8(const char *codeset);

} // namespace velmora

#endif
