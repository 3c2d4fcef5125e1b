// velmora-setup on a freedesktop.org desktop: what it adds to mimeapps.list, how it keeps a
// record of that, and how it takes it out again. The files and GIO lie behind seams.
#include "setup/linux/linux_setup.h"

#include "setup/engine/place_state.h"
#include "setup/engine/setup_engine.h"
#include "setup/linux/mime_database.h"
#include "setup/linux/mimeapps_list.h"

#include <algorithm>
#include <map>
#include <set>

namespace velmora {

namespace {

constexpr char kDesktopId[] = "velmora.desktop";
// The entry that hands velmora links (%u), and the only types it is registered for: a link
// handler is of use only as the default, so "links" makes it that.
constexpr char kLinksId[] = "velmora-links.desktop";
constexpr const char *kLinkTypes[] = {"x-scheme-handler/http", "x-scheme-handler/https"};

bool isLinkType(const std::string &type) {
  return type == kLinkTypes[0] || type == kLinkTypes[1];
}

// velmora's own entries, whose lines velmora-setup adds and takes out whole.
bool isOwnId(const std::string &id) {
  return id == kDesktopId || id == kLinksId;
}
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
    "  links              velmora as the default for web links (http and https), through\n"
    "                     velmora-links.desktop; it names the browser it takes over from\n"
    "  status             lists what velmora-setup added and whether velmora.desktop is there\n"
    "  repair             puts back what velmora-setup added and is missing now\n"
    "  remove             takes out exactly what velmora-setup added; a line you changed\n"
    "                     since keeps all but velmora's own entry\n"
    "\n"
    "--help shows this text, --version the version.\n"
    "Exit status: 0 done, 1 could not be done (nothing is left half written), 2 bad usage.\n";

// A registration here is one type's lines: velmora in its "Open with" list, and either the
// old default pinned (open-with) or velmora first among its defaults (default). The record
// keeps each line's edit, so that it can be taken back exactly.
class LinuxPlaces final : public SetupPlaces {
public:
  LinuxPlaces(DesktopFiles &files, DefaultApps &apps)
      : files_(files), apps_(apps), configFolder_(files.configFolder()),
        recordFolder_(configFolder_ + "/velmora"), recordPath_(recordFolder_ + "/setup.list"),
        list_("") {}

  std::string recordName() const override { return recordPath_; }
  bool recordExists() const override { return recordExisted_; }

  RecordReading readRecord() override {
    using Verdict = RecordReading::Verdict;
    if (configFolder_.empty())
      return {Verdict::Unreadable, "neither XDG_CONFIG_HOME nor HOME names a folder", {}};
    std::string why;
    std::optional<std::string> place = files_.editablePlace(configFolder_ + "/mimeapps.list", why);
    if (!place)
      return {Verdict::Unreadable, why, {}};
    listPath_ = *place;
    // What a run killed halfway left goes first.
    files_.clearLeftovers(listPath_);
    files_.clearLeftovers(recordPath_);
    FileContent list = files_.read(listPath_);
    FileContent record = files_.read(recordPath_);
    if (!list.readable || !record.readable)
      return {Verdict::Unreadable, "cannot read " + (list.readable ? recordPath_ : listPath_), {}};
    // GLib reads none of a list it cannot parse: lines velmora-setup wrote there would be seen
    // by no desktop, and status could not tell.
    if (std::optional<ListFault> fault = glibRefusal(list.bytes))
      return {Verdict::Unreadable,
              listPath_ + ", line " + std::to_string(fault->line) + ", " + fault->reason +
                  ": GLib cannot read it, so desktops would not see velmora there. Put that line "
                  "right or take it out, then run velmora-setup again",
              {}};
    listExisted_ = list.exists;
    original_ = list.bytes;
    list_ = MimeAppsList(original_);
    recordExisted_ = record.exists;
    originalRecord_ = record.bytes;
    std::optional<RecordedEdits> recorded = editsFromRecord(record.bytes);
    if (!recorded)
      return {Verdict::Foreign, "lines that are no edits", {}};
    if (recorded->version > kRecordVersion)
      return {Verdict::Newer, "", {}};
    for (const MimeAppsEdit &edit : recorded->edits)
      if (std::optional<std::string> foreign = foreignEdit(edit))
        return {Verdict::Foreign, "an edit with " + *foreign, {}};
    edits_ = recorded->edits;
    createdFile_ = record.exists ? recorded->createdFile : !list.exists;
    createdFolder_ = recorded->createdFolder || files_.configFolderMade();
    return {Verdict::Sound, "", registrationsOf(edits_)};
  }

