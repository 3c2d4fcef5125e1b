// Every change one run of velmora-setup makes, each with what undoes it, so that a failure
// halfway leaves the user's desktop as the run found it.
#ifndef VELMORA_SETUP_ENGINE_SETUP_JOURNAL_H
#define VELMORA_SETUP_ENGINE_SETUP_JOURNAL_H

#include <functional>
#include <string>
#include <vector>

namespace velmora {

class SetupJournal {
public:
  // A change was made; `undo` takes it back and says whether it could.
  template <typename Undo> void made(Undo undo) {
    undo_.push_back([undo = std::move(undo)]() mutable { return static_cast<bool>(undo()); });
  }
  // A change could not be made: `what` names it, `cause` is the system's reason. Returns false,
  // so that a step can end with it.
  bool fail(const std::string &what, const std::string &cause);
  // Undoes this run's changes, newest first, and says what happened in one line: the failure,
  // its cause, and whether everything could be put back.
  std::string rollBack();

private:
  std::vector<std::function<bool()>> undo_;
  std::string failure_;
};

} // namespace velmora

#endif
