// Win32 backend of velmora-setup: FormatMessageW, and nothing else.
#include "setup/windows/system_message_win32.h"

#include "setup/windows/utf16.h"

#include <windows.h>

namespace velmora {

std::string systemMessage(uint32_t code) {
  // An HRESULT that wraps a Win32 error has that error's words.
  DWORD lookUp = (code & 0xFFFF0000u) == 0x80070000u ? code & 0xFFFFu : code;
  wchar_t *buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, lookUp, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
  std::wstring words = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
  LocalFree(buffer);
  // One line, without the message's closing stop and line end.
  for (wchar_t &c : words)
    if (c == L'\r' || c == L'\n')
      c = L' ';
  while (!words.empty() && (words.back() == L' ' || words.back() == L'.'))
    words.pop_back();
  std::string text = utf8From(words).value_or("");
  char number[16];
  wsprintfA(number, lookUp > 0xFFFF ? "0x%08lX" : "%lu", static_cast<unsigned long>(lookUp));
  return text.empty() ? std::string("error ") + number : text + ", error " + number;
}

} // namespace velmora
