#include "setup/windows_setup.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>

namespace velmora {

namespace {

// What velmora-setup wrote is listed here, so that "status", "repair" and "remove" touch exactly
// that: one value per registration ("reg:...") and one per key it created ("key:...").
constexpr char kRecordKey[] = "Software\\velmora\\Setup";
constexpr char kCapabilitiesKey[] = "Software\\velmora\\Capabilities";
constexpr char kClasses[] = "Software\\Classes\\";
constexpr char kDefaultProgram[] = "velmora.exe";

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
    "  status   lists what velmora-setup registered and whether it points at this folder\n"
    "  repair   points everything velmora-setup registered at the programs in this folder\n"
    "  remove   takes out everything velmora-setup registered, and nothing else\n"
    "\n"
    "  --program P  velmora.exe (the default) or velmora-utf8.exe\n"
    "  --ini FILE   the settings file velmora reads instead of velmora.ini beside it\n"
    "\n"
    "--help shows this text, --version the version.\n"
    "Exit status: 0 done, 1 could not be done (nothing is left half written), 2 bad usage.\n";

// GetModuleFileNameA's 261 bytes less the NUL; GetPrivateProfileStringA's MAX_PATH less the NUL.
constexpr size_t kLongestProgramPath = 260;
constexpr size_t kLongestSettingsPath = 259;

struct Registration {
  std::string kind;    // "send-to", "open-with" or "context-menu"
  std::string subject; // the file type, or the shortcut's name
  std::string program; // velmora.exe or velmora-utf8.exe
  std::string ini;     // absolute, or empty for velmora.ini beside the program
};

struct Write {
  std::string key;
  std::string name;
  RegistryValue value;
  // False for a value that registrations share and the newest sets: a type's entry among the
  // capabilities names one program id of several.
  bool owned = true;
};

RegistryValue text(std::string value) {
  return {RegistryValue::Text, std::move(value), 0};
}
RegistryValue empty() {
  return {RegistryValue::Empty, "", 0};
}

// One program id per program and settings file, so that registrations with other settings live
// side by side. FNV-1a keeps the name short and the same from run to run.
std::string progIdOf(const Registration &r) {
  if (r.program == kDefaultProgram && r.ini.empty())
    return "velmora.file";
  uint32_t hash = 2166136261u;
  for (char c : r.program + "|" + r.ini)
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  const char digits[] = "0123456789abcdef";
  std::string id = "velmora.file.";
  for (int shift = 28; shift >= 0; shift -= 4)
    id += digits[(hash >> shift) & 0xF];
  return id;
}

std::string recordNameOf(const Registration &r) {
  std::string name = "reg:" + r.kind;
  if (!r.subject.empty())
    name += " " + r.subject;
  if (r.kind == "open-with")
    name += " " + progIdOf(r);
  return name;
}

// '|' is no part of a Windows file name, nor of a type velmora-setup accepts.
std::string recordTextOf(const Registration &r) {
  return r.kind + "|" + r.subject + "|" + r.program + "|" + r.ini;
}

std::optional<Registration> registrationFrom(const std::string &recordText) {
  std::vector<std::string> fields(1);
  for (char c : recordText) {
    if (c == '|')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  if (fields.size() != 4 ||
      (fields[0] != "send-to" && fields[0] != "open-with" && fields[0] != "context-menu"))
    return std::nullopt;
  return Registration{fields[0], fields[1], fields[2], fields[3]};
}

// A value as the record keeps it, type and bytes: "T" and the text, "E" for an empty value,
// "O<type>:" and the bytes in hex for any other kind.
std::string storedText(const RegistryValue &value) {
  if (value.kind == RegistryValue::Text)
    return "T" + value.text;
  if (value.kind == RegistryValue::Empty)
    return "E";
  static constexpr char kHex[] = "0123456789abcdef";
  std::string stored = "O" + std::to_string(value.rawType) + ":";
  for (char c : value.text) {
    stored += kHex[static_cast<unsigned char>(c) >> 4];
    stored += kHex[static_cast<unsigned char>(c) & 15];
  }
  return stored;
}

std::optional<RegistryValue> storedValue(const std::string &stored) {
  if (stored.empty())
    return std::nullopt;
  if (stored[0] == 'T')
    return RegistryValue{RegistryValue::Text, stored.substr(1), 0};
  if (stored == "E")
    return RegistryValue{RegistryValue::Empty, "", 0};
  size_t colon = stored.find(':');
  if (stored[0] != 'O' || colon == std::string::npos || colon == 1 ||
      (stored.size() - colon - 1) % 2 != 0)
    return std::nullopt;
  RegistryValue value{RegistryValue::Other, "", 0};
  for (size_t i = 1; i < colon; ++i) {
    if (stored[i] < '0' || stored[i] > '9' || value.rawType > 100000000u)
      return std::nullopt;
    value.rawType = value.rawType * 10 + static_cast<uint32_t>(stored[i] - '0');
  }
  auto nibble = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  for (size_t i = colon + 1; i < stored.size(); i += 2) {
    int high = nibble(stored[i]), low = nibble(stored[i + 1]);
    if (high < 0 || low < 0)
      return std::nullopt;
    value.text += static_cast<char>(high << 4 | low);
  }
  return value;
}

// The record's name for what stood at a place before set-up first wrote it.
std::string priorNameOf(const std::string &key, const std::string &name) {
  return "was:" + key + "|" + name;
}

// The shell replaces "%1" and its kin anywhere in a registered command, and reads "%%" as '%'.
std::string shellQuoted(const std::string &text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '%')
      quoted += '%';
  }
  return quoted + "\"";
}

std::string commandOf(const Registration &r, const std::string &folder) {
  std::string command = shellQuoted(folder + r.program);
  if (!r.ini.empty())
    command += " " + shellQuoted("/ini=" + r.ini);
  return command + " \"%1\"";
}

std::vector<Write> writesOf(const Registration &r, const std::string &folder) {
  std::string command = commandOf(r, folder);
  std::string label = r.ini.empty() ? "velmora" : "velmora (" + r.ini + ")";
  if (r.kind == "context-menu") {
    std::string verb = std::string(kClasses) + "*\\shell\\velmora";
    return {{verb, "", text("Open with velmora")}, {verb + "\\command", "", text(command)}};
  }
  if (r.kind != "open-with")
    return {};
  std::string progId = progIdOf(r);
  std::string progKey = kClasses + progId;
  std::string application = std::string(kClasses) + "Applications\\" + r.program;
  return {
      {progKey, "", text(label)},
      {progKey + "\\shell\\open\\command", "", text(command)},
      {kClasses + r.subject + "\\OpenWithProgids", progId, empty()},
      {application + "\\SupportedTypes", r.subject, text("")},
      {application + "\\shell\\open\\command", "",
       text(shellQuoted(folder + r.program) + " \"%1\"")},
      {kCapabilitiesKey, "ApplicationName", text("velmora")},
      {kCapabilitiesKey, "ApplicationDescription",
       text("Opens a file with the program that the held key selects")},
      {std::string(kCapabilitiesKey) + "\\FileAssociations", r.subject, text(progId), false},
      {"Software\\RegisteredApplications", "velmora", text(kCapabilitiesKey)},
  };
}

// Where the registration's command lies, for "status".
std::string commandKeyOf(const Registration &r) {
  if (r.kind == "context-menu")
    return std::string(kClasses) + "*\\shell\\velmora\\command";
  return kClasses + progIdOf(r) + "\\shell\\open\\command";
}

std::string linkArgumentsOf(const Registration &r) {
  if (r.ini.empty())
    return "";
  std::string argument = "/ini=" + r.ini;
  return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

ShellLink linkOf(const Registration &r, const std::string &folder) {
  return {folder + r.program, linkArgumentsOf(r), "velmora"};
}

std::string linkPathOf(const Registration &r, const ShellFiles &files) {
  return files.sendToFolder() + "\\" + r.subject + ".lnk";
}

// Every change of this run, with what undoes it, so that a failure halfway leaves the registry
// and the Send To folder as they were.
class Journal {
public:
  Journal(Registry &registry, ShellFiles &files) : registry_(registry), files_(files) {}

  bool ensureKey(const std::string &key) {
    std::vector<std::string> created;
    for (size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
      std::string level = key.substr(0, end);
      if (!registry_.keyExists(level)) {
        if (!registry_.createKey(level))
          return fail("could not create HKCU\\" + level);
        undo_.push_back([this, level] { return registry_.deleteKey(level); });
        created.push_back(level);
      }
      if (end == std::string::npos)
        break;
    }
    for (const std::string &level : created)
      if (!write(kRecordKey, "key:" + level, empty()))
        return false;
    return true;
  }

  bool write(const std::string &key, const std::string &name, const RegistryValue &value) {
    std::optional<RegistryValue> before = registry_.readValue(key, name);
    if (before == value)
      return true;
    if (!registry_.writeValue(key, name, value))
      return fail("could not write HKCU\\" + key + " " + shownName(name));
    undo_.push_back([this, key, name, before] {
      return before ? registry_.writeValue(key, name, *before) : registry_.deleteValue(key, name);
    });
    return true;
  }

  bool erase(const std::string &key, const std::string &name) {
    std::optional<RegistryValue> before = registry_.readValue(key, name);
    if (!before)
      return true;
    if (!registry_.deleteValue(key, name))
      return fail("could not delete HKCU\\" + key + " " + shownName(name));
    undo_.push_back([this, key, name, before] { return registry_.writeValue(key, name, *before); });
    return true;
  }

  bool eraseKeyIfEmpty(const std::string &key) {
    if (!registry_.keyExists(key) || !registry_.valueNames(key).empty() ||
        !registry_.subkeyNames(key).empty())
      return true;
    if (!registry_.deleteKey(key))
      return fail("could not delete HKCU\\" + key);
    undo_.push_back([this, key] { return registry_.createKey(key); });
    return true;
  }

  bool putLink(const std::string &path, const ShellLink &link) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (before == link)
      return true;
    if (!files_.writeLink(path, link))
      return fail("could not write the shortcut " + path);
    undo_.push_back([this, path, before] {
      return before ? files_.writeLink(path, *before) : files_.removeFile(path);
    });
    return true;
  }

  bool dropLink(const std::string &path) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (!before && !files_.isFile(path))
      return true;
    if (!files_.removeFile(path))
      return fail("could not delete the shortcut " + path);
    if (before)
      undo_.push_back([this, path, before] { return files_.writeLink(path, *before); });
    return true;
  }

