// Win32 entry of velmora-setup: the wide command line, COM, and the console or pipe it writes
// to; everything else is in windows_setup.
#include "setup/engine/setup_engine.h"
#include "setup/windows/registry_win32.h"
#include "setup/windows/run_turn_win32.h"
#include "setup/windows/shell_files_win32.h"
#include "setup/windows/utf16.h"
#include "setup/windows/windows_setup.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <cstdio>

namespace {

// A console shows UTF-16 as it is; a file or a pipe gets UTF-8.
void print(const std::string &text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  std::optional<std::wstring> wide = velmora::utf16From(text);
  if (wide && out != nullptr && out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode)) {
    DWORD written = 0;
    WriteConsoleW(out, wide->data(), static_cast<DWORD>(wide->size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

class ComApartment {
public:
  ComApartment() : ready_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ready_)
      CoUninitialize();
  }
  ComApartment(const ComApartment &) = delete;
  ComApartment &operator=(const ComApartment &) = delete;

private:
  bool ready_;
};

} // namespace

int main() {
  int count = 0;
  wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    std::optional<std::string> argument = velmora::utf8From(wide[i]);
    if (!argument) {
      print("velmora-setup: argument " + std::to_string(i) + " is not valid Unicode\n");
      LocalFree(wide);
      return velmora::kSetupUsage;
    }
    arguments.push_back(*argument);
  }
  LocalFree(wide);
  ComApartment com;
  std::unique_ptr<velmora::Registry> registry = velmora::makeWin32Registry();
  std::unique_ptr<velmora::ShellFiles> files = velmora::makeWin32ShellFiles();
  velmora::SetupOptions options =
      velmora::parseSetupOptions(arguments, velmora::windowsSetupGrammar());
  std::string out;
  int status = 0;
  {
    // Help and usage errors need no turn; a run that reads or writes the registry does.
    std::optional<velmora::RunTurn> turn;
    if (!options.help && !options.version && options.error.empty())
      turn.emplace(print);
    if (turn && !turn->taken()) {
      print(velmora::setup_words::gaveUpWaitingFor(turn->holder()));
      return velmora::kSetupFailed;
    }
    status = velmora::runWindowsSetup(options, *registry, *files, out);
    print(out);
  }
  return status;
}
