#include "setup/windows/windows_setup.h"

#include "setup/engine/place_state.h"
#include "setup/engine/setup_engine.h"
#include "setup/windows/windows_record.h"
#include "setup/windows/windows_writes.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace velmora {

namespace {

const char kHelp[] =
    "usage: velmora-setup COMMAND [OPTIONS]\n"
    "\n"
    "Wires the velmora programs in this folder into Windows for the current user (no\n"
    "administrator rights), and takes them out again.\n"
    "\n"
    "  send-to [--name NAME] [--program P] [--ini FILE]\n"
    "      a shortcut in the Send To menu, named NAME (default \"velmora\")\n"
    "  open-with .EXT... [--program P] [--ini FILE]\n"
    "      velmora in the \"Open with\" list of these file types; the types' default program\n"
    "      stays as it is\n"
    "  context-menu [--program P] [--ini FILE]\n"
    "      \"Open with velmora\" in the right-click menu of every file\n"
    "  links [--program P] [--ini FILE]\n"
    "      velmora among the web browsers Windows offers for http and https links; you\n"
    "      choose it in Settings > Apps > Default apps\n"
    "  status   lists what velmora-setup registered, whether it points at this folder,\n"
    "           and what you changed since (which stays)\n"
    "  repair   points everything velmora-setup registered at the programs in this folder,\n"
    "           and settings that lay in the old folder at their copy here\n"
    "  remove   takes out what velmora-setup registered and gives back what stood there\n"
    "           before; what you changed since stays\n"
    "\n"
    "  --program P  velmora.exe (the default) or velmora-utf8.exe\n"
    "  --ini FILE   the settings file velmora reads instead of velmora.ini beside it\n"
    "\n"
    "--help shows this text, --version the version.\n"
    "Exit status: 0 done, 1 could not be done (nothing is left half written), 2 bad usage.\n";

// GetModuleFileNameA's 261 bytes less the NUL; GetPrivateProfileStringA's MAX_PATH less the NUL.
constexpr size_t kLongestProgramPath = 260;
constexpr size_t kLongestSettingsPath = 259;

// A value's name as the messages show it.
std::string shownName(const std::string &name) {
  return name.empty() ? "(default)" : "\"" + name + "\"";
}

// Changes of the registry and the Send To folder, each entered in the run's journal with its
// undo.
class Changes {
public:
  Changes(Registry &registry, ShellFiles &files, SetupJournal &journal)
      : registry_(registry), files_(files), changes_(journal) {}

  // Makes the key and the levels above it that are missing. Each is entered in the record
  // before it is made; the record's own keys, which cannot be, after.
  bool ensureKey(const std::string &key) {
    bool ownKeys = key == kRecordKey;
    std::vector<std::string> created;
    for (size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
      std::string level = key.substr(0, end);
      if (!registry_.keyExists(level)) {
        if (!ownKeys && !write(kRecordKey, "key:" + level, emptyValue()))
          return false;
        if (Outcome made = registry_.createKey(level); !made)
          return changes_.fail("could not create HKCU\\" + level, made.cause());
        changes_.made([&registry = registry_, level] { return registry.deleteKey(level); });
        created.push_back(level);
      }
      if (end == std::string::npos)
        break;
    }
    for (const std::string &level : created)
      if (ownKeys && !write(kRecordKey, "key:" + level, emptyValue()))
        return false;
    return true;
  }

  bool write(const std::string &key, const std::string &name, const RegistryValue &value) {
    std::optional<RegistryValue> before = registry_.readValue(key, name);
    if (before == value)
      return true;
    if (Outcome written = registry_.writeValue(key, name, value); !written)
      return changes_.fail("could not write HKCU\\" + key + " " + shownName(name), written.cause());
    changes_.made([&registry = registry_, key, name, before] {
      return before ? registry.writeValue(key, name, *before) : registry.deleteValue(key, name);
    });
    return true;
  }

