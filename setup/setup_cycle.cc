#include "setup/setup_cycle.h"

namespace velmora {

namespace setup_words {

std::string fileLine(const char *label, const std::string &path, bool there) {
  return std::string("  ") + label + ": " + path + (there ? " (there)" : " (missing)") + "\n";
}

std::string settingsNotThere(const std::string &path) {
  return "warning: the settings file " + path +
         " is not there (yet): velmora starts nothing until it is\n";
}

const char kChangedSince[] = "changed since, by you or a program you ran: left as it is";
std::string runRepair(const std::string &folder) {
  return "Run \"velmora-setup repair\"" + (folder.empty() ? "" : " in " + folder) +
         " to put back what is missing or stale.\n";
}

} // namespace setup_words

int runSetupCycle(const SetupOptions &options, SetupDesktop &desktop, std::string &out) {
  bool unreadable = false;
  std::string unfit = desktop.readRecord(unreadable);
  if (unreadable)
    return reportFailure(unfit + "; nothing was changed", out);
  // The record is input like any other: one changed by hand or by another program must not
  // make velmora-setup delete or register what is not its own.
  if (!unfit.empty())
    return reportFailure("the record " + desktop.recordName() + " holds " + unfit +
                             ", which velmora-setup never writes: it goes by no such record, "
                             "and nothing was changed",
                         out);
  const std::string &command = options.command;
  bool nothing = command == "remove" ? !desktop.recordExists() : !desktop.hasRegistrations();
  if (nothing && (command == "status" || command == "repair" || command == "remove")) {
    out += "velmora-setup has registered nothing for this user";
    out += command == "status" ? "\n" : ": nothing to " + command + "\n";
    return kSetupDone;
  }
  if (command == "status")
    return desktop.status();
  if (command == "repair")
    return desktop.repair();
  if (command == "remove")
    return desktop.remove();
  return desktop.add(options);
}

} // namespace velmora
