#include "setup/windows/windows_setup.h"

#include "setup/engine/failing_changes_test.h"
#include "setup/engine/setup_journal.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace velmora {
namespace {

class MemoryRegistry final : public Registry {
public:
  explicit MemoryRegistry(Failures &failures) : failures_(failures) { keys["Software"]; }
  bool keyExists(const std::string &key) const override { return keys.count(key) != 0; }
  std::vector<std::string> valueNames(const std::string &key) const override {
    std::vector<std::string> names;
    if (keys.count(key))
      for (const auto &[name, value] : keys.at(key))
        names.push_back(name);
    return names;
  }
  std::vector<std::string> subkeyNames(const std::string &key) const override {
    std::vector<std::string> names;
    for (const auto &[other, values] : keys)
      if (other.rfind(key + "\\", 0) == 0 && other.find('\\', key.size() + 1) == std::string::npos)
        names.push_back(other.substr(key.size() + 1));
    return names;
  }
  std::optional<RegistryValue> readValue(const std::string &key,
                                         const std::string &name) const override {
    if (!keys.count(key) || !keys.at(key).count(name))
      return std::nullopt;
    return keys.at(key).at(name);
  }
  Outcome createKey(const std::string &key) override {
    if (!failures_.next() || !keys.count(key.substr(0, key.rfind('\\'))))
      return denied();
    keys[key];
    return Done{};
  }
  Outcome writeValue(const std::string &key, const std::string &name,
                     const RegistryValue &value) override {
    if (!failures_.next() || !keys.count(key))
      return denied();
    if (!redirected.count(key))
      keys[key][name] = value;
    return Done{};
  }
  Outcome deleteValue(const std::string &key, const std::string &name) override {
    if (!failures_.next() || !keys.count(key))
      return denied();
    keys[key].erase(name);
    return Done{};
  }
  Outcome deleteKey(const std::string &key) override {
    if (!failures_.next() || !subkeyNames(key).empty() || keys.erase(key) != 1)
      return denied();
    return Done{};
  }
  static Failure denied() { return {"Access is denied, error 5"}; }

  std::map<std::string, std::map<std::string, RegistryValue>> keys;
  std::set<std::string> redirected; // keys whose writes succeed and are kept elsewhere

private:
  Failures &failures_;
};

class MemoryFiles final : public ShellFiles {
public:
  explicit MemoryFiles(Failures &failures) : failures_(failures) {}
  std::string programFolder() const override { return folder; }
  std::string sendToFolder() const override { return "C:\\Users\\u\\SendTo"; }
  std::string fullPath(const std::string &path) const override {
    return path.find(':') == std::string::npos ? "C:\\work\\" + path : path;
  }
  bool isFile(const std::string &path) const override {
    return files.count(path) != 0 || links.count(path) != 0;
  }
  bool ansiCarries(const std::string &text) const override {
    for (char c : text)
      if (static_cast<unsigned char>(c) >= 0x80)
        return false;
    return true;
  }
  std::optional<ShellLink> readLink(const std::string &path) const override {
    if (!links.count(path))
      return std::nullopt;
    return links.at(path);
  }
  Outcome writeLink(const std::string &path, const ShellLink &link) override {
    if (!failures_.next())
      return full();
    links[path] = lost.count(path) ? ShellLink{} : link;
    return Done{};
  }
  Outcome removeFile(const std::string &path) override {
    if (!failures_.next() || links.erase(path) != 1)
      return full();
    return Done{};
  }
  static Failure full() { return {"The disk is full, error 112"}; }

