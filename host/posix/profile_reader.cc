#include "host/posix/profile_reader.h"

namespace velmora {
namespace {

// What a reader with a C-string buffer of the platform's size hands back.
std::string cut(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  return std::string(value.substr(0, kProfileValueLimit));
}

} // namespace

std::string profileValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::string_view fallback) {
  return profileValueIn(decodeSettingsText(contents), section, key, fallback);
}

std::string profileValueIn(const SettingsText &decoded, std::string_view section,
                           std::string_view key, std::string_view fallback,
                           const std::function<std::string(std::string_view)> &fromUtf8) {
  std::optional<SettingsLine> line = settingLine(decoded.text, section, key);
  if (!line)
    return cut(fallback);
  if (decoded.fromUtf16 && fromUtf8)
    return cut(fromUtf8(line->value));
  return cut(line->value);
}

} // namespace velmora