  // Undoes this run's changes, newest first; whether all of them could be undone.
  bool rollBack() {
    bool complete = true;
    for (auto step = undo_.rbegin(); step != undo_.rend(); ++step)
      complete = (*step)() && complete;
    undo_.clear();
    return complete;
  }

  const std::string &failure() const { return failure_; }

private:
  static std::string shownName(const std::string &name) {
    return name.empty() ? "(default)" : "\"" + name + "\"";
  }
  bool fail(std::string why) {
    failure_ = std::move(why);
    return false;
  }

  Registry &registry_;
  ShellFiles &files_;
  std::vector<std::function<bool()>> undo_;
  std::string failure_;
};

struct Recorded {
  std::vector<Registration> registrations;
  std::vector<std::string> valueNames;
  std::vector<std::string> createdKeys;
  std::map<std::pair<std::string, std::string>, RegistryValue> priors;
  std::string damage; // what in the record velmora-setup never writes; empty when sound
};

bool isValidType(const std::string &type) {
  if (type.size() < 2 || type[0] != '.')
    return false;
  for (char c : type.substr(1))
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F ||
        std::string_view("\\/|.\"*?<>:").find(c) != std::string_view::npos)
      return false;
  return true;
}

bool isValidLinkName(const std::string &name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ')
    return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < ' ' ||
        std::string_view("\\/|\"*?<>:").find(c) != std::string_view::npos)
      return false;
  return true;
}

