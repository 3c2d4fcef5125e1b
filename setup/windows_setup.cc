#include "setup/windows_setup.h"

#include "setup/setup_cycle.h"
#include "setup/setup_journal.h"

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

// The registry's and the Send To folder's changes of this run, each with its undo.
class Journal {
public:
  Journal(Registry &registry, ShellFiles &files) : registry_(registry), files_(files) {}

  bool ensureKey(const std::string &key) {
    std::vector<std::string> created;
    for (size_t end = key.find('\\');; end = key.find('\\', end + 1)) {
      std::string level = key.substr(0, end);
      if (!registry_.keyExists(level)) {
        if (!registry_.createKey(level))
          return registryFailed("could not create HKCU\\" + level);
        changes_.made([this, level] { return registry_.deleteKey(level); });
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
      return registryFailed("could not write HKCU\\" + key + " " + shownName(name));
    changes_.made([this, key, name, before] {
      return before ? registry_.writeValue(key, name, *before) : registry_.deleteValue(key, name);
    });
    return true;
  }

  bool erase(const std::string &key, const std::string &name) {
    std::optional<RegistryValue> before = registry_.readValue(key, name);
    if (!before)
      return true;
    if (!registry_.deleteValue(key, name))
      return registryFailed("could not delete HKCU\\" + key + " " + shownName(name));
    changes_.made([this, key, name, before] { return registry_.writeValue(key, name, *before); });
    return true;
  }

  bool eraseKeyIfEmpty(const std::string &key) {
    if (!registry_.keyExists(key) || !registry_.valueNames(key).empty() ||
        !registry_.subkeyNames(key).empty())
      return true;
    if (!registry_.deleteKey(key))
      return registryFailed("could not delete HKCU\\" + key);
    changes_.made([this, key] { return registry_.createKey(key); });
    return true;
  }

  bool putLink(const std::string &path, const ShellLink &link) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (before == link)
      return true;
    if (!files_.writeLink(path, link))
      return changes_.fail("could not write the shortcut " + path, files_.failureCause());
    changes_.made([this, path, before] {
      return before ? files_.writeLink(path, *before) : files_.removeFile(path);
    });
    return true;
  }

  bool dropLink(const std::string &path) {
    std::optional<ShellLink> before = files_.readLink(path);
    if (!before)
      return true;
    if (!files_.removeFile(path))
      return changes_.fail("could not delete the shortcut " + path, files_.failureCause());
    changes_.made([this, path, before] { return files_.writeLink(path, *before); });
    return true;
  }

  std::string rollBack() { return changes_.rollBack(); }

private:
  static std::string shownName(const std::string &name) {
    return name.empty() ? "(default)" : "\"" + name + "\"";
  }
  bool registryFailed(const std::string &what) {
    return changes_.fail(what, registry_.failureCause());
  }

  Registry &registry_;
  ShellFiles &files_;
  SetupJournal changes_;
};

using Place = std::pair<std::string, std::string>; // a key and a value's name

struct Recorded {
  std::vector<Registration> registrations;
  std::vector<std::string> valueNames;
  std::vector<std::string> createdKeys;
  std::map<Place, RegistryValue> priors;
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

// The folder that a registered command's program lies in, ending in a backslash: the first
// word, quoted, with "%%" read as '%'; empty for a command of another shape.
std::string folderOfCommand(const std::string &command) {
  if (command.empty() || command[0] != '"')
    return "";
  std::string program;
  for (size_t i = 1; i < command.size() && command[i] != '"'; ++i) {
    program += command[i];
    if (command[i] == '%' && i + 1 < command.size() && command[i + 1] == '%')
      ++i;
  }
  return program.substr(0, program.rfind('\\') + 1);
}

std::string folderOfPath(const std::string &path) {
  return path.substr(0, path.rfind('\\') + 1);
}

class WindowsSetup final : public SetupDesktop {
public:
  WindowsSetup(Registry &registry, ShellFiles &files, std::string &out)
      : registry_(registry), files_(files), out_(out), folder_(files.programFolder()) {}

