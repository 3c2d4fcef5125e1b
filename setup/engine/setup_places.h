// One desktop's places for velmora's registrations (registry values and shortcuts, or lines
// of mimeapps.list) and its record of what velmora-setup put there. The engine decides what
// to write, keep or give back; a desktop knows how its places read and are written.
#ifndef VELMORA_SETUP_ENGINE_SETUP_PLACES_H
#define VELMORA_SETUP_ENGINE_SETUP_PLACES_H

#include "setup/engine/registration.h"
#include "setup/engine/setup_journal.h"
#include "setup/engine/setup_options.h"

#include <string>
#include <vector>

namespace velmora {

// The record velmora-setup keeps, as read: it is input like any other.
struct RecordReading {
  enum class Verdict {
    Sound,      // absent, or of this version or an earlier one, and only what set-up writes
    Unreadable, // `detail` says why
    Foreign,    // `detail` names what in it velmora-setup never writes
    Newer,      // a later velmora-setup wrote it, in a form this one does not know
  };
  Verdict verdict = Verdict::Sound;
  std::string detail;
  std::vector<Registration> registrations;
};

// How a registration's places stand now.
struct Standing {
  std::vector<std::string> lines; // what stands at its places, for status
  bool stale = false;  // a place is missing, or names another folder: repair puts it right
  std::string program; // the program it starts; empty when no place names one
  bool programThere = false;
  std::string settings; // the settings file velmora then reads
  bool settingsThere = false;
  std::string fix; // the line that puts right what repair cannot; empty when nothing is amiss
};

// The engine calls readRecord once, first; every other call goes by what it read and by the
// puts and takeOuts of the run so far, which end with one finish (and verify, after a write).
class SetupPlaces {
public:
  virtual ~SetupPlaces() = default;

  // Where the record lies, as the user would look for it.
  virtual std::string recordName() const = 0;
  // Reads and checks the record.
  virtual RecordReading readRecord() = 0;
  virtual bool recordExists() const = 0;

  // The registrations that an adding command asks for. Anything other than kSetupDone ends the
  // run, with what the desktop had to say in `out`; warnings go there too.
  virtual int wanted(const SetupOptions &options, std::vector<Registration> &registrations,
                     std::string &out) = 0;
  // Why `r` cannot be written now (a program that is not there, a path velmora cannot read);
  // empty when it can.
  virtual std::string unfit(const Registration &r) const = 0;
  // `r` as repair writes it: the same, or with its settings file moved along with its folder.
  virtual Registration carried(const Registration &r) const = 0;
  virtual Standing standingOf(const Registration &r) const = 0;

  // Writes `r`'s places, keeping in the record what stood there first. With `was` (repair),
  // only places that are missing or still hold what set-up wrote for `was`.
  virtual bool put(const Registration &r, const Registration *was, SetupJournal &journal) = 0;
  // Takes `r` out of the record and gives back what stood at its places before, where set-up's
  // content still stands there and no registration left in place writes there too. A place
  // that the user changed since keeps their content; at most velmora's own part of it goes.
  virtual bool takeOut(const Registration &r, SetupJournal &journal) = 0;
  // Writes what waits to be written, and clears away what nothing needs any more (the record
  // itself, once it registers nothing).
  virtual bool finish(SetupJournal &journal) = 0;
  // After everything is written: why it cannot stand, so that it is given back; empty when it
  // can.
  virtual std::string verify(const std::vector<Registration> &written) = 0;

  // One line naming `r` and where it lies.
  virtual std::string describe(const Registration &r) const = 0;
  // What the user should know after `written` went in: what stays as it was, what is next.
  virtual std::string noteAfter(const std::vector<Registration> &written) const = 0;
};

} // namespace velmora

#endif