  bool erase(const std::string &key, const std::string &name) {
    std::optional<RegistryValue> before = registry_.readValue(key, name);
    if (!before)
      return true;
    if (Outcome deleted = registry_.deleteValue(key, name); !deleted)
      return changes_.fail("could not delete HKCU\\" + key + " " + shownName(name),
                           deleted.cause());
    changes_.made([&registry = registry_, key, name, before] {
      return registry.writeValue(key, name, *before);
    });
    return true;
  }

  bool eraseKeyIfEmpty(const std::string &key) {
    if (!registry_.keyExists(key) || !registry_.valueNames(key).empty() ||
        !registry_.subkeyNames(key).empty())
      return true;
    if (Outcome deleted = registry_.deleteKey(key); !deleted)
      return changes_.fail("could not delete HKCU\\" + key, deleted.cause());
    changes_.made([&registry = registry_, key] { return registry.createKey(key); });
    return true;
  }

  bool putLink(const std::string &path, const ShellLink &link) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (before == link)
      return true;
    if (Outcome written = files_.writeLink(path, link); !written)
      return changes_.fail("could not write the shortcut " + path, written.cause());
    changes_.made([&files = files_, path, before] {
      return before ? files.writeLink(path, *before) : files.removeFile(path);
    });
    return true;
  }

  bool dropLink(const std::string &path) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (!before)
      return true;
    if (Outcome deleted = files_.removeFile(path); !deleted)
      return changes_.fail("could not delete the shortcut " + path, deleted.cause());
    changes_.made([&files = files_, path, before] { return files.writeLink(path, *before); });
    return true;
  }

private:
  Registry &registry_;
  ShellFiles &files_;
  SetupJournal &changes_;
};

class WindowsPlaces final : public SetupPlaces {
public:
  WindowsPlaces(Registry &registry, ShellFiles &files)
      : registry_(registry), files_(files), folder_(files.programFolder()) {}

  std::string recordName() const override { return "HKCU\\" + std::string(kRecordKey); }
  bool recordExists() const override {
    return !recorded_.valueNames.empty() || registry_.keyExists(kRecordKey) ||
           (registry_.keyExists(kRecordParent) && registry_.valueNames(kRecordParent).empty() &&
            registry_.subkeyNames(kRecordParent).empty());
  }

  RecordReading readRecord() override {
    using Verdict = RecordReading::Verdict;
    if (folder_.empty())
      return {Verdict::Unreadable, "cannot tell which folder velmora-setup runs from", {}};
    recorded_ = velmora::readRecord(registry_, folder_);
    if (recorded_.version > kRecordVersion)
      return {Verdict::Newer, "", {}};
    if (!recorded_.damage.empty())
      return {Verdict::Foreign, recorded_.damage, {}};
    registered_ = recorded_.registrations;
    // Places velmora-setup wrote before: what stands there is its own, and what the user had
    // there first is in the record already.
    for (const Registration &r : registered_)
      for (const Write &w : writesOf(r, folder_))
        ours_.insert({w.key, w.name});
    return {Verdict::Sound, "", registered_};
  }