  std::string folder = "C:\\My 100% Tools\\";
  std::set<std::string> files = {
      "C:\\My 100% Tools\\velmora.exe", "C:\\My 100% Tools\\velmora-utf8.exe",
      "C:\\My 100% Tools\\velmora.ini", "C:\\work\\photos.ini", "C:\\s s\\x.ini"};
  std::map<std::string, ShellLink> links;
  std::set<std::string> lost; // shortcuts written, and empty when read

private:
  Failures &failures_;
};

struct Machine {
  Failures failures;
  MemoryRegistry registry{failures};
  MemoryFiles files{failures};
  Machine() {
    // Someone else's registrations under the same keys.
    registry.keys["Software\\Classes"];
    registry.keys["Software\\Classes\\.txt"][""] = {RegistryValue::Text, "txtfile", 0};
    registry.keys["Software\\Classes\\.txt\\OpenWithProgids"]["Other.File"] = {RegistryValue::Empty,
                                                                               "", 0};
    registry.keys["Software\\Classes\\*"];
    registry.keys["Software\\Classes\\*\\shell"];
    registry.keys["Software\\Classes\\*\\shell\\other"][""] = {RegistryValue::Text, "Other", 0};
    files.links["C:\\Users\\u\\SendTo\\Mail.lnk"] = {"C:\\mail.exe", "", ""};
    // What stands where set-up writes: the command Windows itself writes when velmora is
    // picked once under "Open with", a menu entry of the same name, and values of other types.
    registry.keys["Software\\Classes\\Applications"];
    registry.keys["Software\\Classes\\Applications\\velmora.exe"];
    registry.keys["Software\\Classes\\Applications\\velmora.exe\\shell"];
    registry.keys["Software\\Classes\\Applications\\velmora.exe\\shell\\open"];
    registry.keys["Software\\Classes\\Applications\\velmora.exe\\shell\\open\\command"][""] = {
        RegistryValue::Text, "\"C:\\My 100%% Tools\\velmora.exe\" \"%1\"", 0};
    registry.keys["Software\\Classes\\*\\shell\\velmora"][""] = {RegistryValue::Text, "Mine", 0};
    registry.keys["Software\\Classes\\.txt\\OpenWithProgids"]["velmora.file"] = {
        RegistryValue::Text, "another type", 0};
    registry.keys["Software\\RegisteredApplications"]["velmora"] = {
        RegistryValue::Other, std::string("\x01\x00\xff", 3), 3};
  }
  int run(std::vector<std::string> arguments, std::string *out = nullptr) {
    std::string text;
    int status =
        runWindowsSetup(parseSetupOptions(arguments, windowsSetupGrammar()), registry, files, text);
    if (out != nullptr)
      *out = text;
    return status;
  }
  std::string value(const std::string &key, const std::string &name = "") const {
    std::optional<RegistryValue> read = registry.readValue(key, name);
    return read ? read->text : "(none)";
  }
};

const std::vector<std::vector<std::string>> kEverything = {
    {"open-with", ".TXT", ".jpg"},
    {"open-with", ".jpg", "--program", "velmora-utf8.exe", "--ini", "photos.ini"},
    {"context-menu"},
    {"links", "--ini", "C:\\s s\\x.ini"},
    {"send-to", "--name", "Held key", "--ini", "C:\\s s\\x.ini"}};

TEST(WindowsSetup, RegistersQuotedCommandsAndRemovesExactlyThem) {
  Machine machine;
  auto before = machine.registry.keys;
  auto linksBefore = machine.files.links;
  for (const auto &arguments : kEverything)
    ASSERT_EQ(machine.run(arguments), kSetupDone);
  EXPECT_EQ(machine.value("Software\\Classes\\velmora.file\\shell\\open\\command"),
            R"("C:\My 100%% Tools\velmora.exe" "%1")");
  EXPECT_EQ(machine.value("Software\\Classes\\*\\shell\\velmora\\command"),
            R"("C:\My 100%% Tools\velmora.exe" "%1")");
  EXPECT_EQ(machine.value("Software\\Classes\\.txt"), "txtfile"); // the default stays
  EXPECT_EQ(machine.registry.valueNames("Software\\Classes\\.txt\\OpenWithProgids"),
            (std::vector<std::string>{"Other.File", "velmora.file"}));
  EXPECT_EQ(machine.registry.valueNames("Software\\Classes\\.jpg\\OpenWithProgids").size(), 2u);
  EXPECT_EQ(machine.value("Software\\RegisteredApplications", "velmora"),
            "Software\\velmora\\Capabilities");
  // velmora among the browsers: the link program id with its command, and no choice made.
  EXPECT_EQ(machine.value("Software\\Classes\\velmora.url\\shell\\open\\command"),
            R"("C:\My 100%% Tools\velmora.exe" "/ini=C:\s s\x.ini" "%1")");
  EXPECT_EQ(machine.value("Software\\velmora\\Capabilities\\URLAssociations", "https"),
            "velmora.url");
  EXPECT_EQ(machine.value("Software\\Clients\\StartMenuInternet\\velmora"), "velmora");
  EXPECT_FALSE(machine.registry.keyExists(
      "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice"));
  EXPECT_EQ(machine.files.links.at("C:\\Users\\u\\SendTo\\Held key.lnk"),
            (ShellLink{"C:\\My 100% Tools\\velmora.exe", "\"/ini=C:\\s s\\x.ini\"", "velmora"}));
  std::string out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupDone) << out;

