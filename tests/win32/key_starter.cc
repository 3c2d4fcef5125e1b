// Test helper: starts a program with keys that are really held when it first asks for them.
// Wine makes a thread's key state at its first GetKeyState and fills it with zeros, so a key
// that went down before that is never seen. This starter makes the program's input queue first,
// then lets the test driver press keys, and only then lets the program run.
//
//   key_starter [--no-queue] PROGRAM ARGUMENT
//
// It starts `"PROGRAM" ARGUMENT` suspended, sets a hook on the program's main thread and takes it
// off again (the wineserver makes the thread's input queue for it; the hook itself never runs),
// and prints "ready". --no-queue leaves that step out, to show that without it nothing is seen.
// Then it reads lines from its standard input:
//   down VK...  waits until each virtual key (hex) is down, as GetAsyncKeyState says; "down"
//   up VK...    the same for up; "up"
//   go          lets the program run, waits for it and all it started; "status N"
// A wait that does not come true within ten seconds prints "timeout" instead.
#include "job_wait.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

LRESULT CALLBACK unusedHook(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void say(const char *text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

// Waits until every key listed after the word is in the state the word names.
bool waitForKeys(char *keys, bool down) {
  for (int tries = 0; tries < 1000; ++tries) {
    bool all = true;
    std::string list = keys;
    for (char *key = std::strtok(list.data(), " \r\n"); key != nullptr;
         key = std::strtok(nullptr, " \r\n")) {
      bool isDown = GetAsyncKeyState(static_cast<int>(std::strtol(key, nullptr, 16))) < 0;
      all = all && isDown == down;
    }
    if (all)
      return true;
    Sleep(10);
  }
  return false;
}

} // namespace

int main(int argc, char **argv) {
  bool makeQueue = !(argc > 1 && std::strcmp(argv[1], "--no-queue") == 0);
  int first = makeQueue ? 1 : 2;
  if (argc != first + 2) {
    std::fprintf(stderr, "usage: key_starter [--no-queue] PROGRAM ARGUMENT\n");
    return 100;
  }
  std::string line = std::string("\"") + argv[first] + "\" " + argv[first + 1];
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &process)) {
    std::printf("CreateProcess failed: %lu\n", GetLastError());
    return 102;
  }
  AssignProcessToJobObject(job, process.hProcess);
  if (makeQueue) {
    HHOOK hook =
        SetWindowsHookExA(WH_CBT, unusedHook, GetModuleHandleA(nullptr), process.dwThreadId);
    if (hook == nullptr) {
      std::printf("SetWindowsHookEx failed: %lu\n", GetLastError());
      TerminateProcess(process.hProcess, 104);
      return 104;
    }
    UnhookWindowsHookEx(hook);
  }
  say("ready");
  char request[256];
  while (std::fgets(request, sizeof request, stdin) != nullptr) {
    if (std::strncmp(request, "down ", 5) == 0 || std::strncmp(request, "up ", 3) == 0) {
      bool down = request[0] == 'd';
      say(waitForKeys(request + (down ? 5 : 3), down) ? (down ? "down" : "up") : "timeout");
    } else if (std::strncmp(request, "go", 2) == 0) {
      ResumeThread(process.hThread);
      std::printf("status %lu\n", waitForProgramAndJob(process.hProcess, job));
      std::fflush(stdout);
      return 0;
    }
  }
  TerminateProcess(process.hProcess, 105);
  return 105;
}
