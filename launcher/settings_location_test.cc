#include "launcher/settings_location.h"

#include "testing/fake_platform.h"
#include "text/argument_list.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SettingsLocation, FindsTheFileFromArgumentOneOrNextToTheProgram) {
  struct Case {
    const char *label;
    const char *commandLine;
    const char *path;
    bool fromOption;
  };
  const Case cases[] = {
      {"no option", R"(p C:\a.txt)", R"(C:\Tools\velmora.ini)", false},
      {"option inside argument 1", "p a/ini=b x", "ab", true},
      {"every spelling removed", R"(p /ini=/INI=C:\s.ini x)", R"(C:\s.ini)", true},
      {"capitals are no option", R"(p /INI=C:\s.ini x)", R"(C:\Tools\velmora.ini)", false},
      {"empty path", "p /ini= x", "", true},
      {"quoted path with a space", R"(p "/ini=C:\my settings\s.ini" x)", R"(C:\my settings\s.ini)",
       true},
      {"only argument 1 counts", R"(p x /ini=C:\s.ini)", R"(C:\Tools\velmora.ini)", false},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases) {
    fake.commandLineText = c.commandLine;
    SettingsLocation location = locateSettings(ArgumentList(fake, fake), fake);
    EXPECT_EQ(location.path, c.path) << c.label;
    EXPECT_EQ(location.fromOption(), c.fromOption) << c.label;
  }
}

// A file in a folder named "ini=" opened on its own must not choose the settings: a sole
// argument is the target. Where every path holds '/', only a leading "/ini=" counts.
TEST(SettingsLocation, TheOptionIsNeverTakenFromTheTarget) {
  struct Case {
    const char *label;
    SettingsOptionPlacement placement;
    const char *commandLine;
    const char *path;
    SettingsSource source;
    const char *note; // a part of it; "" for none
  };
  constexpr auto anywhere = SettingsOptionPlacement::Anywhere;
  constexpr auto atStart = SettingsOptionPlacement::AtStart;
  const Case cases[] = {
      {"sole URL, Windows", anywhere, "p http://example.com/ini=/x.txt", R"(C:\Tools\velmora.ini)",
       SettingsSource::NextToProgram, "only argument"},
      {"sole option, Windows", anywhere, R"(p /ini=C:\s.ini)", R"(C:\Tools\velmora.ini)",
       SettingsSource::NextToProgram, "only argument"},
      {"sole argument, POSIX", atStart, "p /home/u/pkg/ini=/README.txt", R"(C:\Tools\velmora.ini)",
       SettingsSource::NextToProgram, "only argument"},
      {"inside argument 1, POSIX", atStart, "p /home/u/ini=/s.ini t", R"(C:\Tools\velmora.ini)",
       SettingsSource::NextToProgram, "does not begin with it"},
      {"inside argument 1, Windows", anywhere, R"(p C:\x/ini=s.ini t)", R"(C:\xs.ini)",
       SettingsSource::Option, ""},
      // Only the leading option is taken off; the rest is the path as given.
      {"leading option, POSIX", atStart, "p /ini=/etc/ini=/s.ini t", "/etc/ini=/s.ini",
       SettingsSource::Option, ""},
      {"capitals, POSIX", atStart, "p /INI=/s.ini t", R"(C:\Tools\velmora.ini)",
       SettingsSource::NextToProgram, ""},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases) {
    fake.optionPlacement = c.placement;
    fake.commandLineText = c.commandLine;
    SettingsLocation location = locateSettings(ArgumentList(fake, fake), fake);
    EXPECT_EQ(location.path, c.path) << c.label;
    EXPECT_EQ(location.source, c.source) << c.label;
    if (*c.note == '\0')
      EXPECT_EQ(location.note, "") << c.label;
    else
      EXPECT_NE(location.note.find(c.note), std::string::npos) << c.label << ": " << location.note;
  }
}