  std::string recordName() const override { return "HKCU\\" + std::string(kRecordKey); }
  bool recordExists() const override {
    return !recorded_.valueNames.empty() || registry_.keyExists(kRecordKey);
  }
  bool hasRegistrations() const override { return !recorded_.registrations.empty(); }

  std::string readRecord(bool &unreadable) override {
    unreadable = folder_.empty();
    if (unreadable)
      return "cannot tell which folder velmora-setup runs from";
    recorded_ = velmora::readRecord(registry_, folder_);
    return recorded_.damage;
  }

  int add(const SetupOptions &options) override {
    const std::string &command = options.command;
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
    for (const Registration &r : wanted)
      if (r.kind == "send-to" && files_.isFile(linkPathOf(r, files_)) &&
          !std::any_of(recorded_.registrations.begin(), recorded_.registrations.end(),
                       [&r](const Registration &o) {
                         return o.kind == "send-to" && o.subject == r.subject;
                       }))
        return failed("a shortcut " + linkPathOf(r, files_) +
                      " is there already, and it is not velmora-setup's: it stays as it is. "
                      "Give velmora's another name with --name; nothing was written");
    return apply(wanted, {}, command);
  }

  int repair() override {
    // A settings file that lay in the folder the programs were registered from moved along
    // with them when that folder moved.
    std::vector<Registration> wanted;
    std::string carried;
    for (const Registration &r : recorded_.registrations) {
      Registration now = r;
      std::string old = registeredFolder(r);
      if (!r.ini.empty() && !old.empty() && old != folder_ &&
          asciiLower(r.ini.substr(0, old.size())) == asciiLower(old) &&
          files_.isFile(folder_ + r.ini.substr(old.size()))) {
        now.ini = folder_ + r.ini.substr(old.size());
        carried += "  the settings file " + r.ini + " is now " + now.ini + "\n";
      }
      wanted.push_back(now);
    }
    int status = apply(wanted, recorded_.registrations, "repair");
    if (status == kSetupDone)
      out_ += carried;
    return status;
  }

  int remove() override {
    Journal journal(registry_, files_);
    bool done = true;
    for (const Registration &r : recorded_.registrations)
      done = done && takeOut(journal, r, {});
    for (const std::string &name : recorded_.valueNames)
      done = done && journal.erase(kRecordKey, name);
    std::vector<std::string> keys = recorded_.createdKeys;
    keys.push_back(kRecordKey);
    done = done && dropKeys(journal, keys);
    if (!done)
      return failed(journal.rollBack());
    for (const Registration &r : recorded_.registrations)
      out_ += "removed " + describe(r) + "\n";
    return kSetupDone;
  }

