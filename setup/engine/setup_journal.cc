#include "setup/engine/setup_journal.h"

namespace velmora {

bool SetupJournal::fail(const std::string &what, const std::string &cause) {
  failure_ = cause.empty() ? what : what + " (" + cause + ")";
  return false;
}

std::string SetupJournal::rollBack() {
  bool complete = true;
  for (auto step = undo_.rbegin(); step != undo_.rend(); ++step)
    complete = (*step)() && complete;
  undo_.clear();
  return failure_ +
         (complete ? "; nothing was changed" : "; some of this run's changes could not be undone");
}

} // namespace velmora