// A program path that was cut, or none at all, names no folder of velmora's: reading
// "velmora.ini" there would read another file, so nothing is read.
TEST(SettingsLocation, NoFileWhenTheProgramPathIsNotWhole) {
  struct Case {
    const char *label;
    std::string modulePath;
    int moduleResult;
    SettingsSource source;
  };
  const Case cases[] = {
      {"whole, 260 bytes", "C:\\" + std::string(245, 'd') + "\\velmora.exe", -1,
       SettingsSource::NextToProgram},
      {"cut at the capacity", "C:\\" + std::string(300, 'd') + "\\velmora.exe", -1,
       SettingsSource::None},
      {"failed call", "C:\\Tools\\velmora.exe", 0, SettingsSource::None},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases) {
    fake.commandLineText = "p a.txt";
    fake.modulePath = c.modulePath;
    fake.moduleResult = c.moduleResult;
    SettingsLocation location = locateSettings(ArgumentList(fake, fake), fake);
    EXPECT_EQ(location.source, c.source) << c.label;
    EXPECT_EQ(location.path.empty(), c.source == SettingsSource::None) << c.label;
    EXPECT_EQ(location.note.empty(), c.source != SettingsSource::None) << c.label;
  }
  // With the option, the program's own path does not matter.
  fake.commandLineText = R"(p /ini=C:\s.ini t)";
  EXPECT_EQ(locateSettings(ArgumentList(fake, fake), fake).path, R"(C:\s.ini)");
}

// Where the platform has a settings folder for the user, its velmora.ini serves when none lies
// next to the program; one next to the program still wins.
TEST(SettingsLocation, TheUsersFolderWhenNoneLiesNextToTheProgram) {
  struct Case {
    const char *label;
    std::optional<std::string> userSettings;
    bool nextToProgram;
    const char *commandLine;
    SettingsSource source;
    std::vector<std::string> looked;
  };
  const std::string next = R"(C:\Tools\velmora.ini)", user = "/home/u/.config/velmora/velmora.ini";
  const Case cases[] = {
      {"next to the program wins", user, true, "p t", SettingsSource::NextToProgram, {next}},
      {"the user's folder otherwise", user, false, "p t", SettingsSource::UserFolder, {next, user}},
      {"no user folder (Windows)",
       std::nullopt,
       false,
       "p t",
       SettingsSource::NextToProgram,
       {next}},
      {"the option names the file",
       user,
       false,
       "p /ini=s.ini t",
       SettingsSource::Option,
       {"s.ini"}},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.userSettings = c.userSettings;
    if (c.nextToProgram)
      fake.otherFiles.push_back(next);
    fake.commandLineText = c.commandLine;
    SettingsLocation location = locateSettings(ArgumentList(fake, fake), fake);
    EXPECT_EQ(location.source, c.source) << c.label;
    EXPECT_EQ(location.looked, c.looked) << c.label;
    EXPECT_EQ(location.path, c.looked.back()) << c.label;
  }
}

TEST(SettingsLocation, ProgramWithoutDirectoryGivesABareFileName) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "p x";
  fake.modulePath = "velmora.exe";
  EXPECT_EQ(locateSettings(ArgumentList(fake, fake), fake).path, "velmora.ini");
  // A program folder ending in a double-byte character whose second byte is 0x5C.
  fake.activate(FakeLocale::Japanese);
  fake.modulePath = "C:\\\x95\x5C\\velmora.exe";
  EXPECT_EQ(locateSettings(ArgumentList(fake, fake), fake).path, "C:\\\x95\x5C\\velmora.ini");
}

TEST(SettingsLocation, ReadsTheSixKeysInOrderThenFlushes) {
  FakePlatform fake;
  fake.profiles["s.ini"]["Path"] = {{"default", "d"}, {"shift", "s"}, {"X2", "x2"}};
  TemplateSet set = readTemplates(fake, "s.ini");
  EXPECT_EQ(set.of(ModifierSlot::Default), "d");
  EXPECT_EQ(set.of(ModifierSlot::Shift), "s");
  EXPECT_EQ(set.of(ModifierSlot::Ctrl), "");
  EXPECT_EQ(set.of(ModifierSlot::Alt), "");
  EXPECT_EQ(set.of(ModifierSlot::X1), "");
  EXPECT_EQ(set.of(ModifierSlot::X2), "x2");
  EXPECT_EQ(fake.log, (std::vector<std::string>{"read s.ini [Path] default",
                                                "read s.ini [Path] shift", "read s.ini [Path] ctrl",
                                                "read s.ini [Path] alt", "read s.ini [Path] X1",
                                                "read s.ini [Path] X2", "flush s.ini"}));
}

} // namespace
} // namespace velmora
