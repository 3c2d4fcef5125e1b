// Win32 backend: the read-back of ANSI text into UTF-16, and nothing else.
#include "host/exact_rendering.h"

#include <windows.h>

#include <vector>

namespace velmora {

std::optional<size_t> firstUnrenderedUnit(std::string_view ansi, std::wstring_view wide) {
  std::vector<wchar_t> readBack;
  if (!ansi.empty()) {
    int units =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (units <= 0)
      return 0;
    readBack.resize(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), readBack.data(),
                        units);
  }
  size_t i = 0;
  while (i < wide.size() && i < readBack.size() && readBack[i] == wide[i])
    ++i;
  if (i == wide.size() && i == readBack.size())
    return std::nullopt;
  return i < wide.size() || i == 0 ? i : i - 1;
}

} // namespace velmora
