// Test helper: starts a program with exactly the command line in a file (Wine's own quoting from
// a Unix shell would hide the splitting rules), waits until it and every process it started
// have ended, and prints the program's exit status; with several files, one after the other.
// A file holds ANSI bytes for CreateProcessA or, after --utf8, UTF-8 text for CreateProcessW,
// as Explorer starts programs.
#include "job_wait.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Starts one command line and waits for it and everything it started; its exit status.
DWORD startAndWait(const char *lineFile, bool utf8) {
  std::FILE *file = std::fopen(lineFile, "rb");
  if (file == nullptr)
    return 101;
  std::string line;
  char chunk[4096];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    line.append(chunk, got);
  std::fclose(file);
  line.push_back('\0');

  // Everything the program starts lands in the job, so "started nothing" can be checked.
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  PROCESS_INFORMATION process{};
  BOOL started = FALSE;
  if (utf8) {
    std::wstring wide(line.size(), L'\0');
    int units = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide.data(),
                                    static_cast<int>(wide.size()));
    wide.resize(units > 0 ? static_cast<size_t>(units) : 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started = CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &process);
  } else {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             nullptr, nullptr, &startup, &process);
  }
  if (!started) {
    std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
    return 102;
  }
  AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  DWORD status = waitForProgramAndJob(process.hProcess, job);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(job);
  return status;
}

} // namespace

int main(int argc, char **argv) {
  bool utf8 = argc >= 2 && std::strcmp(argv[1], "--utf8") == 0;
  int first = utf8 ? 2 : 1;
  if (argc <= first) {
    std::fprintf(stderr, "usage: starter [--utf8] FILE-WITH-COMMAND-LINE...\n");
    return 100;
  }
  // One status line for each, in order: several starts cost one starter process.
  DWORD last = 0;
  for (int i = first; i < argc; ++i) {
    last = startAndWait(argv[i], utf8);
    std::printf("%lu\n", last);
    std::fflush(stdout);
  }
  return static_cast<int>(last);
}
