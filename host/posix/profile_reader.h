// Our own reader for INI-style settings files, following the rules of Windows'
// GetPrivateProfileStringA, for platforms that have no profile reader.
#ifndef VELMORA_HOST_POSIX_PROFILE_READER_H
#define VELMORA_HOST_POSIX_PROFILE_READER_H

#include "text/settings_lines.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// Values are cut like the platform's 2048-byte buffer cuts them: 2047 bytes and a NUL.
constexpr size_t kProfileValueLimit = 2047;

// The value of `key` in `section` of a settings file whose bytes are `contents`, or `fallback`
// when the file has no such key, by the rules of text/settings_lines.h.
std::string profileValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::string_view fallback);

// profileValue on decoded text. A value of a UTF-16 file goes through `fromUtf8`, when one is
// given, into the text the caller works in; the fallback never does.
std::string profileValueIn(const SettingsText &decoded, std::string_view section,
                           std::string_view key, std::string_view fallback,
                           const std::function<std::string(std::string_view)> &fromUtf8 = {});

} // namespace velmora

#endif
