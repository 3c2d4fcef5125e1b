#include "setup/engine/setup_engine.h"

#include <algorithm>
#include <set>

namespace velmora {

namespace setup_words {

const char kChangedSince[] = "changed since, by you or a program you ran: left as it is";

std::string settingsNotThere(const std::string &path) {
  return "warning: the settings file " + path +
         " is not there (yet): velmora starts nothing until it is\n";
}

namespace {
std::string otherRun(unsigned long holder) {
  return "another velmora-setup" +
         (holder != 0 ? " (process " + std::to_string(holder) + ")" : std::string());
}
} // namespace

std::string waitingFor(unsigned long holder) {
  return otherRun(holder) + " is running: waiting\n";
}

std::string gaveUpWaitingFor(unsigned long holder) {
  return "velmora-setup: " + otherRun(holder) + " is still running after " +
         std::to_string(kTurnWaitSeconds) +
         " s (stopped, or waiting itself); nothing was changed\n";
}

} // namespace setup_words

namespace {

std::string fileLine(const char *label, const std::string &path, bool there) {
  return std::string("  ") + label + ": " + path + (there ? " (there)" : " (missing)") + "\n";
}

class Engine {
public:
  Engine(SetupPlaces &places, std::string &out) : places_(places), out_(out) {}

  int run(const SetupOptions &options) {
    RecordReading record = places_.readRecord();
    using Verdict = RecordReading::Verdict;
    if (record.verdict == Verdict::Unreadable)
      return failed(record.detail + "; nothing was changed");
    // The record is input like any other: one changed by hand or by another program must not
    // make velmora-setup delete or register what is not its own.
    if (record.verdict == Verdict::Foreign)
      return failed("the record " + places_.recordName() + " holds " + record.detail +
                    ", which velmora-setup never writes: it goes by no such record, and nothing "
                    "was changed");
    if (record.verdict == Verdict::Newer)
      return failed("the record " + places_.recordName() +
                    " was written by a newer velmora-setup: use that one; nothing was changed");
    registered_ = record.registrations;
    Command command = options.command;
    bool listing =
        command == Command::Status || command == Command::Repair || command == Command::Remove;
    bool nothing = command == Command::Remove ? !places_.recordExists() : registered_.empty();
    if (listing && nothing) {
      out_ += "velmora-setup has registered nothing for this user";
      out_ += command == Command::Status ? "\n" : ": nothing to " + commandName(command) + "\n";
      return kSetupDone;
    }
    if (command == Command::Status)
      return status();
    if (command == Command::Repair)
      return repair();
    if (command == Command::Remove)
      return remove();
    return add(options);
  }

private:
  int add(const SetupOptions &options) {
    std::vector<Registration> wanted;
    if (int status = places_.wanted(options, wanted, out_); status != kSetupDone)
      return status;
    if (std::string why = unfitAmong(wanted); !why.empty())
      return failed(why);
    if (int status = write(wanted, {}); status != kSetupDone)
      return status;
    for (const Registration &r : wanted)
      out_ += places_.describe(r) + "\n";
    out_ += places_.noteAfter(wanted);
    return kSetupDone;
  }

  int status() {
    bool stale = false;
    std::vector<std::string> fixes;
    // What several registrations share (the desktop entry, the program, the settings file) is
    // told once, under the first.
    std::set<std::string> told;
    auto tell = [&](const std::string &line) {
      if (told.insert(line).second)
        out_ += line;
    };
    for (const Registration &r : registered_) {
      Standing standing = places_.standingOf(r);
      out_ += places_.describe(r) + "\n";
      for (const std::string &line : standing.lines)
        tell("  " + line + "\n");
      if (!standing.program.empty()) {
        tell(fileLine("program", standing.program, standing.programThere));
        tell(fileLine("settings", standing.settings, standing.settingsThere));
      }
      stale = stale || standing.stale;
      if (!standing.fix.empty() &&
          std::find(fixes.begin(), fixes.end(), standing.fix) == fixes.end())
        fixes.push_back(standing.fix);
    }
    if (stale)
      out_ += "Run \"velmora-setup repair\" to put back what is missing or names another folder.\n";
    for (const std::string &fix : fixes)
      out_ += fix + "\n";
    return stale || !fixes.empty() ? kSetupFailed : kSetupDone;
  }

  int repair() {
    std::vector<Registration> wanted;
    std::string done;
    for (const Registration &r : registered_) {
      wanted.push_back(places_.carried(r));
      if (wanted.back() != r)
        done += "the settings file " + r.ini + " is now " + wanted.back().ini + "\n";
      if (wanted.back() != r)
        done += "pointed at the programs here: " + places_.describe(wanted.back()) + "\n";
      else if (places_.standingOf(r).stale)
        done += "put back " + places_.describe(wanted.back()) + "\n";
    }
    if (done.empty()) {
      out_ += "nothing to repair\n";
      return kSetupDone;
    }
    if (std::string why = unfitAmong(wanted); !why.empty())
      return failed(why);
    if (int status = write(wanted, registered_); status != kSetupDone)
      return status;
    out_ += done;
    return kSetupDone;
  }

  int remove() {
    SetupJournal journal;
    bool done = true;
    for (auto r = registered_.rbegin(); done && r != registered_.rend(); ++r)
      done = places_.takeOut(*r, journal);
    done = done && places_.finish(journal);
    if (!done)
      return failed(journal.rollBack());
    for (const Registration &r : registered_)
      out_ += "removed " + places_.describe(r) + "\n";
    return kSetupDone;
  }

  // Writes `wanted` in one journal; `previous` (repair) is what each of them was, and one that
  // changed is taken out where the new one does not write. All of it stands, or none.
  int write(const std::vector<Registration> &wanted, const std::vector<Registration> &previous) {
    SetupJournal journal;
    bool done = true;
    for (size_t n = 0; done && n < wanted.size(); ++n)
      done = places_.put(wanted[n], previous.empty() ? nullptr : &previous[n], journal);
    for (size_t n = 0; done && n < previous.size(); ++n)
      if (previous[n] != wanted[n])
        done = places_.takeOut(previous[n], journal);
    done = done && places_.finish(journal);
    if (done) {
      std::string why = places_.verify(wanted);
      done = why.empty() || journal.fail(why, "");
    }
    return done ? kSetupDone : failed(journal.rollBack());
  }

  std::string unfitAmong(const std::vector<Registration> &wanted) const {
    for (const Registration &r : wanted)
      if (std::string why = places_.unfit(r); !why.empty())
        return why + "; nothing was written";
    return "";
  }

  int failed(const std::string &why) { return reportFailure(why, out_); }

  SetupPlaces &places_;
  std::string &out_;
  std::vector<Registration> registered_;
};

} // namespace

int runSetupEngine(const SetupOptions &options, SetupPlaces &places, std::string &out) {
  return Engine(places, out).run(options);
}

} // namespace velmora