  int wanted(const SetupOptions &options, std::vector<Registration> &wanted,
             std::string &out) override {
    Command command = options.command;
    Registration base{command, "", options.program.empty() ? kDefaultProgram : options.program, ""};
    if (base.program != "velmora.exe" && base.program != "velmora-utf8.exe")
      return usage("--program names velmora.exe or velmora-utf8.exe, not \"" + base.program + "\"",
                   out);
    if (!options.ini.empty()) {
      base.ini = files_.fullPath(options.ini);
      // A quotation mark would end the quoted argument early; '|' and control characters are
      // no part of a Windows path either.
      bool strange = std::any_of(base.ini.begin(), base.ini.end(), [](char c) {
        return c == '"' || c == '|' || static_cast<unsigned char>(c) < ' ';
      });
      if (base.ini.empty() || strange)
        return usage("cannot use \"" + options.ini + "\" as a settings file", out);
    }
    if (command == Command::SendTo) {
      base.subject = options.name.empty() ? "velmora" : options.name;
      if (!isValidLinkName(base.subject))
        return usage("\"" + base.subject + "\" cannot name a shortcut", out);
      bool ownLink =
          std::any_of(registered_.begin(), registered_.end(), [&base](const Registration &o) {
            return o.kind == Command::SendTo && o.subject == base.subject;
          });
      if (!ownLink && files_.isFile(linkPathOf(base, files_)))
        return reportFailure("a shortcut " + linkPathOf(base, files_) +
                                 " is there already, and it is not velmora-setup's: it stays as "
                                 "it is. Give velmora's another name with --name; nothing was "
                                 "written",
                             out);
      wanted.push_back(base);
    } else if (command == Command::ContextMenu || command == Command::Links) {
      wanted.push_back(base);
    } else {
      for (const std::string &type : options.types) {
        if (!isValidType(type))
          return usage("\"" + type + "\" is no file type: give it as .EXT, for example .txt", out);
        base.subject = asciiLower(type);
        wanted.push_back(base);
      }
    }
    if (!base.ini.empty() && !files_.isFile(base.ini))
      out += setup_words::settingsNotThere(base.ini);
    return kSetupDone;
  }

  std::string unfit(const Registration &r) const override {
    std::string program = folder_ + r.program;
    if (!files_.isFile(program))
      return r.program + " is not in " + folder_;
    // velmora.exe reads its own path and its arguments in the ANSI code page.
    if (r.program == kDefaultProgram && !files_.ansiCarries(program + r.ini))
      return "velmora.exe cannot read the name \"" + program +
             (r.ini.empty() ? "" : "\" or \"" + r.ini) +
             "\" in this system's code page: use --program velmora-utf8.exe";
    // velmora learns its own path in at most 260 bytes and hands the settings path to a
    // reader that takes 259: a longer one would be another folder's, or none.
    if (program.size() > kLongestProgramPath)
      return "the path \"" + program + "\" is longer than velmora can read its own (" +
             std::to_string(kLongestProgramPath) + " bytes): move the folder to a shorter path";
    if (r.ini.size() > kLongestSettingsPath)
      return "the settings path \"" + r.ini + "\" is longer than velmora can read (" +
             std::to_string(kLongestSettingsPath) + " bytes)";
    return "";
  }

  // A settings file that lay in the folder the programs were registered from moved along
  // with them when that folder moved.
  Registration carried(const Registration &r) const override {
    Registration now = r;
    std::string old = registeredFolder(r);
    if (!r.ini.empty() && !old.empty() && old != folder_ &&
        asciiLower(r.ini.substr(0, old.size())) == asciiLower(old) &&
        files_.isFile(folder_ + r.ini.substr(old.size())))
      now.ini = folder_ + r.ini.substr(old.size());
    return now;
  }

