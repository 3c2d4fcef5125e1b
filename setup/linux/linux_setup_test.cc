#include "setup/linux/linux_setup.h"

#include "setup/engine/failing_changes_test.h"
#include "setup/linux/mimeapps_list.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace velmora {
namespace {

constexpr char kList[] = "/home/u/.config/mimeapps.list";
constexpr char kRecord[] = "/home/u/.config/velmora/setup.list";
constexpr char kApplications[] = "/usr/share/applications/";

class MemoryDesktopFiles final : public DesktopFiles {
public:
  explicit MemoryDesktopFiles(Failures &failures) : failures_(failures) {}

  std::string ownData = "/usr/share";
  std::string configFolder() const override { return "/home/u/.config"; }
  std::vector<std::string> dataFolders() const override {
    return {"/home/u/.local/share", "/usr/share"};
  }
  std::string ownDataFolder() const override { return ownData; }
  FileContent read(const std::string &path) const override {
    if (unreadable.count(path))
      return {true, false, ""};
    auto file = files.find(path);
    return file == files.end() ? FileContent{} : FileContent{true, true, file->second};
  }
  bool isFile(const std::string &path) const override { return files.count(path) != 0; }
  bool isRunnable(const std::string &path) const override { return runnable.count(path) != 0; }
  std::optional<std::string> editablePlace(const std::string &path,
                                           std::string &why) const override {
    if (!refusal.empty()) {
      why = refusal;
      return std::nullopt;
    }
    return path;
  }
  Outcome writeWhole(const std::string &path, const std::string &bytes, bool personal) override {
    std::string folder = path.substr(0, path.rfind('/'));
    if (!failures_.next() || !folders.count(folder))
      return full();
    files[path] = bytes;
    if (personal)
      personalFiles.insert(path);
    return Done{};
  }
  Outcome removeFile(const std::string &path) override {
    if (!failures_.next())
      return full();
    files.erase(path);
    return Done{};
  }
  Outcome makeFolder(const std::string &path, bool &made) override {
    made = false;
    if (folders.count(path))
      return Done{};
    if (!failures_.next())
      return full();
    made = folders.insert(path).second;
    return Done{};
  }
  static Failure full() { return {"No space left on device"}; }
  void removeEmptyFolder(const std::string &path) override {
    auto inside = files.lower_bound(path + "/");
    if (inside == files.end() || inside->first.rfind(path + "/", 0) != 0)
      folders.erase(path);
  }
  void clearLeftovers(const std::string &) override {}
  void makeConfigFolder() override { configMade = folders.insert(configFolder()).second; }
  bool configFolderMade() const override { return configMade; }

  std::map<std::string, std::string> files = {
      {"/usr/share/mime/types", "text/plain\nimage/png\ntext/markdown\n"},
      {"/usr/share/mime/aliases", "text/x-markdown text/markdown\n"},
      {"/usr/share/mime/globs2",
       "50:text/plain:*.txt\n50:image/png:*.png\n50:text/markdown:*.md\n"},
      {"/usr/share/applications/velmora.desktop", "[Desktop Entry]\n"},
      {"/usr/share/applications/velmora-links.desktop", "[Desktop Entry]\n"},
      {"/usr/share/applications/firefox.desktop", "[Desktop Entry]\n"},
      {"/usr/share/applications/editor.desktop", "[Desktop Entry]\n"},
      {"/usr/share/applications/viewer.desktop", "[Desktop Entry]\n"},
      {"/usr/bin/velmora.ini", "[Path]\n"}};
  std::set<std::string> folders = {"/home/u/.config", "/usr/share/applications"};
  std::set<std::string> runnable = {"/usr/bin/velmora"};
  std::set<std::string> unreadable;
  std::set<std::string> personalFiles;
  std::string refusal;
  bool configMade = false;

private:
  Failures &failures_;
};

// GLib's choice, in short: the first installed program of the type's default line, else of its
// added line, else what the system lists.
class ModelDefaultApps final : public DefaultApps {
public:
  explicit ModelDefaultApps(const MemoryDesktopFiles &files) : files_(files) {}
  Expected<std::string> defaultOf(const std::string &type) override {
    if (silent)
      return Failure{"gio did not answer within 10 s"};
    MimeAppsList list(files_.read(kList).bytes);
    for (const char *section : {"Default Applications", "Added Associations"})
      for (const std::string &id : list.ids(section, type).value_or(std::vector<std::string>{}))
        if (files_.isFile(kApplications + id))
          return id;
    auto system = systemDefaults.find(type);
    return system == systemDefaults.end() ? "" : system->second;
  }