  int status() override {
    bool stale = false;
    bool missingSettings = false;
    for (const Registration &r : recorded_.registrations) {
      out_ += describe(r) + "\n  " + where(r) + "\n";
      bool current = true;
      bool changed = false; // a place holds someone else's value now
      std::string program;
      if (r.kind == "send-to") {
        std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
        out_ += "  target: " + (link ? link->target + " " + link->arguments : "(missing)") + "\n";
        current = link == linkOf(r, folder_);
        changed = link && !isVelmoras(r, *link);
        program = link ? link->target : "";
      } else {
        std::optional<RegistryValue> command = registry_.readValue(commandKeyOf(r), "");
        bool found = command && command->kind == RegistryValue::Text;
        out_ += "  command: " + (found ? command->text : "(missing)") + "\n";
        std::vector<Write> writes = writesOf(r, folder_);
        for (size_t i = 0; i < writes.size(); ++i) {
          std::optional<RegistryValue> value = registry_.readValue(writes[i].key, writes[i].name);
          if (!writes[i].owned || value == writes[i].value)
            continue;
          if (value && !isVelmoras(r, i, *value))
            changed = true;
          else
            current = false;
        }
        std::string folder = found ? folderOfCommand(command->text) : "";
        program = folder.empty() ? "" : folder + r.program;
      }
      if (changed) {
        out_ += std::string("  ") + setup_words::kChangedSince + "\n";
        continue;
      }
      std::string settings;
      if (!program.empty()) {
        settings = r.ini.empty() ? folderOfPath(program) + "velmora.ini" : r.ini;
        out_ += setup_words::fileLine("program", program, files_.isFile(program)) +
                setup_words::fileLine("settings", settings, files_.isFile(settings));
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
      out_ += setup_words::runRepair(folder_);
      return kSetupFailed;
    }
    return missingSettings ? kSetupFailed : kSetupDone;
  }

private:
  // Writes what `wanted` asks for; all of it or nothing. A repair names what each registration
  // was before (`previous`), and takes out what one that changed wrote where it writes no more.
  int apply(const std::vector<Registration> &wanted, const std::vector<Registration> &previous,
            const std::string &command) {
    std::vector<Registration> retired;
    for (size_t n = 0; n < previous.size(); ++n)
      if (recordNameOf(previous[n]) != recordNameOf(wanted[n]) ||
          recordTextOf(previous[n]) != recordTextOf(wanted[n]))
        retired.push_back(previous[n]);
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
        out_ += setup_words::settingsNotThere(r.ini);
    // Places velmora-setup wrote before (its record says so) or writes in this run: what
    // stands there is its own. Anything else that stands where it writes is the user's, and the
    // record keeps it to give back.
    std::set<Place> ours;
    for (const Registration &r : recorded_.registrations)
      for (const Write &w : writesOf(r, folder_))
        ours.insert({w.key, w.name});
    std::set<Place> kept;
    for (const Registration &r : wanted)
      for (const Write &w : writesOf(r, folder_))
        kept.insert({w.key, w.name});
    Journal journal(registry_, files_);
    bool done = journal.ensureKey(kRecordKey);
    for (size_t n = 0; done && n < wanted.size(); ++n) {
      const Registration *r = &wanted[n];
      const Registration &before = previous.empty() ? *r : previous[n];
      std::vector<Write> writes = writesOf(*r, folder_);
      for (size_t i = 0; done && i < writes.size(); ++i) {
        const Write &w = writes[i];
        std::optional<RegistryValue> standing = registry_.readValue(w.key, w.name);
        // Repair puts back what went missing or points elsewhere, never over what the user
        // (or a program they ran) put there since.
        if (command == "repair" && standing && !isVelmoras(before, i, *standing))
          continue;
        if (standing && !recorded_.priors.count({w.key, w.name}) && !ours.count({w.key, w.name}))
          done = journal.write(kRecordKey, priorNameOf(w.key, w.name), text(storedText(*standing)));
        ours.insert({w.key, w.name});
        done = done && journal.ensureKey(w.key) && journal.write(w.key, w.name, w.value);
      }
      done = done && journal.write(kRecordKey, recordNameOf(*r), text(recordTextOf(*r)));
      std::optional<ShellLink> link =
          r->kind == "send-to" ? files_.readLink(linkPathOf(*r, files_)) : std::nullopt;
      if (r->kind == "send-to" && (command != "repair" || !link || isVelmoras(before, *link)))
        done = done && journal.putLink(linkPathOf(*r, files_), linkOf(*r, folder_));
    }
    std::vector<std::string> keys;
    std::set<std::string> names;
    for (const Registration &r : wanted)
      names.insert(recordNameOf(r));
    for (auto r = retired.begin(); done && r != retired.end(); ++r) {
      done = takeOut(journal, *r, kept) &&
             (names.count(recordNameOf(*r)) || journal.erase(kRecordKey, recordNameOf(*r)));
      for (const Write &w : writesOf(*r, folder_))
        if (!kept.count({w.key, w.name}))
          done = done && journal.erase(kRecordKey, priorNameOf(w.key, w.name));
    }
    // Keys made for retired places alone go when nothing is left in them.
    std::set<std::string> needed = keysOf(wanted);
    for (const std::string &key : recorded_.createdKeys)
      if (!retired.empty() && !needed.count(key))
        keys.push_back(key);
    done = done && dropKeys(journal, keys);
    if (!done)
      return failed(journal.rollBack());
    for (const Registration &r : wanted)
      out_ += describe(r) + ": " + where(r) + "\n";
    if (command == "open-with")
      out_ += "The default program of these types stays as it was. To open them with velmora "
              "by default, right-click such a file, choose \"Open with\" > \"Choose another "
              "app\", pick velmora and tick \"Always use this app\" (or use Settings > Apps > "
              "Default apps).\n";
    return kSetupDone;
  }

  // Takes a registration's places back to what stood there before, except `kept` ones and
  // those whose content is no longer velmora's: a later change of the user's stays.
  bool takeOut(Journal &journal, const Registration &r, const std::set<Place> &kept) {
    std::vector<Write> writes = writesOf(r, folder_);
    bool done = true;
    for (size_t i = 0; done && i < writes.size(); ++i) {
      const Write &w = writes[i];
      std::optional<RegistryValue> standing = registry_.readValue(w.key, w.name);
      if (kept.count({w.key, w.name}) || !standing || !isVelmoras(r, i, *standing))
        continue;
      auto prior = recorded_.priors.find({w.key, w.name});
      done = prior != recorded_.priors.end() ? journal.write(w.key, w.name, prior->second)
                                             : journal.erase(w.key, w.name);
    }
    std::optional<ShellLink> link =
        r.kind == "send-to" ? files_.readLink(linkPathOf(r, files_)) : std::nullopt;
    if (done && link && kept.empty() && isVelmoras(r, *link))
      done = journal.dropLink(linkPathOf(r, files_));
    return done;
  }

  // Deepest first, and only what is empty now: a key that holds someone else's values stays.
  bool dropKeys(Journal &journal, std::vector<std::string> keys) {
    std::stable_sort(keys.begin(), keys.end(), [](const std::string &a, const std::string &b) {
      return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    bool done = true;
    for (const std::string &key : keys)
      done = done && journal.eraseKeyIfEmpty(key) && journal.erase(kRecordKey, "key:" + key);
    return done;
  }

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

  // Whether a place's value is what set-up writes there for this registration, from this
  // folder or from the one that the value itself names.
  bool isVelmoras(const Registration &r, size_t write, const RegistryValue &value) const {
    if (writesOf(r, folder_)[write].value == value)
      return true;
    return value.kind == RegistryValue::Text &&
           writesOf(r, folderOfCommand(value.text))[write].value == value;
  }
  bool isVelmoras(const Registration &r, const ShellLink &link) const {
    return link == linkOf(r, folder_) || link == linkOf(r, folderOfPath(link.target));
  }

  // The folder the registration's programs were registered from, as its command or shortcut
  // names it now.
  std::string registeredFolder(const Registration &r) const {
    if (r.kind == "send-to") {
      std::optional<ShellLink> link = files_.readLink(linkPathOf(r, files_));
      return link && isVelmoras(r, *link) ? folderOfPath(link->target) : "";
    }
    std::optional<RegistryValue> command = registry_.readValue(commandKeyOf(r), "");
    return command && command->kind == RegistryValue::Text ? folderOfCommand(command->text) : "";
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

  int failed(const std::string &why) { return reportFailure(why, out_); }
  int usage(const std::string &why) { return reportUsage(why, kHelp, out_); }

  Registry &registry_;
  ShellFiles &files_;
  std::string &out_;
  std::string folder_;
  Recorded recorded_;
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
  WindowsSetup setup(registry, files, out);
  return runSetupCycle(options, setup, out);
}

} // namespace velmora