  auto once = machine.registry.keys;
  auto linksOnce = machine.files.links;
  for (const auto &arguments : kEverything)
    ASSERT_EQ(machine.run(arguments), kSetupDone);
  EXPECT_EQ(machine.registry.keys, once);
  EXPECT_EQ(machine.files.links, linksOnce);

  EXPECT_EQ(machine.run({"remove"}), kSetupDone);
  EXPECT_EQ(machine.registry.keys, before);
  EXPECT_EQ(machine.files.links, linksBefore);
  EXPECT_EQ(machine.run({"remove"}, &out), kSetupDone);
  EXPECT_NE(out.find("nothing to remove"), std::string::npos);
  EXPECT_EQ(machine.registry.keys, before);
}

TEST(WindowsSetup, WhatDoesNotReadBackIsGivenBack) {
  struct Case {
    std::vector<std::string> arguments;
    const char *redirectedKey;
    const char *lostLink;
  };
  const Case cases[] = {
      {{"open-with", ".txt"}, "Software\\Classes\\velmora.file\\shell\\open\\command", ""},
      {{"links"}, "Software\\RegisteredApplications", ""},
      {{"send-to"}, "", "C:\\Users\\u\\SendTo\\velmora.lnk"},
  };
  for (const Case &c : cases) {
    Machine machine;
    auto before = machine.registry.keys;
    auto linksBefore = machine.files.links;
    machine.registry.redirected.insert(c.redirectedKey);
    machine.files.lost.insert(c.lostLink);
    std::string out;
    EXPECT_EQ(machine.run(c.arguments, &out), kSetupFailed) << c.arguments[0];
    EXPECT_NE(out.find("does not read back as velmora-setup wrote it; nothing was changed"),
              std::string::npos)
        << out;
    EXPECT_EQ(machine.registry.keys, before) << c.arguments[0];
    EXPECT_EQ(machine.files.links, linksBefore) << c.arguments[0];
  }
}

TEST(WindowsSetup, AFailureHalfwayUndoesTheRun) {
  // Every change of a run in turn fails: registering everything, then removing it.
  for (bool removing : {false, true}) {
    int failAt = 1;
    for (;; ++failAt) {
      SCOPED_TRACE((removing ? "remove, change " : "set-up, change ") + std::to_string(failAt));
      Machine machine;
      for (size_t i = 0; removing && i < kEverything.size(); ++i) {
        ASSERT_EQ(machine.run(kEverything[i]), kSetupDone);
      }
      auto before = machine.registry.keys;
      auto linksBefore = machine.files.links;
      machine.failures = {0, failAt};
      int status = kSetupDone;
      std::string out;
      if (removing)
        status = machine.run({"remove"}, &out);
      for (size_t i = 0; !removing && status == kSetupDone && i < kEverything.size(); ++i) {
        before = machine.registry.keys;
        linksBefore = machine.files.links;
        status = machine.run(kEverything[i], &out);
      }
      if (status == kSetupDone)
        break; // fewer changes than failAt: every one was tried
      EXPECT_EQ(status, kSetupFailed);
      EXPECT_TRUE(
          out.find("(Access is denied, error 5); nothing was changed") != std::string::npos ||
          out.find("(The disk is full, error 112); nothing was changed") != std::string::npos)
          << out;
      machine.failures = {};
      EXPECT_EQ(machine.registry.keys, before);
      EXPECT_EQ(machine.files.links, linksBefore);
    }
    EXPECT_GT(failAt, 30) << "a run of every command makes many changes";
  }
}

