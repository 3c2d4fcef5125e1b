// Test helper: appends its own command line, byte for byte, and a NUL to the file that
// VELMORA_RECORD names.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  char path[1024];
  DWORD length = GetEnvironmentVariableA("VELMORA_RECORD", path, sizeof path);
  if (length == 0 || length >= sizeof path)
    return 1;
  std::FILE *file = std::fopen(path, "ab");
  if (file == nullptr)
    return 2;
  const char *line = GetCommandLineA();
  std::fwrite(line, 1, std::strlen(line) + 1, file);
  std::fclose(file);
  return 0;
}