  int wanted(const SetupOptions &options, std::vector<Registration> &wanted,
             std::string &out) override {
    if (options.command == Command::Links) {
      for (const char *type : kLinkTypes)
        wanted.push_back(Registration{Command::Links, type, kLinksId, ""});
      return kSetupDone;
    }
    MimeDatabase database(files_);
    for (const std::string &given : options.types) {
      std::optional<std::string> type = database.typeOf(given);
      bool dotless = !given.empty() && given[0] != '.' && given.find('/') == std::string::npos;
      if (!type && dotless && database.typeOf("." + given))
        return reportUsage("\"" + given + "\" is no type: write the extension with its dot, \"." +
                               given + "\"",
                           kHelp, out);
      if (!type)
        return reportUsage("\"" + given +
                               "\" is neither a MIME type nor an extension that the shared MIME "
                               "database knows",
                           kHelp, out);
      Registration r{options.command, *type, kDesktopId, ""};
      if (std::find(wanted.begin(), wanted.end(), r) == wanted.end())
        wanted.push_back(r);
    }
    return kSetupDone;
  }

  std::string unfit(const Registration &r) const override {
    if (!desktopEntry(r.program).empty())
      return "";
    std::string own = files_.ownDataFolder();
    if (own.empty() || !files_.isFile(own + "/applications/" + r.program))
      return r.program +
             " is not installed in any applications folder of XDG_DATA_HOME or XDG_DATA_DIRS: "
             "install velmora first";
    // Installed, but where no desktop looks: GIO would not find the entry the lines name.
    return r.program + " is installed in " + own +
           "/applications, which is not among the folders desktops look in (XDG_DATA_HOME and "
           "XDG_DATA_DIRS): add " +
           own +
           " to XDG_DATA_DIRS for your session, or install velmora to a prefix whose share "
           "folder is there, such as /usr/local";
  }

  Registration carried(const Registration &r) const override { return r; }

