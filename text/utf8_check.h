// Whether bytes are well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing
// past U+10FFFF), as GLib's g_utf8_validate asks, NUL aside.
#ifndef VELMORA_TEXT_UTF8_CHECK_H
#define VELMORA_TEXT_UTF8_CHECK_H

#include <string_view>

namespace velmora {

bool isUtf8(std::string_view text);

} // namespace velmora

#endif