  Standing standingOf(const Registration &r) const override {
    Standing standing;
    bool current = true;
    bool changed = false; // a place holds someone else's value now
    if (r.kind == Command::SendTo) {
      std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
      standing.lines.push_back("target: " + (!link ? std::string("(missing)")
                                             : link->arguments.empty()
                                                 ? link->target
                                                 : link->target + " " + link->arguments));
      current = linkStateOf(r) == PlaceState::Velmoras;
      changed = linkStateOf(r) == PlaceState::Users;
      standing.program = link ? link->target : "";
    } else {
      std::optional<RegistryValue> command = registry_.readValue(commandKeyOf(r), "");
      bool found = command && command->kind == RegistryValue::Text;
      standing.lines.push_back("command: " + (found ? command->text : "(missing)"));
      std::vector<Write> writes = writesOf(r, folder_);
      for (size_t i = 0; i < writes.size(); ++i) {
        PlaceState state = writes[i].owned ? stateOf(r, i) : PlaceState::Velmoras;
        changed = changed || state == PlaceState::Users;
        current = current && !needsRepair(state);
      }
      std::string folder = found ? folderOfCommand(command->text) : "";
      standing.program = folder.empty() ? "" : folder + r.program;
    }
    if (changed) {
      standing.lines.push_back(setup_words::kChangedSince);
      standing.program.clear();
      return standing;
    }
    standing.programThere = !standing.program.empty() && files_.isFile(standing.program);
    if (!standing.program.empty()) {
      standing.settings = r.ini.empty() ? folderOfPath(standing.program) + "velmora.ini" : r.ini;
      standing.settingsThere = files_.isFile(standing.settings);
    }
    if (!current || !standing.programThere) {
      standing.lines.push_back("stale: does not point at " + folder_ + r.program);
      standing.stale = true;
    } else if (!standing.settingsThere) {
      standing.fix = "The settings file " + standing.settings +
                     " is missing: velmora starts nothing for this registration until it is "
                     "there.";
    }
    return standing;
  }

  bool put(const Registration &r, const Registration *was, SetupJournal &journal) override {
    Changes changes(registry_, files_, journal);
    bool done =
        changes.ensureKey(kRecordKey) && changes.write(kRecordKey, kVersionName, versionValue());
    // The record says what the run is about to write before it writes, so that a run killed
    // after any call leaves a record that status, repair and remove can go by: first what
    // stood at the places (an entry of no registration is passed over), then the registration,
    // whose places hold the user's value or velmora's.
    std::vector<Write> writes = writesOf(r, folder_);
    std::vector<bool> writing(writes.size(), false);
    for (size_t i = 0; done && i < writes.size(); ++i) {
      const Write &w = writes[i];
      std::optional<RegistryValue> standing = registry_.readValue(w.key, w.name);
      if (was != nullptr && !repairWrites(stateOf(*was, i)))
        continue;
      writing[i] = true;
      // Anything else that stands where set-up writes is the user's: the record keeps it to
      // give back.
      if (standing && !recorded_.priors.count({w.key, w.name}) && !ours_.count({w.key, w.name}))
        done =
            changes.write(kRecordKey, priorNameOf(w.key, w.name), textValue(storedText(*standing)));
      ours_.insert({w.key, w.name});
    }
    done = done && changes.write(kRecordKey, recordNameOf(r), textValue(recordTextOf(r)));
    for (size_t i = 0; done && i < writes.size(); ++i) {
      done = !writing[i] || (changes.ensureKey(writes[i].key) &&
                             changes.write(writes[i].key, writes[i].name, writes[i].value));
      if (writing[i])
        placed_[{writes[i].key, writes[i].name}] = writes[i].value;
    }
    if (done && r.kind == Command::SendTo) {
      if (was == nullptr || repairWrites(linkStateOf(*was))) {
        done = changes.putLink(linkPathOf(r, files_), linkOf(r, folder_));
        linked_[linkPathOf(r, files_)] = linkOf(r, folder_);
      }
    }
    std::erase_if(registered_,
                  [&r](const Registration &o) { return recordNameOf(o) == recordNameOf(r); });
    registered_.push_back(r);
    return done;
  }

  bool takeOut(const Registration &r, SetupJournal &journal) override {
    std::erase_if(registered_, [&r](const Registration &o) { return o == r; });
    // A place, a shortcut or a record entry that a registration still in place shares goes
    // with the last of them.
    std::set<Place> shared;
    std::set<std::string> names;
    for (const Registration &o : registered_) {
      names.insert(recordNameOf(o));
      for (const Write &w : writesOf(o, folder_))
        shared.insert({w.key, w.name});
    }
    Changes changes(registry_, files_, journal);
    std::vector<Write> writes = writesOf(r, folder_);
    bool done = true;
    for (size_t i = 0; done && i < writes.size(); ++i) {
      const Write &w = writes[i];
      if (shared.count({w.key, w.name}))
        continue;
      auto prior = recorded_.priors.find({w.key, w.name});
      if (removeGivesBack(stateOf(r, i)))
        done = prior != recorded_.priors.end() ? changes.write(w.key, w.name, prior->second)
                                               : changes.erase(w.key, w.name);
    }
    if (done && !names.count(recordNameOf(r))) {
      if (r.kind == Command::SendTo && removeGivesBack(linkStateOf(r)))
        done = changes.dropLink(linkPathOf(r, files_));
    }
    return done;
  }

