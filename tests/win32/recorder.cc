// Test helper: appends its own command line and a NUL to the file that VELMORA_RECORD names:
// the ANSI bytes of GetCommandLineA or, with VELMORA_RECORD_UTF8 set, GetCommandLineW as UTF-8,
// which is what a program that reads its command line in Unicode receives.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main() {
  char path[1024];
  DWORD length = GetEnvironmentVariableA("VELMORA_RECORD", path, sizeof path);
  if (length == 0 || length >= sizeof path)
    return 1;
  std::string line = GetCommandLineA();
  if (GetEnvironmentVariableA("VELMORA_RECORD_UTF8", nullptr, 0) > 0) {
    const wchar_t *wide = GetCommandLineW();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    line.assign(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, line.data(), bytes, nullptr, nullptr);
    line.resize(std::strlen(line.c_str()));
  }
  std::FILE *file = std::fopen(path, "ab");
  if (file == nullptr)
    return 2;
  std::fwrite(line.c_str(), 1, line.size() + 1, file);
  std::fclose(file);
  return 0;
}
