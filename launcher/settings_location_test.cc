#include "launcher/settings_location.h"

#include "platform/fake_platform.h"
#include "text/argument_list.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SettingsLocation, FindsTheFileFromArgumentOneOrNextToTheProgram) {
  struct Case {
    const char *commandLine;
    const char *path;
    bool fromOption;
  };
  const Case cases[] = {
      {R"(p C:\a.txt)", R"(C:\Tools\velmora.ini)", false},
      {"p a/ini=b x", "ab", true},
      {R"(p /ini=/INI=C:\s.ini x)", R"(C:\s.ini)", true},
      {R"(p /INI=C:\s.ini x)", R"(C:\Tools\velmora.ini)", false},
      {"p /ini=", "", true},
      {R"(p "/ini=C:\my settings\s.ini" x)", R"(C:\my settings\s.ini)", true},
      {R"(p x /ini=C:\s.ini)", R"(C:\Tools\velmora.ini)", false}, // only argument 1 counts
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases) {
    fake.commandLineText = c.commandLine;
    SettingsLocation location = locateSettings(ArgumentList(fake));
    EXPECT_EQ(location.path, c.path) << c.commandLine;
    EXPECT_EQ(location.fromOption, c.fromOption) << c.commandLine;
  }
}

TEST(SettingsLocation, ProgramWithoutDirectoryGivesABareFileName) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "p x";
  fake.modulePath = "velmora.exe";
  EXPECT_EQ(locateSettings(ArgumentList(fake)).path, "velmora.ini");
  // A program folder ending in a double-byte character whose second byte is 0x5C.
  fake.activate(FakeLocale::Japanese);
  fake.modulePath = "C:\\\x95\x5C\\velmora.exe";
  EXPECT_EQ(locateSettings(ArgumentList(fake)).path, "C:\\\x95\x5C\\velmora.ini");
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
