// Test helper: a plain window for keys pressed through X to land in. Wine hands X key and button
// events to its key state only through a focused window of its own; this is that window. It
// keeps Alt from opening a menu (which would take the key events), prints "shown" once it is on
// the screen, and closes by itself after the number of seconds it is given.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kTitle[] = "velmora key window";

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
  case WM_SYSCHAR:
    return 0;
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_KEYMENU)
      return 0;
    break;
  case WM_TIMER:
    DestroyWindow(window);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char **argv) {
  UINT seconds = argc > 1 ? static_cast<UINT>(std::atoi(argv[1])) : 60;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "VelmoraKeyWindow";
  if (RegisterClassA(&windowClass) == 0)
    return 1;
  HWND window = CreateWindowA(windowClass.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 400,
                              300, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr)
    return 2;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetTimer(window, 1, seconds * 1000, nullptr);
  std::printf("shown\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
