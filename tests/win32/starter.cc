// Test helper: starts a program with exactly the command-line bytes in a file (Wine's own
// quoting from a Unix shell would hide the splitting rules), waits until it and every process
// it started have ended, and exits with the program's exit status.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: starter FILE-WITH-COMMAND-LINE\n");
    return 100;
  }
  std::FILE *file = std::fopen(argv[1], "rb");
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
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
    return 102;
  }
  AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  // Generous: under an emulated Wine one process start can take a minute. The test drivers
  // bound the whole run with their own time-outs.
  WaitForSingleObject(process.hProcess, 600000);
  DWORD status = 103;
  GetExitCodeProcess(process.hProcess, &status);
  for (int waited = 0; waited < 6000; ++waited) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   nullptr) ||
        info.ActiveProcesses == 0)
      break;
    Sleep(100);
  }
  std::printf("%lu\n", status);
  return static_cast<int>(status);
}
