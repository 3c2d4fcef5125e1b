// Holds velmora-setup's turn as a run that stopped would: takes its mutex, says so in its
// holder mapping, prints "held" and sleeps until it is killed. With "--idle" it only sleeps,
// a client that keeps the prefix's server running between the programs of a test.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], "--idle") == 0)
    Sleep(INFINITE);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\velmora-setup-turn");
  HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(unsigned long), L"Local\\velmora-setup-holder");
  if (mutex == nullptr || map == nullptr || WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0)
    return 1;
  auto *slot =
      static_cast<unsigned long *>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(unsigned long)));
  if (slot == nullptr)
    return 1;
  *slot = GetCurrentProcessId();
  std::printf("held %lu\n", GetCurrentProcessId());
  std::fflush(stdout);
  Sleep(INFINITE);
}