TEST(WindowsSetup, RefusesWhatCannotWorkAndWritesNothing) {
  struct Case {
    const char *label;
    std::vector<std::string> arguments;
    std::string folder;
    int status;
  } cases[] = {
      {"no type", {"open-with", "txt"}, "", kSetupUsage},
      {"a path for a type", {"open-with", ".a\\b"}, "", kSetupUsage},
      {"a dot alone", {"open-with", "."}, "", kSetupUsage},
      {"another program", {"send-to", "--program", "cmd.exe"}, "", kSetupUsage},
      {"a link name with a slash", {"send-to", "--name", "a/b"}, "", kSetupUsage},
      {"settings with a quotation mark",
       {"context-menu", "--ini", "C:\\a\" x.ini"},
       "",
       kSetupUsage},
      {"a program that is not there", {"context-menu"}, "C:\\Empty\\", kSetupFailed},
      {"velmora.exe under a name its code page lacks",
       {"context-menu"},
       "C:\\\xD0\xB6\\",
       kSetupFailed},
      {"a folder longer than velmora reads its own path",
       {"context-menu"},
       "C:\\" + std::string(250, 'x') + "\\",
       kSetupFailed},
      {"a settings path longer than the reader takes",
       {"context-menu", "--ini", "C:\\" + std::string(260, 'y') + ".ini"},
       "",
       kSetupFailed},
      {"settings the code page lacks",
       {"context-menu", "--ini", "C:\\\xD0\xB6.ini"},
       "",
       kSetupFailed},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Machine machine;
    if (!c.folder.empty()) {
      machine.files.folder = c.folder;
      if (c.folder != "C:\\Empty\\")
        machine.files.files = {c.folder + "velmora.exe"};
    }
    auto before = machine.registry.keys;
    std::string out;
    EXPECT_EQ(machine.run(c.arguments, &out), c.status) << out;
    EXPECT_EQ(machine.registry.keys, before);
  }
  // A settings file that is not there yet is taken, with a word.
  Machine later;
  std::string out;
  EXPECT_EQ(later.run({"context-menu", "--ini", "C:\\later.ini"}, &out), kSetupDone);
  EXPECT_NE(out.find("warning: the settings file C:\\later.ini is not there (yet)"),
            std::string::npos)
      << out;
  // velmora-utf8.exe reads any name.
  Machine machine;
  machine.files.folder = "C:\\\xD0\xB6\\";
  machine.files.files = {"C:\\\xD0\xB6\\velmora-utf8.exe"};
  EXPECT_EQ(machine.run({"context-menu", "--program", "velmora-utf8.exe"}), kSetupDone);
}

TEST(WindowsSetup, LeavesTheUsersShortcutAloneAndSaysSo) {
  Machine machine;
  machine.files.links["C:\\Users\\u\\SendTo\\velmora.lnk"] = {"C:\\mine.exe", "", "mine"};
  auto before = machine.registry.keys;
  auto linksBefore = machine.files.links;
  std::string out;
  EXPECT_EQ(machine.run({"send-to"}, &out), kSetupFailed);
  EXPECT_NE(out.find("is there already, and it is not velmora-setup's"), std::string::npos) << out;
  EXPECT_EQ(machine.registry.keys, before);
  EXPECT_EQ(machine.files.links, linksBefore);
  EXPECT_EQ(machine.run({"send-to", "--name", "velmora 2"}), kSetupDone);
  EXPECT_EQ(machine.run({"send-to", "--name", "velmora 2"}), kSetupDone) << "its own, again";
  EXPECT_EQ(machine.run({"remove"}), kSetupDone);
  EXPECT_EQ(machine.files.links, linksBefore);
}

