// velmora-check: shows what velmora would do with the same arguments, and why, without
// starting anything.
#include "app/run_sequence.h"
#include "check/check_console.h"
#include "check/checked_roles.h"
#include "check/diagnosis.h"
#include "host/host_platform.h"

namespace {

constexpr char kHelp[] =
    "usage: velmora-check [--hold=KEY] [--] ARGUMENT... TARGET\n"
    "       velmora-check --help | --version\n"
    "\n"
    "Shows what velmora would do when started with the same arguments: which settings file it\n"
    "reads and why, the six templates in it, which key or mouse button is held, the chosen\n"
    "template, the launch command byte for byte and how it splits into program and arguments,\n"
    "with warnings for common mistakes. Nothing is started.\n"
    "\n"
    "  --hold=KEY  take KEY as held instead of reading the keyboard and mouse: shift, ctrl,\n"
    "              alt, x1, x2 (the extra mouse buttons) or none\n"
    "  -h, --help  this text (also /? and -?)\n"
    "  --version   the version\n"
    "  --          end of the options: what follows is velmora's, also when it begins\n"
    "              with \"-\"\n"
    "Options go before velmora's arguments: after them, velmora would take them as files.\n"
    "\n"
    "Put velmora-check next to velmora so that it finds the same velmora.ini. Drop a file on\n"
    "it, holding a key if you like, to see what velmora would do with that file and that key.\n"
    "On a Windows console the report is shown as Windows means its text (file names in any\n"
    "language); written to a file or a pipe, it keeps the bytes velmora sees.\n"
    "Exit status: 0 when velmora would start a command, 1 when nothing would start, 2 for bad\n"
    "options.\n";

} // namespace

int main(int argc, char **argv) {
  std::unique_ptr<velmora::PlatformRoles> host = velmora::makeHostPlatform(argc, argv);
  std::unique_ptr<velmora::CheckConsole> console = velmora::makeCheckConsole();
  velmora::Platform roles = host->roles();
  int status = velmora::runStarted(roles, [&host, &roles, &console] {
    velmora::CheckOptions options = velmora::parseCheckOptions(roles.command, roles.text);
    if (!options.error.empty()) {
      console->print("velmora-check: " + options.error + " (try velmora-check --help)\n");
      return 2;
    }
    if (options.help) {
      console->print(kHelp);
      return 0;
    }
    if (options.version) {
      console->print("velmora-check " VELMORA_VERSION "\n" VELMORA_LICENCE "\n");
      return 0;
    }
    std::optional<velmora::ModifierSlot> hold = options.hold;
    velmora::CheckedCommandSource command(roles.command, std::move(options));
    velmora::CheckedKeyState keys(roles.keys, hold);
    velmora::Diagnosis diagnosis = velmora::diagnose(
        {command, roles.text, roles.settings, keys, roles.process}, host->inspection());
    console->print(velmora::formatReport(diagnosis));
    return diagnosis.wouldLaunch() ? 0 : 1;
  });
  console->holdWindowOpen();
  return status;
}
