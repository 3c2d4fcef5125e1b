// Win32 backend of velmora-setup: a named mutex, a named mapping that tells its holder, and the
// console's control handler; no policy.
#include "setup/windows/run_turn_win32.h"

#include "setup/engine/setup_engine.h"

#include <windows.h>

namespace velmora {

namespace {

// Signalled when the run that holds the turn has ended.
HANDLE runEnded = nullptr;

BOOL WINAPI holdConsoleEvents(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
    return TRUE;
  // Closing, logging off or shutting down: the system ends the process once this returns, so
  // the run finishes (or gives back what it wrote) first.
  if (runEnded != nullptr)
    WaitForSingleObject(runEnded, INFINITE);
  return TRUE;
}

} // namespace

RunTurn::RunTurn(const std::function<void(const std::string &)> &say) {
  // The Local namespace is the user's own session.
  mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\velmora-setup-turn");
  holderMap_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(unsigned long), L"Local\\velmora-setup-holder");
  if (holderMap_ != nullptr)
    holderSlot_ = static_cast<unsigned long *>(
        MapViewOfFile(holderMap_, FILE_MAP_WRITE, 0, 0, sizeof(unsigned long)));
  // Without a mutex there is no turn to take, nor anyone to take it from.
  taken_ = mutex_ == nullptr;
  if (taken_)
    return;
  DWORD waited = WaitForSingleObject(mutex_, 0);
  if (waited == WAIT_TIMEOUT) {
    holder_ = holderSlot_ != nullptr ? *holderSlot_ : 0;
    say(setup_words::waitingFor(holder_));
    waited = WaitForSingleObject(mutex_, setup_words::kTurnWaitSeconds * 1000);
  }
  // An abandoned turn is one whose run was killed: what it wrote is in the record ahead of it.
  taken_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (!taken_)
    return;
  if (holderSlot_ != nullptr)
    *holderSlot_ = GetCurrentProcessId();
  runEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(holdConsoleEvents, TRUE);
}

RunTurn::~RunTurn() {
  if (taken_ && mutex_ != nullptr) {
    if (holderSlot_ != nullptr)
      *holderSlot_ = 0;
    ReleaseMutex(mutex_);
    SetEvent(runEnded);
  }
  if (holderSlot_ != nullptr)
    UnmapViewOfFile(holderSlot_);
  if (holderMap_ != nullptr)
    CloseHandle(holderMap_);
  if (mutex_ != nullptr)
    CloseHandle(mutex_);
}

} // namespace velmora