// A record changed by hand or by another program is not followed: nothing changes, and the
// record is named.
TEST(WindowsSetup, AChangedRecordChangesNothing) {
  const std::string record = "Software\\velmora\\Setup";
  struct Case {
    const char *label, *name;
    RegistryValue value;
  };
  const Case cases[] = {
      {"another program", "reg:context-menu", {RegistryValue::Text, "context-menu||cmd.exe|", 0}},
      {"a link outside Send To",
       "reg:send-to ..\\..\\Desktop\\x",
       {RegistryValue::Text, "send-to|..\\..\\Desktop\\x|velmora.exe|", 0}},
      {"settings that climb out",
       "reg:context-menu",
       {RegistryValue::Text, "context-menu||velmora.exe|C:\\a\\..\\..\\x.ini", 0}},
      {"a name that does not match",
       "reg:context-menu x",
       {RegistryValue::Text, "context-menu||velmora.exe|", 0}},
      {"a key set-up never makes", "key:Software\\Classes\\txtfile", {RegistryValue::Empty, "", 0}},
      {"an earlier value of no kind",
       "was:Software\\Classes\\.txt|",
       {RegistryValue::Text, "X", 0}},
      {"a value of another kind", "reg:context-menu", {RegistryValue::Empty, "", 0}},
      {"an unknown name", "frob", {RegistryValue::Text, "", 0}},
      {"a version of another kind", "Version", {RegistryValue::Text, "2", 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Machine machine;
    ASSERT_EQ(machine.run({"context-menu"}), kSetupDone);
    machine.registry.keys[record][c.name] = c.value;
    auto before = machine.registry.keys;
    for (const char *command : {"status", "repair", "remove", "open-with"}) {
      std::string out;
      std::vector<std::string> arguments = {command};
      if (std::string(command) == "open-with")
        arguments.push_back(".txt");
      EXPECT_EQ(machine.run(arguments, &out), kSetupFailed) << command;
      EXPECT_NE(out.find("the record HKCU\\Software\\velmora\\Setup holds"), std::string::npos)
          << out;
      EXPECT_EQ(machine.registry.keys, before) << command;
    }
  }
}

TEST(WindowsSetup, AKilledRunLeavesARecordThatRemoveGoesBy) {
  // Each command dies after each of its changes in turn, with the earlier commands in place; a
  // new run then tells what stands and remove gives back the registry as it was at the start.
  std::vector<std::vector<std::string>> commands = kEverything;
  commands.push_back({"remove"});
  int deaths = 0;
  for (size_t i = 0; i < commands.size(); ++i) {
    for (int deadAfter = 1;; ++deadAfter) {
      SCOPED_TRACE(commands[i][0] + ", dead after change " + std::to_string(deadAfter));
      Machine machine;
      auto start = machine.registry.keys;
      auto linksAtStart = machine.files.links;
      for (size_t j = 0; j < i; ++j)
        ASSERT_EQ(machine.run(commands[j]), kSetupDone);
      machine.failures = {0, 0, deadAfter};
      bool finished =
          machine.run(commands[i]) == kSetupDone && machine.failures.changes <= deadAfter;
      machine.failures = {};
      if (finished)
        break;
      ++deaths;
      std::string out;
      machine.run({"status"}, &out);
      EXPECT_EQ(out.find("never writes"), std::string::npos) << out;
      ASSERT_EQ(machine.run({"remove"}, &out), kSetupDone) << out;
      EXPECT_EQ(machine.registry.keys, start);
      EXPECT_EQ(machine.files.links, linksAtStart);
    }
  }
  EXPECT_GT(deaths, 100) << "every command makes many changes";
}

TEST(WindowsSetup, AnUndoThatFailsToo) {
  // The fifth change fails, and with it every undo: the run says so, not "nothing was changed".
  Machine machine;
  machine.failures = {0, 5, 5};
  std::string out;
  EXPECT_EQ(machine.run({"open-with", ".txt"}, &out), kSetupFailed);
  EXPECT_NE(out.find("(Access is denied, error 5); some of this run's changes could not be undone"),
            std::string::npos)
      << out;
  SetupJournal journal;
  journal.made([] { return true; });
  EXPECT_EQ(journal.rollBack(),
            "a change failed, and the system gave no reason; nothing was changed");
}

TEST(WindowsSetup, ARecordOfALaterVersionChangesNothing) {
  Machine machine;
  auto start = machine.registry.keys;
  ASSERT_EQ(machine.run({"open-with", ".txt"}), kSetupDone);
  const std::string record = "Software\\velmora\\Setup";
  EXPECT_EQ(machine.registry.keys[record]["Version"],
            (RegistryValue{RegistryValue::Other, std::string("\x02\0\0\0", 4), 4}));
  machine.registry.keys[record]["Version"].text[0] = 3;
  auto before = machine.registry.keys;
  for (const char *command : {"status", "repair", "remove", "context-menu"}) {
    std::string out;
    EXPECT_EQ(machine.run({command}, &out), kSetupFailed) << command;
    EXPECT_NE(out.find("was written by a newer velmora-setup"), std::string::npos) << out;
    EXPECT_EQ(machine.registry.keys, before) << command;
  }
  // A record without a version is what the release before wrote: it is read as ever.
  machine.registry.keys[record].erase("Version");
  std::string out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupDone) << out;
  ASSERT_EQ(machine.run({"remove"}), kSetupDone);
  EXPECT_EQ(machine.registry.keys, start);
}

TEST(WindowsSetup, StatusFindsRegistrationsLeftBehindAndRepairMovesThem) {
  Machine machine;
  auto before = machine.registry.keys;
  auto linksBefore = machine.files.links;
  for (const auto &arguments : kEverything)
    ASSERT_EQ(machine.run(arguments), kSetupDone);
  machine.files.folder = "C:\\Moved\\";
  std::string out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupFailed);
  EXPECT_NE(out.find("program: C:\\My 100% Tools\\velmora.exe (there)"), std::string::npos) << out;
  EXPECT_NE(out.find("velmora-setup repair"), std::string::npos);
  EXPECT_EQ(machine.run({"repair"}, &out), kSetupFailed) << "the programs are not there yet";
  machine.files.files = {"C:\\Moved\\velmora.exe", "C:\\Moved\\velmora-utf8.exe",
                         "C:\\work\\photos.ini", "C:\\s s\\x.ini"};
  EXPECT_EQ(machine.run({"repair"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupFailed) << "no velmora.ini beside them";
  EXPECT_NE(out.find("The settings file C:\\Moved\\velmora.ini is missing: velmora starts "
                     "nothing for this registration until it is there."),
            std::string::npos)
      << out;
  machine.files.files.insert("C:\\Moved\\velmora.ini");
  EXPECT_EQ(machine.run({"repair"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.value("Software\\Classes\\*\\shell\\velmora\\command"),
            R"("C:\Moved\velmora.exe" "%1")");
  EXPECT_EQ(machine.files.links.at("C:\\Users\\u\\SendTo\\Held key.lnk").target,
            "C:\\Moved\\velmora.exe");
  // What the repaired registrations made is still known as theirs: remove takes all of it,
  // also where the record's own keys are all that velmora has.
  EXPECT_EQ(machine.run({"remove"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.registry.keys, before);
  EXPECT_EQ(machine.files.links, linksBefore);
  for (const auto &arguments : kEverything) {
    Machine alone;
    before = alone.registry.keys;
    ASSERT_EQ(alone.run(arguments), kSetupDone);
    alone.files.folder = "C:\\Moved\\";
    alone.files.files = {"C:\\Moved\\velmora.exe", "C:\\Moved\\velmora-utf8.exe",
                         "C:\\work\\photos.ini", "C:\\s s\\x.ini"};
    EXPECT_EQ(alone.run({"repair"}, &out), kSetupDone) << out;
    EXPECT_EQ(alone.run({"remove"}, &out), kSetupDone) << out;
    EXPECT_EQ(alone.registry.keys, before) << arguments[0];
  }
}

// What the user (or Windows for them) put in velmora's places after set-up stays: status tells
// it apart from a loss, repair passes over it and remove leaves it.
TEST(WindowsSetup, TheUsersLaterChangeWins) {
  Machine machine;
  auto before = machine.registry.keys;
  for (const auto &arguments : kEverything)
    ASSERT_EQ(machine.run(arguments), kSetupDone);
  const std::string menu = "Software\\Classes\\*\\shell\\velmora\\command";
  const std::string picked = "Software\\Classes\\Applications\\velmora.exe\\shell\\open\\command";
  const std::string link = "C:\\Users\\u\\SendTo\\Held key.lnk";
  machine.registry.keys[menu][""] = {RegistryValue::Text, "\"C:\\mine.exe\" \"%1\"", 0};
  machine.registry.keys[picked][""] = {RegistryValue::Text, "\"C:\\mine.exe\" \"%1\"", 0};
  machine.files.links[link] = {"C:\\mine.exe", "", "mine"};
  auto changed = machine.registry.keys;
  std::string out;
  EXPECT_EQ(machine.run({"status"}, &out), kSetupDone) << out;
  EXPECT_NE(out.find("changed since, by you or a program you ran: left as it is"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("repair"), std::string::npos) << out;
  EXPECT_EQ(machine.run({"repair"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.registry.keys, changed);
  EXPECT_EQ(machine.files.links.at(link).target, "C:\\mine.exe");
  EXPECT_EQ(machine.run({"remove"}, &out), kSetupDone) << out;
  EXPECT_EQ(machine.value(menu), "\"C:\\mine.exe\" \"%1\"");
  EXPECT_EQ(machine.value(picked), "\"C:\\mine.exe\" \"%1\"");
  EXPECT_EQ(machine.files.links.at(link).target, "C:\\mine.exe");
  // Everything else is as it was.
  auto after = machine.registry.keys;
  after[menu].erase("");
  after[picked][""] = before[picked][""];
  for (auto key = after.begin(); key != after.end();)
    key = key->second.empty() && !before.count(key->first) ? after.erase(key) : std::next(key);
  EXPECT_EQ(after, before);
}

// Settings that lay in the folder the programs were registered from move along with them.
TEST(WindowsSetup, RepairCarriesSettingsFromTheOldFolder) {
  const std::vector<std::vector<std::string>> registrations = {
      {"open-with", ".jpg", "--ini", "C:\\My 100% Tools\\sets\\photos.ini"},
      {"context-menu", "--ini", "C:\\My 100% Tools\\sets\\photos.ini"},
      {"send-to", "--ini", "C:\\My 100% Tools\\sets\\photos.ini"},
      {"send-to", "--name", "elsewhere", "--ini", "C:\\s s\\x.ini"}};
  for (int failAt = 0;; ++failAt) {
    SCOPED_TRACE("change " + std::to_string(failAt));
    Machine machine;
    machine.files.files.insert("C:\\My 100% Tools\\sets\\photos.ini");
    auto before = machine.registry.keys;
    auto linksBefore = machine.files.links;
    for (const auto &arguments : registrations)
      ASSERT_EQ(machine.run(arguments), kSetupDone);
    machine.files.folder = "C:\\Moved\\";
    machine.files.files = {"C:\\Moved\\velmora.exe", "C:\\Moved\\sets\\photos.ini",
                           "C:\\s s\\x.ini"};
    auto moved = machine.registry.keys;
    auto linksMoved = machine.files.links;
    machine.failures = {0, failAt};
    std::string out;
    int status = machine.run({"repair"}, &out);
    machine.failures = {};
    if (status != kSetupDone) {
      EXPECT_NE(out.find("nothing was changed"), std::string::npos) << out;
      EXPECT_EQ(machine.registry.keys, moved);
      EXPECT_EQ(machine.files.links, linksMoved);
      continue;
    }
    EXPECT_NE(out.find("the settings file C:\\My 100% Tools\\sets\\photos.ini is now "
                       "C:\\Moved\\sets\\photos.ini"),
              std::string::npos)
        << out;
    EXPECT_EQ(machine.value("Software\\Classes\\*\\shell\\velmora\\command"),
              R"("C:\Moved\velmora.exe" "/ini=C:\Moved\sets\photos.ini" "%1")");
    EXPECT_EQ(machine.files.links.at("C:\\Users\\u\\SendTo\\velmora.lnk").arguments,
              "/ini=C:\\Moved\\sets\\photos.ini");
    EXPECT_EQ(machine.files.links.at("C:\\Users\\u\\SendTo\\elsewhere.lnk").arguments,
              "\"/ini=C:\\s s\\x.ini\"")
        << "settings outside the old folder stay where they are";
    EXPECT_EQ(machine.run({"status"}, &out), kSetupDone) << out;
    EXPECT_EQ(machine.run({"remove"}, &out), kSetupDone) << out;
    EXPECT_EQ(machine.registry.keys, before);
    EXPECT_EQ(machine.files.links, linksBefore);
    if (failAt > 0)
      break; // the run made fewer changes than failAt
  }
}

} // namespace
} // namespace velmora