  Expected<std::vector<std::string>> offeredFor(const std::string &type) override {
    std::vector<std::string> offered;
    MimeAppsList list(files_.read(kList).bytes);
    for (const char *section : {"Default Applications", "Added Associations"})
      for (const std::string &id : list.ids(section, type).value_or(std::vector<std::string>{}))
        if (files_.isFile(kApplications + id) && !hidden.count(id))
          offered.push_back(id);
    return offered;
  }

  std::set<std::string> hidden; // taken out by a list read before mimeapps.list
  std::map<std::string, std::string> systemDefaults = {{"text/plain", "editor.desktop"},
                                                       {"image/png", "viewer.desktop"}};
  bool silent = false;

private:
  const MemoryDesktopFiles &files_;
};

struct Desktop {
  Failures failures;
  MemoryDesktopFiles files{failures};
  ModelDefaultApps apps{files};
  int run(const std::vector<std::string> &arguments, std::string *out = nullptr) {
    std::string text;
    int status =
        runLinuxSetup(parseSetupOptions(arguments, linuxSetupGrammar()), files, apps, text);
    if (out != nullptr)
      *out = text;
    return status;
  }
  std::string list() const { return files.files.count(kList) ? files.files.at(kList) : "(none)"; }
  auto state() const { return std::make_pair(files.files, files.folders); }
};

const char kUsersList[] = "# mine\n[Default Applications]\ntext/markdown=viewer.desktop\n";

TEST(LinuxSetup, AddsPinsAndTakesOutExactlyWhatItAdded) {
  Desktop desktop;
  desktop.files.files[kList] = kUsersList;
  auto before = desktop.state();
  std::string out;
  ASSERT_EQ(desktop.run({"open-with", ".txt", "image/png", ".md"}, &out), kSetupDone) << out;
  EXPECT_NE(out.find("The default program of text/plain stays editor.desktop.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(desktop.list(), "# mine\n"
                            "[Default Applications]\n"
                            "text/markdown=viewer.desktop\n"
                            "text/plain=editor.desktop;\n"
                            "image/png=viewer.desktop;\n"
                            "[Added Associations]\n"
                            "text/plain=velmora.desktop;\n"
                            "image/png=velmora.desktop;\n"
                            "text/markdown=velmora.desktop;\n");
  for (const char *type : {"text/plain", "image/png", "text/markdown"})
    EXPECT_NE(*desktop.apps.defaultOf(type), "velmora.desktop") << type;
  EXPECT_TRUE(desktop.files.personalFiles.count(kRecord));
  auto once = desktop.state();
  ASSERT_EQ(desktop.run({"open-with", "text/plain"}), kSetupDone);
  EXPECT_EQ(desktop.state(), once) << "a second run adds nothing";
  ASSERT_EQ(desktop.run({"default", "text/x-markdown"}), kSetupDone);
  EXPECT_EQ(*desktop.apps.defaultOf("text/markdown"), "velmora.desktop");
  ASSERT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  ASSERT_EQ(desktop.run({"remove"}, &out), kSetupDone) << out;
  EXPECT_EQ(desktop.state(), before);
  ASSERT_EQ(desktop.run({"remove"}, &out), kSetupDone);
  EXPECT_NE(out.find("has registered nothing for this user: nothing to remove"), std::string::npos);
}

TEST(LinuxSetup, ReadsTypesAsTheSharedMimeDatabaseNamesThem) {
  struct Case {
    const char *given;
    int status;
    const char *said;
  } cases[] = {
      {".TXT", kSetupDone, "open-with text/plain (velmora.desktop)"},
      {"text/x-markdown", kSetupDone, "open-with text/markdown (velmora.desktop)"},
      {".Md", kSetupDone, "open-with text/markdown"},
      {"txt", kSetupUsage, "\"txt\" is no type: write the extension with its dot, \".txt\""},
      {"text/nope", kSetupUsage, "is neither a MIME type nor an extension"},
      {".nope", kSetupUsage, "is neither a MIME type nor an extension"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.given);
    Desktop desktop;
    std::string out;
    EXPECT_EQ(desktop.run({"open-with", c.given}, &out), c.status);
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    if (c.status != kSetupDone) {
      EXPECT_EQ(desktop.list(), "(none)");
    }
  }
}

// Edits are taken back newest first over all types, whichever type made a section that
// another wrote into.
TEST(LinuxSetup, RemoveGivesBackEveryByteWhateverTheOrder) {
  struct Case {
    std::vector<std::vector<std::string>> runs;
    const char *list;
  } cases[] = {
      {{{"open-with", ".md"}, {"open-with", ".txt"}, {"default", ".md"}}, nullptr},
      {{{"default", ".png"}, {"open-with", ".txt", ".md"}, {"default", ".txt"}}, kUsersList},
      {{{"open-with", ".txt"}, {"open-with", ".png"}, {"default", ".md"}},
       "[Added Associations]\r\ntext/plain=editor.desktop\r\n"},
  };
  for (const Case &c : cases) {
    Desktop desktop;
    if (c.list != nullptr)
      desktop.files.files[kList] = c.list;
    auto before = desktop.state();
    for (const auto &arguments : c.runs)
      ASSERT_EQ(desktop.run(arguments), kSetupDone) << arguments[0];
    std::string out;
    EXPECT_EQ(desktop.run({"remove"}, &out), kSetupDone) << out;
    EXPECT_EQ(desktop.state(), before) << desktop.list();
  }
}

TEST(LinuxSetup, AFailureAtAnyChangeGivesEverythingBack) {
  struct Case {
    const char *label;
    std::vector<std::vector<std::string>> earlier;
    std::vector<std::string> run;
    bool listThere;
  } cases[] = {
      {"open-with, no list yet", {}, {"open-with", ".txt", ".png"}, false},
      {"open-with beside the user's lines", {}, {"open-with", ".txt"}, true},
      {"default after open-with", {{"open-with", ".md"}}, {"default", ".md", ".txt"}, true},
      {"remove", {{"open-with", ".txt"}, {"default", ".png"}}, {"remove"}, true},
      {"remove of a list it made", {{"open-with", ".txt"}}, {"remove"}, false},
      {"repair", {{"open-with", ".txt", ".md"}}, {"repair"}, true},
      {"links", {{"open-with", ".txt"}}, {"links"}, true},
      {"remove of links", {{"links"}}, {"remove"}, true},
  };
  for (const Case &c : cases) {
    int failAt = 1;
    for (;; ++failAt) {
      SCOPED_TRACE(std::string(c.label) + ", change " + std::to_string(failAt));
      Desktop desktop;
      if (c.listThere)
        desktop.files.files[kList] = kUsersList;
      for (const auto &arguments : c.earlier)
        ASSERT_EQ(desktop.run(arguments), kSetupDone);
      if (c.run[0] == "repair")
        desktop.files.files[kList] = kUsersList; // what it added went missing
      auto before = desktop.state();
      desktop.failures = {0, failAt};
      std::string out;
      int status = desktop.run(c.run, &out);
      if (status == kSetupDone)
        break; // fewer changes than failAt: every one was tried
      EXPECT_EQ(status, kSetupFailed);
      EXPECT_NE(out.find("(No space left on device); nothing was changed\n"), std::string::npos)
          << out;
      EXPECT_EQ(desktop.state(), before);
    }
    EXPECT_GT(failAt, 2) << c.label;
  }
}

TEST(LinuxSetup, NeverMakesVelmoraTheDefaultOfOpenWith) {
  // A pin GLib passes over (a program that is gone) or an empty one leaves the desktop's own
  // default, and open-with keeps that one.
  for (const char *pin : {"text/plain=gone.desktop\n", "text/plain=\n"}) {
    SCOPED_TRACE(pin);
    Desktop desktop;
    desktop.files.files[kList] = std::string("[Default Applications]\n") + pin;
    ASSERT_EQ(desktop.run({"open-with", ".txt"}), kSetupDone);
    EXPECT_EQ(*desktop.apps.defaultOf("text/plain"), "editor.desktop");
  }
  // A desktop whose rules put velmora first all the same gets its list back.
  Desktop desktop;
  desktop.files.files[kList] = kUsersList;
  desktop.apps.systemDefaults["text/plain"] = "elsewhere.desktop"; // not among the installed
  auto before = desktop.state();
  std::string out;
  EXPECT_EQ(desktop.run({"open-with", ".txt"}, &out), kSetupFailed);
  EXPECT_NE(out.find("velmora would have become the default program of text/plain"),
            std::string::npos)
      << out;
  EXPECT_EQ(desktop.state(), before);
  // When the desktop cannot tell, nothing is written.
  desktop.apps.silent = true;
  EXPECT_EQ(desktop.run({"open-with", ".png"}, &out), kSetupFailed);
  EXPECT_EQ(desktop.state(), before);
}

TEST(LinuxSetup, ReadsTheFirstReleasesRecordAndLeavesALaterOneAlone) {
  Desktop desktop;
  desktop.files.files[kList] = kUsersList;
  auto before = desktop.state();
  ASSERT_EQ(desktop.run({"open-with", ".txt"}), kSetupDone);
  std::string &record = desktop.files.files[kRecord];
  ASSERT_EQ(record.rfind("# velmora-setup record 2\n", 0), 0u) << record;
  // As the first release wrote it: no version line.
  record.erase(0, record.find('\n') + 1);
  std::string out;
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  auto first = desktop.state();
  record = "# velmora-setup record 3\n" + record;
  auto later = desktop.state();
  for (const char *command : {"status", "repair", "remove", "open-with"}) {
    std::vector<std::string> arguments = {command};
    if (arguments[0] == "open-with")
      arguments.push_back(".png");
    EXPECT_EQ(desktop.run(arguments, &out), kSetupFailed) << command;
    EXPECT_NE(out.find("was written by a newer velmora-setup"), std::string::npos) << out;
    EXPECT_EQ(desktop.state(), later) << command;
  }
  desktop.files.files[kRecord] = first.first.at(kRecord);
  ASSERT_EQ(desktop.run({"remove"}, &out), kSetupDone) << out;
  EXPECT_EQ(desktop.state(), before);
}

TEST(LinuxSetup, StatusGoesByWhatGioOffers) {
  Desktop desktop;
  ASSERT_EQ(desktop.run({"open-with", ".txt"}), kSetupDone);
  std::string out;
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  desktop.apps.hidden.insert("velmora.desktop");
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupFailed);
  EXPECT_NE(out.find("  GIO: does not offer velmora.desktop for text/plain\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("that entry is hidden (Hidden=true"), std::string::npos) << out;
}

TEST(LinuxSetup, TheUsersLaterChoiceWins) {
  Desktop desktop;
  ASSERT_EQ(desktop.run({"open-with", ".txt"}), kSetupDone);
  // The user picks their own default, in GLib's way: the pinned line now reads otherwise.
  std::string list = desktop.list();
  size_t pin = list.find("text/plain=editor.desktop;");
  list.replace(pin, 26, "text/plain=viewer.desktop;");
  desktop.files.files[kList] = list;
  std::string out;
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  EXPECT_NE(out.find("changed since, by you or a program you ran: left as it is"),
            std::string::npos)
      << out;
  // The line as the user left it, not as velmora-setup wrote it.
  EXPECT_NE(out.find("[Default Applications] text/plain=viewer.desktop; (changed since"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("repair"), std::string::npos) << out;
  EXPECT_EQ(desktop.run({"repair"}, &out), kSetupDone);
  EXPECT_EQ(out, "nothing to repair\n");
  EXPECT_EQ(desktop.list(), list);
  ASSERT_EQ(desktop.run({"remove"}), kSetupDone);
  EXPECT_NE(desktop.list().find("text/plain=viewer.desktop;\n"), std::string::npos)
      << desktop.list();
  EXPECT_EQ(desktop.list().find("velmora"), std::string::npos) << desktop.list();
}

// What several types share is told once: the desktop entry, the program, the settings.
TEST(LinuxSetup, StatusTellsWhatTypesShareOnce) {
  Desktop desktop;
  ASSERT_EQ(desktop.run({"open-with", ".txt", ".png"}), kSetupDone);
  std::string out;
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  for (const char *line : {"desktop entry: ", "program: ", "settings: "}) {
    size_t first = out.find(line);
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find(line, first + 1), std::string::npos) << out;
  }
}

TEST(LinuxSetup, RefusesWhatItCannotTrustOrEditAndChangesNothing) {
  struct Case {
    const char *label;
    std::string record;
    std::string refusal;
    std::string unreadable;
    std::string said;
  } cases[] = {
      {"another program added", "edit\tAdded Associations\ttext/html\tother.desktop\t-L--\t\n", "",
       "",
       "holds an edit with the program \"other.desktop\" in [Added Associations], which "
       "velmora-setup never writes"},
      {"a section set-up never writes",
       "edit\tRemoved Associations\ttext/html\tvelmora.desktop\t-L--\t\n", "", "",
       "holds an edit with the section [Removed Associations]"},
      {"lines that are no edits", "frob\n", "", "", "holds lines that are no edits"},
      {"a list it cannot edit in place", "", "/home/u/.config/mimeapps.list is read-only", "",
       "mimeapps.list is read-only; nothing was changed"},
      {"a record it cannot read", "", "", kRecord, "cannot read " + std::string(kRecord)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Desktop desktop;
    desktop.files.files[kList] = kUsersList;
    ASSERT_EQ(desktop.run({"open-with", ".txt"}), kSetupDone);
    desktop.files.files[kRecord] += c.record;
    desktop.files.refusal = c.refusal;
    desktop.files.unreadable = {c.unreadable};
    auto before = desktop.state();
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"open-with", ".png"}, {"status"}, {"repair"}, {"remove"}}) {
      std::string out;
      EXPECT_EQ(desktop.run(arguments, &out), kSetupFailed) << arguments[0];
      EXPECT_NE(out.find(c.said), std::string::npos) << out;
      EXPECT_EQ(desktop.state(), before) << arguments[0];
    }
  }
}

// What open-with says of the type's default: kept, velmora's already, or velmora's now.
TEST(LinuxSetup, OpenWithSaysWhatGioOpensTheTypeWith) {
  struct Case {
    const char *type, *systemDefault, *said;
  } cases[] = {
      {".txt", "editor.desktop", "The default program of text/plain stays editor.desktop.\n"},
      {".md", "velmora.desktop", "GIO opened text/markdown with velmora already"},
      {".png", "", "No other program opens image/png, so GIO now opens it with velmora.\n"},
  };
  for (const Case &c : cases) {
    Desktop desktop;
    desktop.apps.systemDefaults = {{"text/plain", "editor.desktop"}};
    if (*c.systemDefault != '\0')
      desktop.apps.systemDefaults[c.type == std::string(".md") ? "text/markdown" : "text/plain"] =
          c.systemDefault;
    std::string out;
    EXPECT_EQ(desktop.run({"open-with", c.type}, &out), kSetupDone) << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
  }
}

// Links: velmora's link entry becomes the default for http and https, says whose place it
// takes, and remove gives back every byte, the user's own lines included.
TEST(LinuxSetup, LinksMakeVelmoraTheDefaultForWebLinksAndGiveItBack) {
  Desktop desktop;
  desktop.apps.systemDefaults["x-scheme-handler/https"] = "firefox.desktop";
  desktop.files.files[kList] = "[Default Applications]\nx-scheme-handler/http=firefox.desktop\n";
  const std::string before = desktop.list();
  std::string out;
  ASSERT_EQ(desktop.run({"links"}, &out), kSetupDone) << out;
  EXPECT_NE(out.find("velmora-links.desktop is the default for x-scheme-handler/https now, in "
                     "place of firefox.desktop.\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(*desktop.apps.defaultOf("x-scheme-handler/http"), "velmora-links.desktop");
  EXPECT_EQ(*desktop.apps.defaultOf("x-scheme-handler/https"), "velmora-links.desktop");
  EXPECT_EQ(*desktop.apps.defaultOf("text/plain"), "editor.desktop");
  EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
  EXPECT_NE(out.find("desktop entry: /usr/share/applications/velmora-links.desktop (there)"),
            std::string::npos)
      << out;
  EXPECT_EQ(desktop.run({"links", ".txt"}), kSetupUsage);
  ASSERT_EQ(desktop.run({"remove"}, &out), kSetupDone) << out;
  EXPECT_EQ(desktop.list(), before);
}

// Installed to a prefix outside the desktops' folders, velmora is there but not seen.
TEST(LinuxSetup, SaysWhetherTheEntryIsMissingOrOnlyNotSeen) {
  struct Case {
    const char *ownData, *said;
  } cases[] = {
      {"/opt/v/share", "velmora.desktop is installed in /opt/v/share/applications, which is not "
                       "among the folders desktops look in (XDG_DATA_HOME and XDG_DATA_DIRS): "
                       "add /opt/v/share to XDG_DATA_DIRS"},
      {"/usr/share", "velmora.desktop is not installed in any applications folder"},
  };
  for (const Case &c : cases) {
    Desktop desktop;
    desktop.files.files.erase("/usr/share/applications/velmora.desktop");
    desktop.files.files["/opt/v/share/applications/velmora.desktop"] = "[Desktop Entry]\n";
    desktop.files.ownData = c.ownData;
    std::string out;
    EXPECT_EQ(desktop.run({"default", ".txt"}, &out), kSetupFailed);
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
  }
}

TEST(LinuxSetup, StatusChecksWhatVelmoraNeedsAndRepairPutsBackWhatWentMissing) {
  struct Case {
    const char *label;
    std::string gone;
    const char *said;
  } cases[] = {
      {"everything there", "", ""},
      {"settings gone", "/usr/bin/velmora.ini", "velmora starts nothing without settings"},
      {"program gone", "/usr/bin/velmora", "Install velmora again: its desktop entry names"},
      {"entry gone", "/usr/share/applications/velmora.desktop",
       "desktop entry: velmora.desktop "
       "(missing)"},
      {"a line gone", kList, "Run \"velmora-setup repair\" to put back what is missing"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Desktop desktop;
    ASSERT_EQ(desktop.run({"default", ".txt"}), kSetupDone);
    std::string added = desktop.list();
    desktop.files.files.erase(c.gone);
    desktop.files.runnable.erase(c.gone);
    std::string out;
    EXPECT_EQ(desktop.run({"status"}, &out), c.gone.empty() ? kSetupDone : kSetupFailed) << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    if (c.gone == kList) {
      EXPECT_EQ(desktop.run({"repair"}, &out), kSetupDone);
      EXPECT_EQ(desktop.list(), added) << out;
      EXPECT_EQ(desktop.run({"status"}, &out), kSetupDone) << out;
    }
  }
}

} // namespace
} // namespace velmora
