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
  // A step that failed without a word is still a failure: the run must not read as nothing.
  return (failure_.empty() ? "a change failed, and the system gave no reason" : failure_) +
         (complete ? "; nothing was changed" : "; some of this run's changes could not be undone");
}

} // namespace velmora
