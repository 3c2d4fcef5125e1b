// Win32 backend of velmora-check's console: the console or the file it writes to, and the
// wait for Enter, and nothing else.
#include "check/check_console.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace velmora {
namespace {

class Win32CheckConsole final : public CheckConsole {
public:
  void print(const std::string &text) const override {
    // A console shows UTF-16 as it is; ANSI bytes it would read in its own (OEM) code page, and
    // "é" would show as "Ú" under code page 850. A file or a pipe gets the bytes.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode)) {
      std::fflush(stdout);
      int units =
          MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
      std::wstring wide(static_cast<size_t>(units), L'\0');
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          units);
      DWORD written = 0;
      WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }

  void holdWindowOpen() const override {
    // Only a console of its own: started from a shell, the shell shares the console, and with
    // input or output redirected nobody is looking at a window.
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD processes[2];
    if (!GetConsoleMode(in, &mode) || !GetConsoleMode(out, &mode) ||
        GetConsoleProcessList(processes, 2) != 1)
      return;
    print("\nPress Enter to close\n");
    wchar_t typed[64];
    DWORD read = 0;
    while (ReadConsoleW(in, typed, 64, &read, nullptr) && read > 0 &&
           std::wstring_view(typed, read).find(L'\n') == std::wstring_view::npos &&
           std::wstring_view(typed, read).find(L'\r') == std::wstring_view::npos) {
    }
  }
};

} // namespace

std::unique_ptr<CheckConsole> makeCheckConsole() {
  return std::make_unique<Win32CheckConsole>();
}

} // namespace velmora