  Standing standingOf(const Registration &r) const override {
    Standing standing;
    for (const MimeAppsEdit &edit : edits_) {
      if (edit.type != r.subject)
        continue;
      std::optional<std::vector<std::string>> ids = list_.ids(edit.section, edit.type);
      PlaceState place = stateOf(edit);
      std::string state = place == PlaceState::Velmoras ? ""
                          : place == PlaceState::Users
                              ? std::string(" (") + setup_words::kChangedSince + ")"
                              : " (missing)";
      // A line the user changed is shown as it stands now, theirs.
      std::string shown = edit.id;
      if (place == PlaceState::Users) {
        shown.clear();
        for (const std::string &id : *ids)
          shown += id + ";";
      }
      standing.lines.push_back(
          "[" + edit.section + "] " + edit.type + "=" + shown + state +
          (isOwnId(edit.id) ? "" : " (pinned: the default before velmora was added)"));
      standing.stale = standing.stale || needsRepair(place);
    }
    // The lines alone do not make velmora seen: another list GLib reads first may take it out.
    bool listed = std::any_of(edits_.begin(), edits_.end(), [&](const MimeAppsEdit &edit) {
      return edit.type == r.subject && isOwnId(edit.id) && stateOf(edit) == PlaceState::Velmoras;
    });
    std::string entry = desktopEntry(r.program);
    std::string gio = listed && !entry.empty() ? gioRefusal(r) : "";
    if (!gio.empty())
      standing.lines.push_back(gio);
    standing.lines.push_back("desktop entry: " + (entry.empty() ? r.program : entry) +
                             (entry.empty() ? " (missing)" : " (there)"));
    if (entry.empty()) {
      standing.fix = "Install velmora again to bring back its desktop entry, then run "
                     "\"velmora-setup repair\".";
      return standing;
    }
    // <data>/applications/velmora.desktop goes with <data>/../bin/velmora.
    std::string data = entry.substr(0, entry.rfind("/applications/"));
    standing.program = data.substr(0, data.rfind('/')) + "/bin/velmora";
    standing.programThere = files_.isRunnable(standing.program);
    std::string besideIt = standing.program.substr(0, standing.program.rfind('/')) + "/velmora.ini";
    std::string users = recordFolder_ + "/velmora.ini";
    standing.settings = files_.isFile(besideIt) ? besideIt : users;
    standing.settingsThere = files_.isFile(standing.settings);
    if (!standing.programThere)
      standing.fix = "Install velmora again: its desktop entry names a program that is gone.";
    else if (!standing.settingsThere)
      standing.fix = "velmora starts nothing without settings: mkdir -p \"" + recordFolder_ +
                     "\" && cp \"" + data + "/velmora/velmora-linux.ini\" \"" + users + "\"";
    // What else is amiss waits until GIO sees the entry at all.
    if (!gio.empty())
      standing.fix = "GIO does not offer velmora although these lines are there: it cannot load "
                     "the desktop entry above, or that entry is hidden (Hidden=true, as a menu "
                     "editor leaves a copy in $XDG_DATA_HOME/applications). Take such a copy "
                     "away, or install velmora again.";
    return standing;
  }

  bool put(const Registration &r, const Registration *was, SetupJournal &journal) override {
    if (was != nullptr) {
      for (MimeAppsEdit &edit : edits_)
        if (edit.type == r.subject && repairWrites(stateOf(edit)))
          if (std::optional<MimeAppsEdit> again =
                  list_.add(edit.section, edit.type, edit.id, edit.first))
            edit = *again;
      return true;
    }
    std::string type = r.subject;
    if (r.kind == Command::Links) {
      // Told afterwards: the browser velmora takes over from.
      Expected<std::string> before = apps_.defaultOf(type);
      defaultsBefore_[type] = before ? *before : "";
      record(list_.add(kAdded, type, r.program, false));
      record(list_.add(kDefaults, type, r.program, true));
      return true;
    }
    if (r.kind == Command::Default) {
      record(list_.add(kAdded, type, kDesktopId, false));
      record(list_.add(kDefaults, type, kDesktopId, true));
      return true;
    }
    // The desktop's own answer, not the list's: a pin naming a program that is gone, or none,
    // counts for nothing there.
    Expected<std::string> current = apps_.defaultOf(type);
    if (!current)
      return journal.fail("cannot tell the default program of " + type, current.cause());
    defaultsBefore_[type] = *current;
    record(list_.add(kAdded, type, kDesktopId, false));
    // Pinned in the same write that adds velmora, so that at no moment does velmora come first
    // only because it was added last.
    if (!current->empty() && *current != kDesktopId)
      record(list_.add(kDefaults, type, *current, true));
    return true;
  }

  bool takeOut(const Registration &r, SetupJournal &) override {
    // Taken back in finish, newest edit first over all types: an edit may have made the
    // section that a later one wrote into.
    leaving_.insert(r.subject);
    return true;
  }

