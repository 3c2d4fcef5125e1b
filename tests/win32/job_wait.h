// Test helper: waits for a started program and for every program it started in turn, which a
// job holds, so that "started nothing" and "started this" can be told once it returns.
#ifndef VELMORA_TESTS_WIN32_JOB_WAIT_H
#define VELMORA_TESTS_WIN32_JOB_WAIT_H

#include <windows.h>

// The program's exit status. Generous: under an emulated Wine a process start can take long; the
// test drivers bound the whole run with their own time-outs.
inline DWORD waitForProgramAndJob(HANDLE process, HANDLE job) {
  WaitForSingleObject(process, 600000);
  DWORD status = 103;
  GetExitCodeProcess(process, &status);
  for (int waited = 0; waited < 6000; ++waited) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   nullptr) ||
        info.ActiveProcesses == 0)
      break;
    Sleep(100);
  }
  return status;
}

#endif
