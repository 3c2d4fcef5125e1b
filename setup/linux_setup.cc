// velmora-setup on a freedesktop.org desktop: what it adds to mimeapps.list, how it keeps a
// record of that, and how it takes it out again. The files and GIO lie behind seams.
#include "setup/linux_setup.h"

#include "setup/mime_database.h"
#include "setup/mimeapps_list.h"
#include "setup/setup_cycle.h"
#include "setup/setup_journal.h"

#include <algorithm>
#include <map>

namespace velmora {

namespace {

constexpr char kDesktopId[] = "velmora.desktop";
constexpr char kAdded[] = "Added Associations";
constexpr char kDefaults[] = "Default Applications";

const char kHelp[] =
    "usage: velmora-setup COMMAND [TYPE...]\n"
    "\n"
    "Adds velmora to file types' \"Open with\" lists for the current user, through\n"
    "$XDG_CONFIG_HOME/mimeapps.list, and takes it out again. A TYPE is a MIME type\n"
    "(image/png) or an extension (.png) of the shared MIME database.\n"
    "\n"
    "  open-with TYPE...  velmora in these types' \"Open with\" lists; their default program\n"
    "                     stays as it is\n"
    "  default TYPE...    velmora as these types' default program\n"
    "  status             lists what velmora-setup added and whether velmora.desktop is there\n"
    "  repair             puts back what velmora-setup added and is missing now\n"
    "  remove             takes out exactly what velmora-setup added\n"
    "\n"
    "--help shows this text, --version the version.\n"
    "Exit status: 0 done, 1 could not be done (nothing is left half written), 2 bad usage.\n";

class LinuxSetup final : public SetupDesktop {
public:
  LinuxSetup(DesktopFiles &files, DefaultApps &apps, std::string &out)
      : files_(files), apps_(apps), out_(out), configFolder_(files.configFolder()),
        recordFolder_(configFolder_ + "/velmora"), recordPath_(recordFolder_ + "/setup.list") {}

  std::string recordName() const override { return recordPath_; }
  bool recordExists() const override { return recordExisted_; }
  bool hasRegistrations() const override { return !edits_.empty(); }

  std::string readRecord(bool &unreadable) override {
    unreadable = true;
    if (configFolder_.empty())
      return "neither XDG_CONFIG_HOME nor HOME names a folder";
    std::string why;
    std::optional<std::string> place = files_.editablePlace(configFolder_ + "/mimeapps.list", why);
    if (!place)
      return why;
    listPath_ = *place;
    // What a run killed halfway left goes first.
    files_.clearLeftovers(listPath_);
    files_.clearLeftovers(recordPath_);
    FileContent list = files_.read(listPath_);
    FileContent record = files_.read(recordPath_);
    if (!list.readable || !record.readable)
      return "cannot read " + (list.readable ? recordPath_ : listPath_);
    unreadable = false;
    listExisted_ = list.exists;
    original_ = list.bytes;
    recordExisted_ = record.exists;
    originalRecord_ = record.bytes;
    std::optional<std::vector<MimeAppsEdit>> edits = editsFromRecord(record.bytes, createdFile_);
    if (!edits)
      return "lines that are no edits";
    for (const MimeAppsEdit &edit : *edits)
      if (std::optional<std::string> foreign = foreignEdit(edit))
        return "an edit with " + *foreign;
    edits_ = *edits;
    if (!record.exists)
      createdFile_ = !list.exists;
    return "";
  }

  int add(const SetupOptions &options) override {
    std::vector<std::string> types;
    MimeDatabase database(files_);
    for (const std::string &given : options.types) {
      std::optional<std::string> type = database.typeOf(given);
      bool dotless = !given.empty() && given[0] != '.' && given.find('/') == std::string::npos;
      if (!type && dotless && database.typeOf("." + given))
        return usage("\"" + given + "\" is no type: write the extension with its dot, \"." + given +
                     "\"");
      if (!type)
        return usage("\"" + given +
                     "\" is neither a MIME type nor an extension that the shared MIME database "
                     "knows");
      if (std::find(types.begin(), types.end(), *type) == types.end())
        types.push_back(*type);
    }
    if (desktopEntry().empty())
      return failed(std::string(kDesktopId) +
                    " is not installed in any applications folder of XDG_DATA_HOME or "
                    "XDG_DATA_DIRS: install velmora first; nothing was written");
    bool asDefault = options.command == "default";
    MimeAppsList list(original_);
    std::map<std::string, std::string> defaultsBefore;
    for (const std::string &type : types) {
      if (!asDefault) {
        // The desktop's own answer, not the list's: a pin naming a program that is gone, or
        // none, counts for nothing there.
        std::optional<std::string> current = apps_.defaultOf(type);
        if (!current)
          return failed("cannot tell the default program of " + type +
                        " (gio, of GLib, does not answer): nothing was written");
        defaultsBefore[type] = *current;
      }
      record(list.add(kAdded, type, kDesktopId, false));
      if (asDefault)
        record(list.add(kDefaults, type, kDesktopId, true));
      else if (!defaultsBefore[type].empty() && defaultsBefore[type] != kDesktopId)
        // Pinned in the same write that adds velmora, so that at no moment does velmora come
        // first only because it was added last.
        record(list.add(kDefaults, type, defaultsBefore[type], true));
    }
    SetupJournal journal;
    if (!commit(list, journal))
      return failed(journal.rollBack());
    for (const auto &[type, before] : defaultsBefore) {
      // Where no program opened the type, velmora is the only one and the desktop takes it:
      // that is no default anyone had.
      if (!before.empty() && before != kDesktopId && apps_.defaultOf(type) == kDesktopId) {
        journal.fail("velmora would have become the default program of " + type +
                         ", which open-with does not do",
                     "");
        return failed(journal.rollBack());
      }
    }
    for (const std::string &type : types) {
      out_ += (asDefault ? "default " : "open-with ") + type + ": " + kDesktopId + " in " +
              listPath_ + "\n";
      if (defaultsBefore.count(type) && !defaultsBefore[type].empty())
        out_ += "  the default stays " + defaultsBefore[type] + "\n";
    }
    return kSetupDone;
  }

