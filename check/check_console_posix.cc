// POSIX backend of velmora-check's console: standard output, and nothing else.
#include "check/check_console.h"

#include <cstdio>

namespace velmora {
namespace {

class PosixCheckConsole final : public CheckConsole {
public:
  void print(const std::string &text) const override {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  void holdWindowOpen() const override {}
};

} // namespace

std::unique_ptr<CheckConsole> makeCheckConsole() {
  return std::make_unique<PosixCheckConsole>();
}

} // namespace velmora