  bool finish(SetupJournal &journal) override {
    // A pin names another program: it goes only where nothing changed the line since.
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit)
      if (leaving_.count(edit->type))
        list_.undo(*edit, !isOwnId(edit->id));
    std::erase_if(edits_, [this](const MimeAppsEdit &edit) { return leaving_.count(edit.type); });
    std::string bytes = list_.bytes();
    if (edits_.empty()) {
      // Nothing of velmora's is left: the record goes, and a list that set-up made and that
      // holds nothing else.
      bool dropList = createdFile_ && bytes.empty();
      if (listExisted_ && (bytes != original_ || dropList)) {
        Outcome given =
            dropList ? files_.removeFile(listPath_) : files_.writeWhole(listPath_, bytes, false);
        if (!given)
          return journal.fail("cannot " + std::string(dropList ? "remove " : "write ") + listPath_,
                              given.cause());
        journal.made([this] { return files_.writeWhole(listPath_, original_, false); });
      }
      if (Outcome removed = files_.removeFile(recordPath_); !removed)
        return journal.fail("cannot remove " + recordPath_, removed.cause());
      journal.made([this] {
        return !recordExisted_ || files_.writeWhole(recordPath_, originalRecord_, true);
      });
      files_.removeEmptyFolder(recordFolder_); // a settings file of the user's keeps it
      if (createdFolder_)
        files_.removeEmptyFolder(configFolder_);
      return true;
    }
    // The record first, then the list: a record may name edits the list lacks (status shows
    // them, remove passes over them), never the other way round.
    bool made = false;
    if (Outcome folder = files_.makeFolder(recordFolder_, made); !folder)
      return journal.fail("cannot make " + recordFolder_, folder.cause());
    if (made)
      journal.made([this] {
        files_.removeEmptyFolder(recordFolder_);
        return true;
      });
    if (Outcome written = files_.writeWhole(
            recordPath_, recordText({kRecordVersion, createdFile_, createdFolder_, edits_}), true);
        !written)
      return journal.fail("cannot write " + recordPath_, written.cause());
    journal.made([this] {
      return recordExisted_ ? files_.writeWhole(recordPath_, originalRecord_, true)
                            : files_.removeFile(recordPath_);
    });
    if (bytes == original_ && listExisted_)
      return true;
    if (Outcome written = files_.writeWhole(listPath_, bytes, false); !written)
      return journal.fail("cannot write " + listPath_, written.cause());
    journal.made([this] {
      return listExisted_ ? files_.writeWhole(listPath_, original_, false)
                          : files_.removeFile(listPath_);
    });
    return true;
  }

  std::string verify(const std::vector<Registration> &written) override {
    for (const Registration &r : written) {
      auto before = defaultsBefore_.find(r.subject);
      // Where no program opened the type, velmora is the only one and the desktop takes it:
      // that is no default anyone had.
      if (before != defaultsBefore_.end() && !before->second.empty() &&
          before->second != kDesktopId && isDefault(r.subject, kDesktopId))
        return "velmora would have become the default program of " + r.subject +
               ", which open-with does not do";
    }
    return "";
  }

  std::string describe(const Registration &r) const override {
    return commandName(r.kind) + " " + r.subject + " (" + r.program + "): " + listPath_;
  }

  std::string noteAfter(const std::vector<Registration> &written) const override {
    std::string note;
    for (const Registration &r : written) {
      auto before = defaultsBefore_.find(r.subject);
      if (before == defaultsBefore_.end())
        continue;
      if (r.kind == Command::Links) {
        note += r.program + " is the default for " + r.subject + " now" +
                (before->second.empty() || before->second == r.program
                     ? std::string(".\n")
                     : ", in place of " + before->second + ".\n");
        continue;
      }
      if (before->second == kDesktopId)
        note += "GIO opened " + r.subject + " with velmora already (as its default, or its " +
                "parent type's); open-with does not change that.\n";
      else if (!before->second.empty())
        note += "The default program of " + r.subject + " stays " + before->second + ".\n";
      else
        note += "No other program opens " + r.subject + ", so GIO now opens it with velmora.\n";
    }
    return note;
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
    if (!desktopId || (!isOwnId(edit.id) && edit.section != kDefaults))
      return "the program \"" + edit.id + "\" in [" + edit.section + "]";
    if (edit.id == kLinksId && !isLinkType(edit.type))
      return "the program \"" + edit.id + "\" for " + edit.type;
    if (edit.before.find_first_of("\r\n") != std::string::npos)
      return "a line end in the value before";
    return std::nullopt;
  }

