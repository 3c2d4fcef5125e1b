// POSIX entry of velmora-setup: its arguments, its turn among runs at the same time, and its
// output; everything else is in linux_setup.
#include "setup/engine/setup_engine.h"
#include "setup/linux/desktop_files_posix.h"
#include "setup/linux/linux_setup.h"
#include "setup/linux/run_turn_posix.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

void print(const std::string &text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  velmora::SetupOptions options =
      velmora::parseSetupOptions(arguments, velmora::linuxSetupGrammar());
  std::unique_ptr<velmora::DesktopFiles> files = velmora::makePosixDesktopFiles();
  std::unique_ptr<velmora::DefaultApps> apps = velmora::makeGioDefaultApps();
  std::string out;
  int status = 0;
  {
    // Help and usage errors need no turn; a run that reads or writes the user's files does.
    // The folder it is taken on is made first where a fresh account lacks it.
    std::optional<velmora::RunTurn> turn;
    if (!options.help && !options.version && options.error.empty()) {
      if (velmora::linuxCommandWrites(options))
        files->makeConfigFolder();
      turn.emplace(files->configFolder(), print);
    }
    if (turn && !turn->taken()) {
      print(velmora::setup_words::gaveUpWaitingFor(turn->holder()));
      return velmora::kSetupFailed;
    }
    status = velmora::runLinuxSetup(options, *files, *apps, out);
    if (status != velmora::kSetupDone && files->configFolderMade())
      files->removeEmptyFolder(files->configFolder());
    print(out);
  }
  return status;
}