  int repair() override {
    if (desktopEntry().empty())
      return failed(std::string(kDesktopId) +
                    " is not installed in any applications folder of XDG_DATA_HOME or "
                    "XDG_DATA_DIRS: install velmora first; nothing was written");
    MimeAppsList list(original_);
    std::vector<MimeAppsEdit> kept;
    std::string putBack;
    for (const MimeAppsEdit &edit : edits_) {
      // A line that is there but reads otherwise is the user's own choice, and stays; only a
      // line that went missing is put back.
      if (list.ids(edit.section, edit.type)) {
        kept.push_back(edit);
        continue;
      }
      if (std::optional<MimeAppsEdit> again =
              list.add(edit.section, edit.type, edit.id, edit.first)) {
        kept.push_back(*again);
        putBack += "put back [" + edit.section + "] " + edit.type + "=" + edit.id + "\n";
      }
    }
    if (putBack.empty()) {
      out_ += "nothing to repair\n";
      return kSetupDone;
    }
    edits_ = kept;
    SetupJournal journal;
    if (!commit(list, journal))
      return failed(journal.rollBack());
    out_ += putBack;
    return kSetupDone;
  }

  int remove() override {
    MimeAppsList list(original_);
    std::string removed;
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
      // A pin names another program: it goes only where nothing changed the line since.
      list.undo(*edit, edit->id != kDesktopId);
      removed += "removed [" + edit->section + "] " + edit->type + "=" + edit->id + "\n";
    }
    std::string bytes = list.bytes();
    bool dropList = createdFile_ && bytes.empty();
    SetupJournal journal;
    bool done = true;
    if (listExisted_ && (bytes != original_ || dropList)) {
      done = dropList ? files_.removeFile(listPath_) : files_.writeWhole(listPath_, bytes, false);
      if (done)
        journal.made([this] { return files_.writeWhole(listPath_, original_, false); });
      else
        journal.fail("cannot " + std::string(dropList ? "remove " : "write ") + listPath_,
                     files_.failureCause());
    }
    if (done && !files_.removeFile(recordPath_))
      done = journal.fail("cannot remove " + recordPath_, files_.failureCause());
    if (!done)
      return failed(journal.rollBack());
    files_.removeEmptyFolder(recordFolder_); // a settings file of the user's keeps it
    out_ += removed;
    return kSetupDone;
  }

