// Text between velmora-setup's UTF-8 and Windows' UTF-16, exactly or not at all.
#ifndef VELMORA_SETUP_WINDOWS_UTF16_H
#define VELMORA_SETUP_WINDOWS_UTF16_H

#include <optional>
#include <string>

namespace velmora {

// None for text that is not valid UTF-8.
std::optional<std::wstring> utf16From(const std::string &utf8);
// None for text holding an unpaired surrogate, which UTF-8 cannot carry.
std::optional<std::string> utf8From(const std::wstring &utf16);

} // namespace velmora

#endif
