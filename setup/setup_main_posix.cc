// POSIX entry of velmora-setup: its arguments and its output; everything else is in
// linux_setup.
#include "setup/linux_setup.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  std::string out;
  int status = velmora::runLinuxSetup(
      velmora::parseSetupOptions(arguments, velmora::linuxSetupGrammar()), out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return status;
}
