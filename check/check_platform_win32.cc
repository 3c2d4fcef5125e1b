// Win32 backend of velmora-check: where the profile reader and CreateProcess look for files,
// and console output.
#include "check/check_platform.h"

#include "host/exact_rendering.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace velmora {
namespace {

bool hasDirectory(const std::string &path) {
  return path.find_first_of("\\/:") != std::string::npos;
}

// The file SearchPath finds for `program`, with ".exe" added to a name without extension, as
// CreateProcess searches: the program's folder, the current folder, the system folders, PATH.
// Empty when there is none, or when it is a folder.
std::string searchExe(const std::string &program) {
  char found[MAX_PATH];
  DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return "";
  DWORD attributes = GetFileAttributesA(found);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return "";
  return std::string(found, length);
}

class Win32CheckPlatform final : public CheckPlatform {
public:
  FileStatus settingsFile(const std::string &path) const override {
    FileStatus status;
    // The profile reader looks for a bare file name in the Windows directory.
    status.where = path;
    if (!hasDirectory(path)) {
      char windows[MAX_PATH];
      UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
      status.where = std::string(windows, length < MAX_PATH ? length : 0) + "\\" + path;
    }
    DWORD attributes = GetFileAttributesA(status.where.c_str());
    status.exists = !path.empty() && attributes != INVALID_FILE_ATTRIBUTES;
    HANDLE file = status.exists && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
                      ? CreateFileA(status.where.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr)
                      : INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE) {
      status.readable = true;
      CloseHandle(file);
    } else if (status.exists) {
      status.why = attributes & FILE_ATTRIBUTE_DIRECTORY ? "a folder" : "cannot be opened";
    }
    return status;
  }

  std::vector<std::string> splitLaunchCommand(const Platform &,
                                              const std::string &command) const override {
    return splitLikeWindowsPrograms(command);
  }

  ProgramLookup findProgram(const std::string &command,
                            const std::string &firstToken) const override {
    // A quoted program is the text up to the next quotation mark. An unquoted one is read as
    // CreateProcess reads it: the line word by word, growing, and the first prefix that names
    // a file is the program ("C:\Program Files\x.exe" tries C:\Program.exe first).
    ProgramLookup lookup;
    if (command.empty() || command[0] == '"') {
      lookup.program = firstToken;
      lookup.path = searchExe(firstToken);
      return lookup;
    }
    size_t end = 0;
    while (end < command.size()) {
      end = command.find_first_of(" \t", command.find_first_not_of(" \t", end));
      if (end == std::string::npos)
        end = command.size();
      std::string prefix = command.substr(0, end);
      std::string found = searchExe(prefix);
      if (found.empty())
        continue;
      if (lookup.path.empty()) {
        lookup.program = prefix;
        lookup.path = found;
        lookup.unquotedBlank = prefix.find_first_of(" \t") != std::string::npos;
      } else {
        // A longer prefix names a program too: the one taken may be a planted one.
        lookup.unquotedBlank = true;
        break;
      }
    }
    if (lookup.path.empty())
      lookup.program = firstToken;
    return lookup;
  }

  std::optional<KeySource> keySource() const override { return KeySource{"GetKeyState", ""}; }

  bool commandLineLostCharacters() const override {
    // Windows made the ANSI line from the UTF-16 one; read back, it differs exactly where a
    // character had no place in the ANSI code page.
    return !isExactRendering(GetCommandLineA(), GetCommandLineW());
  }

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

std::unique_ptr<CheckPlatform> makeHostCheckPlatform(const Platform &) {
  return std::make_unique<Win32CheckPlatform>();
}

} // namespace velmora
