// Test helper: appends the arguments it received, each followed by a NUL, and a newline to the
// file that VELMORA_RECORD names. With VELMORA_RECORD_STATE set, it also writes there the
// process state it started with: blocked and ignored signals, and its open descriptors.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void recordState(const char *path) {
  std::FILE *out = std::fopen(path, "w");
  if (out == nullptr)
    return;
  if (std::FILE *status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr)
      if (std::strncmp(line, "SigBlk:", 7) == 0 || std::strncmp(line, "SigIgn:", 7) == 0)
        std::fputs(line, out);
    std::fclose(status);
  }
  // Every descriptor but the ones this program opened itself to look.
  int own = fileno(out);
  if (DIR *fds = opendir("/proc/self/fd")) {
    while (dirent *entry = readdir(fds)) {
      if (entry->d_name[0] == '.')
        continue;
      int fd = std::atoi(entry->d_name);
      if (fd == own || fd == dirfd(fds))
        continue;
      char target[512] = {};
      std::string link = std::string("/proc/self/fd/") + entry->d_name;
      ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
      std::fprintf(out, "fd %d: %s\n", fd, length > 0 ? target : "?");
    }
    closedir(fds);
  }
  std::fclose(out);
}

} // namespace

int main(int argc, char **argv) {
  // First, before this program's own files take descriptors.
  if (const char *state = std::getenv("VELMORA_RECORD_STATE"))
    recordState(state);
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
