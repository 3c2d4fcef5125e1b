// Windows entry: a GUI-subsystem program, so no console window is ever shown.
#include "app/run_sequence.h"
#include "platform/host_platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::unique_ptr<velmora::Platform> platform = velmora::makeHostPlatform(0, nullptr);
  return velmora::runProgram(*platform);
}