// A full path such as fullPath makes: a drive or a share, no quotation mark or '|', no control
// character, and no ".." that would lead out of its folder.
bool isValidSettingsPath(const std::string &path) {
  bool rooted =
      (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
  bool strange = std::any_of(path.begin(), path.end(), [](char c) {
    return c == '"' || c == '|' || static_cast<unsigned char>(c) < ' ';
  });
  std::string wrapped = "\\" + path + "\\";
  return rooted && !strange && wrapped.find("\\..\\") == std::string::npos;
}

bool isSoundRegistration(const Registration &r) {
  if (r.program != "velmora.exe" && r.program != "velmora-utf8.exe")
    return false;
  if (!r.ini.empty() && !isValidSettingsPath(r.ini))
    return false;
  if (r.kind == "send-to")
    return isValidLinkName(r.subject);
  if (r.kind == "open-with")
    return isValidType(r.subject) && r.subject == asciiLower(r.subject);
  return r.kind == "context-menu" && r.subject.empty();
}

// The record as it stands, checked: it is input like any other, and a changed one must not make
// velmora-setup delete or register what is not its own.
Recorded readRecord(const Registry &registry, const std::string &folder) {
  Recorded recorded;
  std::vector<std::string> priorNames;
  for (const std::string &name : registry.valueNames(kRecordKey)) {
    recorded.valueNames.push_back(name);
    std::optional<RegistryValue> value = registry.readValue(kRecordKey, name);
    bool text = value && value->kind == RegistryValue::Text;
    if (name.rfind("key:", 0) == 0) {
      recorded.createdKeys.push_back(name.substr(4));
    } else if (name.rfind("reg:", 0) == 0) {
      std::optional<Registration> r = text ? registrationFrom(value->text) : std::nullopt;
      if (!r || !isSoundRegistration(*r) || recordNameOf(*r) != name)
        recorded.damage = "the value \"" + name + "\"";
      else
        recorded.registrations.push_back(*r);
    } else if (name.rfind("was:", 0) == 0 && text) {
      priorNames.push_back(name);
    } else {
      recorded.damage = "the value \"" + name + "\"";
    }
  }
  // Keys and earlier values only at the places that the recorded registrations write.
  std::set<std::string> keys = {"Software\\velmora", kRecordKey};
  std::map<std::string, std::pair<std::string, std::string>> places;
  for (const Registration &r : recorded.registrations)
    for (const Write &w : writesOf(r, folder)) {
      places[priorNameOf(w.key, w.name)] = {w.key, w.name};
      for (size_t end = w.key.find('\\'); end != std::string::npos; end = w.key.find('\\', end + 1))
        keys.insert(w.key.substr(0, end));
      keys.insert(w.key);
    }
  for (const std::string &key : recorded.createdKeys)
    if (keys.count(key) == 0)
      recorded.damage = "the created key \"" + key + "\"";
  for (const std::string &name : priorNames) {
    std::optional<RegistryValue> stored = storedValue(registry.readValue(kRecordKey, name)->text);
    auto place = places.find(name);
    if (place == places.end() || !stored)
      recorded.damage = "the value \"" + name + "\"";
    else
      recorded.priors[place->second] = *stored;
  }
  return recorded;
}

class WindowsSetup {
public:
  WindowsSetup(Registry &registry, ShellFiles &files, std::string &out)
      : registry_(registry), files_(files), out_(out), folder_(files.programFolder()) {}

  int run(const SetupOptions &options) {
    if (folder_.empty())
      return failed("cannot tell which folder velmora-setup runs from");
    const std::string &command = options.command;
    Recorded recorded = readRecord(registry_, folder_);
    if (!recorded.damage.empty())
      return failed("the record HKCU\\" + std::string(kRecordKey) + " holds " + recorded.damage +
                    ", which velmora-setup never writes there: it goes by no such record, and "
                    "nothing was changed");
    if (command == "status")
      return status(recorded);
    if (command == "repair")
      return apply(recorded.registrations, "repair", recorded);
    if (command == "remove")
      return remove(recorded);

    Registration base{command, "", options.program.empty() ? kDefaultProgram : options.program, ""};
    if (base.program != "velmora.exe" && base.program != "velmora-utf8.exe")
      return usage("--program names velmora.exe or velmora-utf8.exe, not \"" + base.program + "\"");
    if (!options.ini.empty()) {
      base.ini = files_.fullPath(options.ini);
      // A quotation mark would end the quoted argument early; '|' and control characters are
      // no part of a Windows path either.
      bool strange = std::any_of(base.ini.begin(), base.ini.end(), [](char c) {
        return c == '"' || c == '|' || static_cast<unsigned char>(c) < ' ';
      });
      if (base.ini.empty() || strange)
        return usage("cannot use \"" + options.ini + "\" as a settings file");
    }
    std::vector<Registration> wanted;
    if (command == "send-to") {
      base.subject = options.name.empty() ? "velmora" : options.name;
      if (!isValidLinkName(base.subject))
        return usage("\"" + base.subject + "\" cannot name a shortcut");
      wanted.push_back(base);
    } else if (command == "context-menu") {
      wanted.push_back(base);
    } else {
      for (const std::string &type : options.types) {
        if (!isValidType(type))
          return usage("\"" + type + "\" is no file type: give it as .EXT, for example .txt");
        base.subject = asciiLower(type);
        wanted.push_back(base);
      }
    }
    return apply(wanted, command, recorded);
  }

private:
  int apply(const std::vector<Registration> &wanted, const std::string &command,
            const Recorded &recorded) {
    if (wanted.empty()) {
      out_ += "velmora-setup has registered nothing for this user: nothing to " + command + "\n";
      return kSetupDone;
    }
    for (const Registration &r : wanted) {
      std::string program = folder_ + r.program;
      if (!files_.isFile(program))
        return failed(r.program + " is not in " + folder_ + ": nothing was written");
      // velmora.exe reads its own path and its arguments in the ANSI code page.
      if (r.program == kDefaultProgram && !files_.ansiCarries(program + r.ini))
        return failed("velmora.exe cannot read the name \"" + program +
                      (r.ini.empty() ? "" : "\" or \"" + r.ini) +
                      "\" in this system's code page: use --program velmora-utf8.exe; nothing "
                      "was written");
      // velmora learns its own path in at most 260 bytes and hands the settings path to a
      // reader that takes 259: a longer one would be another folder's, or none.
      if (program.size() > kLongestProgramPath)
        return failed("the path \"" + program + "\" is longer than velmora can read its own (" +
                      std::to_string(kLongestProgramPath) +
                      " bytes): move the folder to a shorter path; nothing was written");
      if (r.ini.size() > kLongestSettingsPath)
        return failed("the settings path \"" + r.ini + "\" is longer than velmora can read (" +
                      std::to_string(kLongestSettingsPath) + " bytes); nothing was written");
    }
    for (const Registration &r : wanted)
      if (!r.ini.empty() && !files_.isFile(r.ini) && command != "repair")
        out_ += "warning: the settings file " + r.ini +
                " is not there (yet): velmora starts nothing until it is\n";
    // Places velmora-setup wrote before (its record says so) or writes in this run: what
    // stands there is its own. Anything else that stands where it writes is the user's, and the
    // record keeps it to give back.
    std::set<std::pair<std::string, std::string>> ours;
    for (const Registration &r : recorded.registrations)
      for (const Write &w : writesOf(r, folder_))
        ours.insert({w.key, w.name});
    for (const Registration &r : wanted) {
      if (r.kind != "send-to" || !files_.isFile(linkPathOf(r, files_)))
        continue;
      bool recordedLink = std::any_of(
          recorded.registrations.begin(), recorded.registrations.end(),
          [&r](const Registration &o) { return o.kind == "send-to" && o.subject == r.subject; });
      if (!recordedLink)
        return failed("a shortcut " + linkPathOf(r, files_) +
                      " is there already, and it is not velmora-setup's: it stays as it is. "
                      "Give velmora's another name with --name; nothing was written");
    }
    Journal journal(registry_, files_);
    bool done = journal.ensureKey(kRecordKey);
    for (auto r = wanted.begin(); done && r != wanted.end(); ++r) {
      for (const Write &w : writesOf(*r, folder_)) {
        std::optional<RegistryValue> standing = registry_.readValue(w.key, w.name);
        if (standing && !recorded.priors.count({w.key, w.name}) && !ours.count({w.key, w.name}))
          done = done &&
                 journal.write(kRecordKey, priorNameOf(w.key, w.name), text(storedText(*standing)));
        ours.insert({w.key, w.name});
        done = done && journal.ensureKey(w.key) && journal.write(w.key, w.name, w.value);
      }
      done = done && journal.write(kRecordKey, recordNameOf(*r), text(recordTextOf(*r)));
      if (r->kind == "send-to")
        done = done && journal.putLink(linkPathOf(*r, files_), linkOf(*r, folder_));
    }
    if (!done)
      return rolledBack(journal);
    for (const Registration &r : wanted)
      out_ += describe(r) + ": " + where(r) + "\n";
    if (command == "open-with")
      out_ += "The default program of these types stays as it was. To open them with velmora "
              "by default, right-click such a file, choose \"Open with\" > \"Choose another "
              "app\", pick velmora and tick \"Always use this app\" (or use Settings > Apps > "
              "Default apps).\n";
    return kSetupDone;
  }

  int remove(const Recorded &recorded) {
    if (recorded.valueNames.empty() && !registry_.keyExists(kRecordKey)) {
      out_ += "velmora-setup has registered nothing for this user: nothing to remove\n";
      return kSetupDone;
    }
    Journal journal(registry_, files_);
    bool done = true;
    for (const Registration &r : recorded.registrations) {
      for (const Write &w : writesOf(r, folder_)) {
        // What stood there before comes back; what velmora-setup brought goes.
        auto prior = recorded.priors.find({w.key, w.name});
        done = done && (prior != recorded.priors.end() ? journal.write(w.key, w.name, prior->second)
                                                       : journal.erase(w.key, w.name));
      }
      if (r.kind == "send-to")
        done = done && journal.dropLink(linkPathOf(r, files_));
    }
    for (const std::string &name : recorded.valueNames)
      done = done && journal.erase(kRecordKey, name);
    // Deepest first, and only what is empty now: a key that holds someone else's values stays.
    std::vector<std::string> keys = recorded.createdKeys;
    keys.push_back(kRecordKey);
    std::stable_sort(keys.begin(), keys.end(), [](const std::string &a, const std::string &b) {
      return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    for (const std::string &key : keys)
      done = done && journal.eraseKeyIfEmpty(key);
    if (!done)
      return rolledBack(journal);
    for (const Registration &r : recorded.registrations)
      out_ += "removed " + describe(r) + "\n";
    return kSetupDone;
  }

  int status(const Recorded &recorded) {
    if (recorded.registrations.empty()) {
      out_ += "velmora-setup has registered nothing for this user\n";
      return kSetupDone;
    }
    bool stale = false;
    bool missingSettings = false;
    for (const Registration &r : recorded.registrations) {
      out_ += describe(r) + "\n  " + where(r) + "\n";
      std::string program;
      std::string settings;
      bool current = true;
      if (r.kind == "send-to") {
        std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
        out_ += "  target: " + (link ? link->target + " " + link->arguments : "(missing)") + "\n";
        current = link == linkOf(r, folder_);
        program = link ? link->target : "";
      } else {
        std::optional<RegistryValue> command = registry_.readValue(commandKeyOf(r), "");
        bool found = command && command->kind == RegistryValue::Text;
        out_ += "  command: " + (found ? command->text : "(missing)") + "\n";
        program = found ? programOf(command->text) : "";
        for (const Write &w : writesOf(r, folder_))
          current = current && (!w.owned || registry_.readValue(w.key, w.name) == w.value);
      }
      if (!program.empty()) {
        settings =
            r.ini.empty() ? program.substr(0, program.rfind('\\') + 1) + "velmora.ini" : r.ini;
        out_ += "  program: " + program + (files_.isFile(program) ? " (there)" : " (missing)") +
                "\n  settings: " + settings +
                (files_.isFile(settings) ? " (there)" : " (missing)") + "\n";
      }
      if (!current || program.empty() || !files_.isFile(program)) {
        out_ += "  stale: does not point at " + folder_ + r.program + "\n";
        stale = true;
      } else if (!files_.isFile(settings)) {
        out_ += "  the settings file is missing: velmora starts nothing for this registration "
                "until " +
                settings + " is there\n";
        missingSettings = true;
      }
    }
    if (stale) {
      out_ += "Run \"velmora-setup repair\" in " + folder_ +
              " to point every registration at the programs there.\n";
      return kSetupFailed;
    }
    return missingSettings ? kSetupFailed : kSetupDone;
  }

  // The program of a registered command: its first word, quoted, with "%%" read as '%'.
  static std::string programOf(const std::string &command) {
    if (command.empty() || command[0] != '"')
      return "";
    std::string program;
    for (size_t i = 1; i < command.size() && command[i] != '"'; ++i) {
      program += command[i];
      if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '%')
        ++i;
    }
    return program;
  }

  std::string describe(const Registration &r) const {
    std::string text = r.kind;
    if (r.kind == "send-to")
      text += " \"" + r.subject + "\"";
    else if (!r.subject.empty())
      text += " " + r.subject;
    text += " (" + r.program;
    if (!r.ini.empty())
      text += ", settings " + r.ini;
    return text + ")";
  }

  std::string where(const Registration &r) const {
    return r.kind == "send-to" ? linkPathOf(r, files_) : "HKCU\\" + commandKeyOf(r);
  }

  int rolledBack(Journal &journal) {
    std::string failure = journal.failure();
    bool undone = journal.rollBack();
    return failed(failure + (undone ? "; nothing was changed"
                                    : "; some of this run's changes could not be undone"));
  }

  int failed(const std::string &why) { return reportFailure(why, out_); }
  int usage(const std::string &why) { return reportUsage(why, kHelp, out_); }

  Registry &registry_;
  ShellFiles &files_;
  std::string &out_;
  std::string folder_;
};

} // namespace

SetupGrammar windowsSetupGrammar() {
  return {{"send-to", "open-with", "context-menu", "status", "repair", "remove"},
          {"open-with"},
          {{"send-to", {"--name", "--program", "--ini"}},
           {"open-with", {"--program", "--ini"}},
           {"context-menu", {"--program", "--ini"}}}};
}

int runWindowsSetup(const SetupOptions &options, Registry &registry, ShellFiles &files,
                    std::string &out) {
  if (std::optional<int> answered = answerHelpOrError(options, kHelp, out))
    return *answered;
  return WindowsSetup(registry, files, out).run(options);
}

} // namespace velmora
