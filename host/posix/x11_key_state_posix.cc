// X11 backend of the held keys: libX11 and libXi through dlopen, in a child process that may
// take at most a short while.
#include "host/posix/x11_key_state.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

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

// A failed request must not end the query: X11's default handler would exit.
int ignoreError(Display *, void *) {
  return 0;
}

// A lost connection ends the child at once, without the exit handlers and stdio buffers that
// it shares with velmora.
int leaveOnConnectionLoss(Display *) {
  _exit(1);
}

bool keyDown(const char keymap[32], KeyCode code) {
  return code != 0 && (static_cast<unsigned char>(keymap[code / 8]) >> (code % 8) & 1) != 0;
}

bool maskSet(const XIButtonState &buttons, int button) {
  return button / 8 < buttons.mask_len && (buttons.mask[button / 8] >> (button % 8) & 1) != 0;
}

// The query itself. Xlib blocks without limit on a server that does not answer, and exits the
// process when the connection drops, so this runs only in a child of velmora.
std::optional<HeldKeys> queryX11() {
  Library x11("libX11.so.6");
  if (!x11)
    return std::nullopt;
  auto openDisplay = x11.get<Display *(*)(const char *)>("XOpenDisplay");
  auto setErrorHandler = x11.get<ErrorHandler (*)(ErrorHandler)>("XSetErrorHandler");
  auto queryKeymap = x11.get<int (*)(Display *, char *)>("XQueryKeymap");
  auto keysymToKeycode = x11.get<KeyCode (*)(Display *, KeySym)>("XKeysymToKeycode");
  auto rootWindow = x11.get<Window (*)(Display *)>("XDefaultRootWindow");
  auto xFree = x11.get<int (*)(void *)>("XFree");
  auto setIoErrorHandler = x11.get<int (*(*)(int (*)(Display *)))(Display *)>("XSetIOErrorHandler");
  if (!openDisplay || !setErrorHandler || !queryKeymap || !keysymToKeycode || !rootWindow ||
      !xFree || !setIoErrorHandler)
    return std::nullopt;
  setIoErrorHandler(leaveOnConnectionLoss);

  Display *connection = openDisplay(nullptr);
  if (connection == nullptr)
    return std::nullopt;
  setErrorHandler(ignoreError);

  HeldKeys held;
  char keymap[32] = {};
  queryKeymap(connection, keymap);
  auto down = [&](KeySym left, KeySym right) {
    return keyDown(keymap, keysymToKeycode(connection, left)) ||
           keyDown(keymap, keysymToKeycode(connection, right));
  };
  held[static_cast<size_t>(ModifierSlot::Shift)] = down(kShiftL, kShiftR);
  held[static_cast<size_t>(ModifierSlot::Ctrl)] = down(kControlL, kControlR);
  held[static_cast<size_t>(ModifierSlot::Alt)] = down(kAltL, kAltR);

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
      held[static_cast<size_t>(ModifierSlot::X1)] = maskSet(buttons, 8);
      held[static_cast<size_t>(ModifierSlot::X2)] = maskSet(buttons, 9);
    }
    if (buttons.mask != nullptr)
      xFree(buttons.mask);
  }
  // The child ends right after this, and the connection with it.
  return held;
}

// The child's answer in one byte: a bit for each held slot, and Default's bit (which no key
// sets) to say that it answered at all.
constexpr unsigned char kAnswered = 1u << static_cast<unsigned>(ModifierSlot::Default);

} // namespace

X11Answer readX11HeldKeys(long budgetMs) {
  const char *display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0')
    return {};
  auto start = std::chrono::steady_clock::now();
  X11Answer result{X11Answer::Outcome::Unreachable, {}};
  int answer[2];
  if (pipe2(answer, O_CLOEXEC) != 0)
    return result;
  pid_t child = fork();
  if (child == 0) {
    // Xlib writes its complaints to stderr; velmora shows nothing.
    int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0)
      dup2(quiet, STDERR_FILENO);
    std::optional<HeldKeys> held = queryX11();
    unsigned char bits = held ? static_cast<unsigned char>(held->to_ulong() | kAnswered) : 0;
    ssize_t written = write(answer[1], &bits, 1);
    _exit(written == 1 ? 0 : 1);
  }
  close(answer[1]);
  unsigned char bits = 0;
  if (child > 0) {
    for (;;) {
      long left = budgetMs - millisecondsSince(start);
      pollfd ready{answer[0], POLLIN, 0};
      int polled = left > 0 ? poll(&ready, 1, static_cast<int>(left)) : 0;
      if (polled < 0 && errno == EINTR)
        continue;
      if (polled == 0)
        result.outcome = X11Answer::Outcome::TooSlow;
      else if (polled > 0 && read(answer[0], &bits, 1) != 1)
        bits = 0;
      break;
    }
    // Whatever the child is doing now (closing a stalled connection, say), velmora is done
    // with it.
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  close(answer[0]);
  if ((bits & kAnswered) != 0)
    result = {X11Answer::Outcome::Answered,
              HeldKeys(static_cast<unsigned>(bits & ~kAnswered & 0xFF))};
  return result;
}

} // namespace velmora
