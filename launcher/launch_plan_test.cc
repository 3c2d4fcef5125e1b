#include "launcher/launch_plan.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

const char kIni[] = R"(C:\Tools\velmora.ini)";

FakePlatform withDefault(const std::string &commandTemplate, const std::string &commandLine,
                         FakeLocale locale = FakeLocale::Western) {
  FakePlatform fake;
  fake.activate(locale);
  fake.profiles[kIni]["Path"]["default"] = commandTemplate;
  fake.commandLineText = commandLine;
  return fake;
}

// Each "%On%On" argument doubles what the next pass finds: 40 of them would need 2^40 copies.
TEST(LaunchPlan, CraftedArgumentsCannotGrowTheCommandWithoutBound) {
  std::string line = "p";
  for (int n = 2; n <= 41; ++n)
    line += " %O" + std::to_string(n) + "%O" + std::to_string(n);
  line += " t";
  FakePlatform fake = withDefault("run %O1", line);
  LaunchPlan plan = composeLaunchPlan(fake);
  EXPECT_TRUE(plan.tooLong);
  EXPECT_FALSE(plan.startsProcess());
  EXPECT_EQ(plan.launchCommand, "");
}

TEST(LaunchPlan, TheLongestCommandThatStartsAndOneMore) {
  struct Case {
    const char *label;
    FakeLocale locale;
    std::string target;
    bool fits;
  };
  // "x " and the target: 32,766 characters is the most CreateProcess takes.
  const Case cases[] = {
      {"at the limit", FakeLocale::Western, std::string(32764, 'a'), true},
      {"one over", FakeLocale::Western, std::string(32765, 'a'), false},
      // A double-byte character is one character in two bytes.
      {"double-byte at the limit", FakeLocale::Japanese, "\x95\x5C" + std::string(32763, 'a'),
       true},
      {"double-byte, one over", FakeLocale::Japanese, "\x95\x5C" + std::string(32764, 'a'), false},
  };
  for (const Case &c : cases) {
    FakePlatform fake = withDefault("x %P", "p " + c.target, c.locale);
    LaunchPlan plan = composeLaunchPlan(fake);
    EXPECT_EQ(plan.tooLong, !c.fits) << c.label;
    EXPECT_EQ(plan.launchCommand.empty(), !c.fits) << c.label;
  }
  // The first stage is bounded too: a template of many "%P" with a long target.
  std::string many;
  for (int i = 0; i < 500; ++i)
    many += "%P ";
  FakePlatform fake = withDefault(many, "p " + std::string(1000, 'a'));
  EXPECT_TRUE(composeLaunchPlan(fake).tooLong);
}

TEST(LaunchPlan, AnUncarriedArgumentStopsEverythingElse) {
  FakePlatform fake = withDefault("run %P", R"(p ab.txt)");
  fake.uncarried = UncarriedArgument{1, "a\"b.txt", "holds a quotation mark"};
  LaunchPlan plan = composeLaunchPlan(fake);
  EXPECT_FALSE(plan.startsProcess());
  EXPECT_EQ(plan.argumentCount, 0);
  EXPECT_TRUE(fake.log.empty()); // no settings read, no key asked
  EXPECT_EQ(uncarriedMessage(*plan.uncarried, 1252),
            "velmora: argument 1 \"a\"b.txt\" holds a quotation mark, which velmora cannot pass "
            "on unchanged; nothing was started");
  // Control bytes in the name reach nobody's terminal.
  fake.uncarried->text = "\x1B[2J\x9B\"";
  EXPECT_NE(uncarriedMessage(*fake.uncarried, 1252).find("\\x1B[2J\\x9B"), std::string::npos);
  fake.uncarried->index = 0;
  EXPECT_EQ(uncarriedMessage(*fake.uncarried, 1252).rfind("velmora: its own path \"", 0), 0u);
}

// The shell writes "%1" around a link as it stands; one with a quotation mark of its own comes
// in pieces, and the pieces joined are another link.
TEST(LaunchPlan, ALinkSplitByItsOwnQuotationMarkStartsNothing) {
  struct Case {
    const char *commandLine;
    bool starts;
  };
  const Case cases[] = {
      {R"(p "https://example.com/a b")", true},
      {R"(p https://example.com/ab)", true},
      {R"(p "https://example.com/ab)", true},
      {R"(p "https://example.com/a"b")", false},
      {R"(p "https://example.com/a"")", false},
      {R"(p https://example.com/"a")", false},
      {R"(p "https://example.com/a""b")", false},
      // Only the target is a link velmora hands on; a file name joined from pieces stays as it
      // always was.
      {R"(p "C:\Program Files".txt)", true},
      {R"(p "x:/a"b")", true},
  };
  for (const Case &c : cases) {
    FakePlatform fake = withDefault("run %P", c.commandLine);
    LaunchPlan plan = composeLaunchPlan(fake);
    EXPECT_EQ(plan.startsProcess(), c.starts) << c.commandLine;
    if (!c.starts) {
      ASSERT_TRUE(plan.uncarried.has_value()) << c.commandLine;
      EXPECT_EQ(plan.uncarried->text, std::string(c.commandLine).substr(2)) << c.commandLine;
    }
  }
}

TEST(LaunchPlan, WithoutTheProgramsFolderNoSettingsAreRead) {
  FakePlatform fake = withDefault("run %P", "p t");
  fake.moduleResult = 0;
  LaunchPlan plan = composeLaunchPlan(fake);
  EXPECT_EQ(plan.settings.source, SettingsSource::None);
  EXPECT_EQ(plan.templates.of(ModifierSlot::Default), "");
  for (const std::string &call : fake.log)
    EXPECT_EQ(call.rfind("read", 0), std::string::npos) << call;
  // An empty command is still handed over, and fails as a missing file would.
  EXPECT_TRUE(plan.startsProcess());
  EXPECT_EQ(plan.launchCommand, "");
}

} // namespace
} // namespace velmora
