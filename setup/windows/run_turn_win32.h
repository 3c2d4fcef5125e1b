// One run of velmora-setup at a time for the user, and not cut short by Ctrl+C or by closing
// its console.
#ifndef VELMORA_SETUP_WINDOWS_RUN_TURN_WIN32_H
#define VELMORA_SETUP_WINDOWS_RUN_TURN_WIN32_H

#include <functional>
#include <string>

namespace velmora {

// Waits up to ten seconds for another run to end, saying so through `say`; then holds the turn
// until the object goes. Meanwhile Ctrl+C and Ctrl+Break are passed over and closing the
// console, logging off or shutting down wait for the run to end.
class RunTurn {
public:
  explicit RunTurn(const std::function<void(const std::string &)> &say);
  ~RunTurn();
  RunTurn(const RunTurn &) = delete;
  RunTurn &operator=(const RunTurn &) = delete;

  bool taken() const { return taken_; }
  // The process that held the turn, 0 when none did or it could not be told.
  unsigned long holder() const { return holder_; }

private:
  void *mutex_ = nullptr;
  void *holderMap_ = nullptr;
  unsigned long *holderSlot_ = nullptr;
  bool taken_ = false;
  unsigned long holder_ = 0;
};

} // namespace velmora

#endif
