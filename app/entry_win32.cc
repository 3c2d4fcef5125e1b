// Windows entry: a GUI-subsystem program, so no console window is ever shown.
#include "app/run_sequence.h"
#include "host/win32_platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  velmora::Win32Platform platform;
  return velmora::runProgram(platform.roles());
}
