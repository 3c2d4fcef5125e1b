// POSIX entry: the host backend from argv, then the run.
#include "app/run_sequence.h"
#include "platform/host_platform.h"

int main(int argc, char **argv) {
  std::unique_ptr<velmora::Platform> platform = velmora::makeHostPlatform(argc, argv);
  return velmora::runProgram(*platform);
}
