// What velmora-setup does the same way on every desktop and says in the same words: the record
// of what it added is read and checked before anything else, and one command then runs over it.
#ifndef VELMORA_SETUP_SETUP_CYCLE_H
#define VELMORA_SETUP_SETUP_CYCLE_H

#include "setup/setup_options.h"

#include <string>

namespace velmora {

// One desktop's places for velmora, and its record of what velmora-setup put there.
class SetupDesktop {
public:
  virtual ~SetupDesktop() = default;
  // Where the record lies, as the user would look for it.
  virtual std::string recordName() const = 0;
  // Reads the record. Empty when it is sound or absent; else what makes it unfit, such as "the
  // value \"x\"" for a part velmora-setup never writes, or a failure to read it.
  virtual std::string readRecord(bool &unreadable) = 0;
  virtual bool recordExists() const = 0;
  virtual bool hasRegistrations() const = 0;

  virtual int add(const SetupOptions &options) = 0;
  virtual int status() = 0;
  virtual int repair() = 0;
  virtual int remove() = 0;
};

// Runs one command that answerHelpOrError left to run.
int runSetupCycle(const SetupOptions &options, SetupDesktop &desktop, std::string &out);

// The lines both desktops share.
namespace setup_words {
// "program: PATH (there)" or "(missing)", and the same for the settings file.
std::string fileLine(const char *label, const std::string &path, bool there);
// The settings file that a registration names is not there (yet).
std::string settingsNotThere(const std::string &path);
// What status says of a place whose content the user (or another program) changed since.
extern const char kChangedSince[];
// The line status ends with when repair would put something back; `folder` is where to run
// it, when that matters.
std::string runRepair(const std::string &folder);
} // namespace setup_words

} // namespace velmora

#endif