  int status() override {
    MimeAppsList list(original_);
    bool lost = false;
    out_ += listPath_ + ":\n";
    for (const MimeAppsEdit &edit : edits_) {
      std::optional<std::vector<std::string>> ids = list.ids(edit.section, edit.type);
      bool present = ids && std::find(ids->begin(), ids->end(), edit.id) != ids->end();
      std::string state = present ? ""
                          : ids   ? std::string(" (") + setup_words::kChangedSince + ")"
                                  : " (missing)";
      out_ += "  [" + edit.section + "] " + edit.type + "=" + edit.id + state +
              (edit.id == kDesktopId ? "" : " (pinned: the default before velmora was added)") +
              "\n";
      lost = lost || !ids;
    }
    std::string entry = desktopEntry();
    out_ +=
        setup_words::fileLine("desktop entry", entry.empty() ? kDesktopId : entry, !entry.empty());
    if (entry.empty()) {
      out_ += "Install velmora again to bring back its desktop entry, then run \"velmora-setup "
              "repair\".\n";
      return kSetupFailed;
    }
    // <data>/applications/velmora.desktop goes with <data>/../bin/velmora.
    std::string data = entry.substr(0, entry.rfind("/applications/"));
    std::string program = data.substr(0, data.rfind('/')) + "/bin/velmora";
    bool runs = files_.isRunnable(program);
    out_ += setup_words::fileLine("program", program, runs);
    std::string besideIt = program.substr(0, program.rfind('/')) + "/velmora.ini";
    std::string users = recordFolder_ + "/velmora.ini";
    std::string settings = files_.isFile(besideIt) ? besideIt : users;
    bool settingsThere = files_.isFile(settings);
    out_ += setup_words::fileLine("settings", settings, settingsThere);
    if (!runs) {
      out_ += "Install velmora again: its desktop entry names a program that is gone.\n";
      return kSetupFailed;
    }
    if (!settingsThere) {
      out_ += "velmora starts nothing without settings: mkdir -p \"" + recordFolder_ +
              "\" && cp \"" + data + "/velmora/velmora-linux.ini\" \"" + users + "\"\n";
      return kSetupFailed;
    }
    if (lost) {
      out_ += setup_words::runRepair("");
      return kSetupFailed;
    }
    return kSetupDone;
  }

private:
  // What makes an edit of the record one that velmora-setup does not make: it adds velmora to
  // "Added Associations" and "Default Applications", and pins the old default in the latter.
  static std::optional<std::string> foreignEdit(const MimeAppsEdit &edit) {
    auto plainWord = [](const std::string &text, bool slashes) {
      return !text.empty() && std::none_of(text.begin(), text.end(), [slashes](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '=' || c == ';' || c == '[' ||
               c == ']' || (!slashes && c == '/');
      });
    };
    if (edit.section != kAdded && edit.section != kDefaults)
      return "the section [" + edit.section + "]";
    if (!plainWord(edit.type, true) || edit.type.find('/') == std::string::npos)
      return "the type \"" + edit.type + "\"";
    bool desktopId = plainWord(edit.id, false) && edit.id.size() > 8 &&
                     edit.id.compare(edit.id.size() - 8, 8, ".desktop") == 0;
    if (!desktopId || (edit.id != kDesktopId && edit.section != kDefaults))
      return "the program \"" + edit.id + "\" in [" + edit.section + "]";
    if (edit.before.find_first_of("\r\n") != std::string::npos)
      return "a line end in the value before";
    return std::nullopt;
  }

  std::string desktopEntry() const {
    for (const std::string &folder : files_.dataFolders()) {
      std::string path = folder + "/applications/" + kDesktopId;
      if (files_.isFile(path))
        return path;
    }
    return "";
  }

  void record(const std::optional<MimeAppsEdit> &edit) {
    if (edit)
      edits_.push_back(*edit);
  }

  // The record first, then the list: a record may name edits the list lacks (status shows
  // them, remove passes over them), never the other way round.
  bool commit(const MimeAppsList &list, SetupJournal &journal) {
    bool made = false;
    if (!files_.makeFolder(recordFolder_, made))
      return journal.fail("cannot make " + recordFolder_, files_.failureCause());
    if (made)
      journal.made([this] {
        files_.removeEmptyFolder(recordFolder_);
        return true;
      });
    if (!files_.writeWhole(recordPath_, recordText(edits_, createdFile_), true))
      return journal.fail("cannot write " + recordPath_, files_.failureCause());
    journal.made([this] {
      return recordExisted_ ? files_.writeWhole(recordPath_, originalRecord_, true)
                            : files_.removeFile(recordPath_);
    });
    if (list.bytes() == original_ && listExisted_)
      return true;
    if (!files_.writeWhole(listPath_, list.bytes(), false))
      return journal.fail("cannot write " + listPath_, files_.failureCause());
    journal.made([this] {
      return listExisted_ ? files_.writeWhole(listPath_, original_, false)
                          : files_.removeFile(listPath_);
    });
    return true;
  }

  int failed(const std::string &why) { return reportFailure(why, out_); }
  int usage(const std::string &why) { return reportUsage(why, kHelp, out_); }

  DesktopFiles &files_;
  DefaultApps &apps_;
  std::string &out_;
  std::string configFolder_;
  std::string recordFolder_;
  std::string recordPath_;
  std::string listPath_;
  bool listExisted_ = false;
  bool recordExisted_ = false;
  bool createdFile_ = false;
  std::string original_;
  std::string originalRecord_;
  std::vector<MimeAppsEdit> edits_;
};

} // namespace

SetupGrammar linuxSetupGrammar() {
  return {{"open-with", "default", "status", "repair", "remove"}, {"open-with", "default"}, {}};
}

int runLinuxSetup(const SetupOptions &options, DesktopFiles &files, DefaultApps &apps,
                  std::string &out) {
  if (std::optional<int> answered = answerHelpOrError(options, kHelp, out))
    return *answered;
  LinuxSetup setup(files, apps, out);
  return runSetupCycle(options, setup, out);
}

} // namespace velmora