  // One registration per type, in the order the record first names it; "default" where
  // velmora leads the type's defaults.
  static std::vector<Registration> registrationsOf(const std::vector<MimeAppsEdit> &edits) {
    std::vector<Registration> registrations;
    for (const MimeAppsEdit &edit : edits) {
      auto same = std::find_if(registrations.begin(), registrations.end(),
                               [&edit](const Registration &r) { return r.subject == edit.type; });
      if (same == registrations.end())
        same = registrations.insert(registrations.end(),
                                    Registration{Command::OpenWith, edit.type, kDesktopId, ""});
      if (edit.id == kLinksId)
        *same = Registration{Command::Links, edit.type, kLinksId, ""};
      else if (edit.section == kDefaults && edit.id == kDesktopId)
        same->kind = Command::Default;
    }
    return registrations;
  }

  // A line of the edit's type and section: velmora's where it still lists the edit's id, the
  // user's where it lists others only; there is no other folder a desktop id could name.
  PlaceState stateOf(const MimeAppsEdit &edit) const {
    std::optional<std::vector<std::string>> ids = list_.ids(edit.section, edit.type);
    if (!ids)
      return PlaceState::Missing;
    return std::find(ids->begin(), ids->end(), edit.id) != ids->end() ? PlaceState::Velmoras
                                                                      : PlaceState::Users;
  }

  // The status line when GIO does not offer `r`'s entry for its type; empty when it does.
  std::string gioRefusal(const Registration &r) const {
    Expected<std::vector<std::string>> offered = apps_.offeredFor(r.subject);
    if (offered && std::find(offered->begin(), offered->end(), r.program) != offered->end())
      return "";
    return "GIO: " + (offered ? "does not offer " + r.program + " for " + r.subject
                              : "cannot tell what it offers (" + offered.cause() + ")");
  }

  bool isDefault(const std::string &type, const std::string &id) {
    Expected<std::string> now = apps_.defaultOf(type);
    return now && *now == id;
  }

  std::string desktopEntry(const std::string &id) const {
    for (const std::string &folder : files_.dataFolders()) {
      std::string path = folder + "/applications/" + id;
      if (files_.isFile(path))
        return path;
    }
    return "";
  }

  void record(const std::optional<MimeAppsEdit> &edit) {
    if (edit)
      edits_.push_back(*edit);
  }

  DesktopFiles &files_;
  DefaultApps &apps_;
  std::string configFolder_;
  std::string recordFolder_;
  std::string recordPath_;
  std::string listPath_;
  bool listExisted_ = false;
  bool recordExisted_ = false;
  bool createdFile_ = false;
  bool createdFolder_ = false;
  std::string original_;
  std::string originalRecord_;
  MimeAppsList list_;
  std::vector<MimeAppsEdit> edits_; // the record as this run leaves it
  std::set<std::string> leaving_;   // the types whose edits finish takes back
  std::map<std::string, std::string> defaultsBefore_;
};

} // namespace

SetupGrammar linuxSetupGrammar() {
  return {{Command::OpenWith, Command::Default, Command::Links, Command::Status, Command::Repair,
           Command::Remove},
          {Command::OpenWith, Command::Default},
          {}};
}

bool linuxCommandWrites(const SetupOptions &options) {
  return options.command == Command::OpenWith || options.command == Command::Default ||
         options.command == Command::Links;
}

int runLinuxSetup(const SetupOptions &options, DesktopFiles &files, DefaultApps &apps,
                  std::string &out) {
  if (std::optional<int> answered = answerHelpOrError(options, kHelp, out))
    return *answered;
  LinuxPlaces places(files, apps);
  return runSetupEngine(options, places, out);
}

} // namespace velmora
