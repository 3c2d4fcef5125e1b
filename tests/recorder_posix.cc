// Test helper: appends the arguments it received, each followed by a NUL, and a newline to the
// file that VELMORA_RECORD names.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
  const char *path = std::getenv("VELMORA_RECORD");
  if (path == nullptr)
    return 1;
  std::FILE *file = std::fopen(path, "ab");
  if (file == nullptr)
    return 2;
  for (int i = 1; i < argc; ++i)
    std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
  std::fputc('\n', file);
  std::fclose(file);
  return 0;
}