  // Takes out the keys made for places no registration writes any more, then the entries of
  // the registrations that went and of what stood at their places, and once nothing is
  // registered the record whole: a run killed in between leaves entries for what still stands.
  bool finish(SetupJournal &journal) override {
    Changes changes(registry_, files_, journal);
    std::set<std::string> needed = keysOf(registered_);
    needed.insert({kRecordParent, kRecordKey});
    std::vector<std::string> keys;
    for (const std::string &key : recorded_.createdKeys)
      if (!needed.count(key))
        keys.push_back(key);
    // Deepest first, and only what is empty now: a key that holds someone else's values stays.
    std::stable_sort(keys.begin(), keys.end(), [](const std::string &a, const std::string &b) {
      return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    bool done = true;
    for (const std::string &key : keys)
      done = done && changes.eraseKeyIfEmpty(key) && changes.erase(kRecordKey, "key:" + key);
    std::set<std::string> names;
    for (const Registration &r : registered_) {
      names.insert(recordNameOf(r));
      for (const Write &w : writesOf(r, folder_))
        names.insert(priorNameOf(w.key, w.name));
    }
    for (const std::string &name : registry_.valueNames(kRecordKey))
      if (registered_.empty() ||
          ((name.rfind("reg:", 0) == 0 || name.rfind("was:", 0) == 0) && !names.count(name)))
        done = done && changes.erase(kRecordKey, name);
    // A run killed before it could enter the record's own keys left them unnamed; they are
    // velmora's by their name.
    if (registered_.empty())
      done = done && changes.eraseKeyIfEmpty(kRecordKey) && changes.eraseKeyIfEmpty(kRecordParent);
    return done;
  }

  // What this run wrote, read back: a registry that takes a value and keeps another (a policy,
  // a redirection) would leave velmora registered in name only.
  std::string verify(const std::vector<Registration> &) override {
    for (const auto &[place, value] : placed_)
      if (registry_.readValue(place.first, place.second) != value)
        return "HKCU\\" + place.first + " " + shownName(place.second) +
               " does not read back as velmora-setup wrote it";
    for (const auto &[path, link] : linked_)
      if (files_.readLink(path) != link)
        return "the shortcut " + path + " does not read back as velmora-setup wrote it";
    return "";
  }

  std::string describe(const Registration &r) const override {
    std::string text = commandName(r.kind);
    if (r.kind == Command::SendTo)
      text += " \"" + r.subject + "\"";
    else if (!r.subject.empty())
      text += " " + r.subject;
    text += " (" + r.program;
    if (!r.ini.empty())
      text += ", settings " + r.ini;
    return text +
           "): " + (r.kind == Command::SendTo ? linkPathOf(r, files_) : "HKCU\\" + commandKeyOf(r));
  }

  std::string noteAfter(const std::vector<Registration> &written) const override {
    if (!written.empty() && written[0].kind == Command::Links)
      return "velmora is among the web browsers now. Windows lets only you choose the default: "
             "Settings > Apps > Default apps > velmora, then velmora for HTTP and HTTPS. "
             "velmora-setup never makes that choice for you.\n";
    if (written.empty() || written[0].kind != Command::OpenWith)
      return "";
    return "The default program of these types stays as it was. To open them with velmora by "
           "default, right-click such a file, choose \"Open with\" > \"Choose another app\", "
           "pick velmora and tick \"Always use this app\" (or use Settings > Apps > Default "
           "apps).\n";
  }

private:
  static std::set<std::string> keysOf(const std::vector<Registration> &registrations) {
    std::set<std::string> keys;
    for (const Registration &r : registrations)
      for (const Write &w : writesOf(r, ""))
        for (size_t end = w.key.find('\\');; end = w.key.find('\\', end + 1)) {
          keys.insert(w.key.substr(0, end));
          if (end == std::string::npos)
            break;
        }
    return keys;
  }

  // What stands at the place of `r`'s write number `write`: `r`'s own value; set-up's value
  // for another registration of the record, or for the folder that the value itself names; or
  // the user's.
  PlaceState stateOf(const Registration &r, size_t write) const {
    Write at = writesOf(r, folder_)[write];
    std::optional<RegistryValue> value = registry_.readValue(at.key, at.name);
    if (!value)
      return PlaceState::Missing;
    if (*value == at.value)
      return PlaceState::Velmoras;
    Place place{at.key, at.name};
    std::vector<Registration> candidates = recorded_.registrations;
    candidates.insert(candidates.end(), registered_.begin(), registered_.end());
    candidates.push_back(r);
    std::string named = value->kind == RegistryValue::Text ? folderOfCommand(value->text) : "";
    for (const Registration &q : candidates) {
      std::vector<Write> here = writesOf(q, folder_);
      std::vector<Write> there = writesOf(q, named);
      for (size_t i = 0; i < here.size(); ++i)
        if (Place{here[i].key, here[i].name} == place &&
            (here[i].value == *value || there[i].value == *value))
          return PlaceState::VelmorasElsewhere;
    }
    return PlaceState::Users;
  }
  PlaceState linkStateOf(const Registration &r) const {
    std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
    return !link                                            ? PlaceState::Missing
           : *link == linkOf(r, folder_)                    ? PlaceState::Velmoras
           : *link == linkOf(r, folderOfPath(link->target)) ? PlaceState::VelmorasElsewhere
                                                            : PlaceState::Users;
  }

  // The folder the registration's programs were registered from, as its command or shortcut
  // names it now.
  std::string registeredFolder(const Registration &r) const {
    if (r.kind == Command::SendTo) {
      std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
      return link && removeGivesBack(linkStateOf(r)) ? folderOfPath(link->target) : "";
    }
    std::optional<RegistryValue> command = registry_.readValue(commandKeyOf(r), "");
    return command && command->kind == RegistryValue::Text ? folderOfCommand(command->text) : "";
  }

  static int usage(const std::string &why, std::string &out) {
    return reportUsage(why, kHelp, out);
  }

  Registry &registry_;
  ShellFiles &files_;
  std::string folder_;
  Recorded recorded_;
  std::vector<Registration> registered_;  // as this run leaves them
  std::set<Place> ours_;                  // places set-up wrote before or in this run
  std::map<Place, RegistryValue> placed_; // what this run wrote, the newest value for each place
  std::map<std::string, ShellLink> linked_;
};

} // namespace

SetupGrammar windowsSetupGrammar() {
  return {{Command::SendTo, Command::OpenWith, Command::ContextMenu, Command::Links,
           Command::Status, Command::Repair, Command::Remove},
          {Command::OpenWith},
          {{Command::SendTo, {"--name", "--program", "--ini"}},
           {Command::OpenWith, {"--program", "--ini"}},
           {Command::ContextMenu, {"--program", "--ini"}},
           {Command::Links, {"--program", "--ini"}}}};
}

int runWindowsSetup(const SetupOptions &options, Registry &registry, ShellFiles &files,
                    std::string &out) {
  if (std::optional<int> answered = answerHelpOrError(options, kHelp, out))
    return *answered;
  WindowsPlaces places(registry, files);
  return runSetupEngine(options, places, out);
}

} // namespace velmora
