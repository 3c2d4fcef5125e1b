// Win32 backend of velmora-setup: UTF-8 and UTF-16 conversions, and nothing else.
#include "setup/windows/utf16.h"

#include <windows.h>

namespace velmora {

std::optional<std::wstring> utf16From(const std::string &utf8) {
  if (utf8.empty())
    return std::wstring();
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                  static_cast<int>(utf8.size()), nullptr, 0);
  if (units <= 0)
    return std::nullopt;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                      wide.data(), units);
  return wide;
}

std::optional<std::string> utf8From(const std::wstring &utf16) {
  if (utf16.empty())
    return std::string();
  int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(),
                                  static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return std::nullopt;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), static_cast<int>(utf16.size()),
                      utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

} // namespace velmora
