// X11 backend of the held keys: libX11 and libXi through dlopen, nothing else.
#include "platform/x11_key_state.h"

#include <dlfcn.h>

#include <cstdlib>

namespace velmora {
namespace {

// The few X11 and XInput2 declarations needed, so that no X11 headers are needed to build.
using Display = struct _XDisplay;
using Window = unsigned long;
using KeySym = unsigned long;
using KeyCode = unsigned char;
using Bool = int;
struct XIButtonState {
  int mask_len;
  unsigned char *mask;
};
struct XIModifierState {
  int base, latched, locked, effective;
};
using ErrorHandler = int (*)(Display *, void *);

constexpr KeySym kShiftL = 0xffe1, kShiftR = 0xffe2, kControlL = 0xffe3, kControlR = 0xffe4,
                 kAltL = 0xffe9, kAltR = 0xffea;

class Library {
public:
  explicit Library(const char *name) : handle_(dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_ != nullptr)
      dlclose(handle_);
  }
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;
  explicit operator bool() const { return handle_ != nullptr; }
  template <typename Function> Function get(const char *symbol) const {
    return handle_ == nullptr ? nullptr : reinterpret_cast<Function>(dlsym(handle_, symbol));
  }

private:
  void *handle_;
};

// A failed request must not end velmora: X11's default handler would exit the process.
int ignoreError(Display *, void *) {
  return 0;
}

bool keyDown(const char keymap[32], KeyCode code) {
  return code != 0 && (static_cast<unsigned char>(keymap[code / 8]) >> (code % 8) & 1) != 0;
}

bool maskSet(const XIButtonState &buttons, int button) {
  return button / 8 < buttons.mask_len && (buttons.mask[button / 8] >> (button % 8) & 1) != 0;
}

} // namespace

std::optional<HeldKeys> readX11HeldKeys() {
  const char *display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0')
    return std::nullopt;
  Library x11("libX11.so.6");
  if (!x11)
    return std::nullopt;
  auto openDisplay = x11.get<Display *(*)(const char *)>("XOpenDisplay");
  auto closeDisplay = x11.get<int (*)(Display *)>("XCloseDisplay");
  auto setErrorHandler = x11.get<ErrorHandler (*)(ErrorHandler)>("XSetErrorHandler");
  auto queryKeymap = x11.get<int (*)(Display *, char *)>("XQueryKeymap");
  auto keysymToKeycode = x11.get<KeyCode (*)(Display *, KeySym)>("XKeysymToKeycode");
  auto rootWindow = x11.get<Window (*)(Display *)>("XDefaultRootWindow");
  auto xFree = x11.get<int (*)(void *)>("XFree");
  if (!openDisplay || !closeDisplay || !setErrorHandler || !queryKeymap || !keysymToKeycode ||
      !rootWindow || !xFree)
    return std::nullopt;

  Display *connection = openDisplay(nullptr);
  if (connection == nullptr)
    return std::nullopt;
  ErrorHandler previous = setErrorHandler(ignoreError);

  HeldKeys held;
  char keymap[32] = {};
  queryKeymap(connection, keymap);
  auto down = [&](KeySym left, KeySym right) {
    return keyDown(keymap, keysymToKeycode(connection, left)) ||
           keyDown(keymap, keysymToKeycode(connection, right));
  };
  held.shift = down(kShiftL, kShiftR);
  held.ctrl = down(kControlL, kControlR);
  held.alt = down(kAltL, kAltR);

  // The core protocol knows buttons 1 to 5 only; XInput2 reports 8 and 9.
  Library xi("libXi.so.6");
  auto queryVersion = xi.get<int (*)(Display *, int *, int *)>("XIQueryVersion");
  auto clientPointer = xi.get<Bool (*)(Display *, Window, int *)>("XIGetClientPointer");
  auto queryPointer =
      xi.get<Bool (*)(Display *, int, Window, Window *, Window *, double *, double *, double *,
                      double *, XIButtonState *, XIModifierState *, XIModifierState *)>(
          "XIQueryPointer");
  int major = 2, minor = 0, device = 0;
  if (queryVersion && clientPointer && queryPointer &&
      queryVersion(connection, &major, &minor) == 0 && clientPointer(connection, 0, &device)) {
    Window root = 0, child = 0;
    double rootX = 0, rootY = 0, x = 0, y = 0;
    XIButtonState buttons{0, nullptr};
    XIModifierState modifiers{}, group{};
    if (queryPointer(connection, device, rootWindow(connection), &root, &child, &rootX, &rootY, &x,
                     &y, &buttons, &modifiers, &group)) {
      held.button8 = maskSet(buttons, 8);
      held.button9 = maskSet(buttons, 9);
    }
    if (buttons.mask != nullptr)
      xFree(buttons.mask);
  }
  setErrorHandler(previous);
  closeDisplay(connection);
  return held;
}

} // namespace velmora
