#include "app/run_sequence.h"

#include "app/failure_report.h"
#include "testing/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

const char kIni[] = R"(C:\Tools\velmora.ini)";

FakePlatform scripted(const char *commandLine) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = commandLine;
  fake.profiles[kIni]["Path"] = {
      {"default", "open %P"}, {"shift", "editor.exe %O1 %P"}, {"ctrl", ""},
      {"alt", "explorer %D"}, {"X1", "x1 %O1 %O2 %P"},        {"X2", "x2"}};
  return fake;
}

TEST(RunSequence, WorkedRoadWithShiftHeld) {
  FakePlatform fake = scripted(R"(velmora -n C:\docs\a.txt)");
  fake.heldKeys = {0x10};
  EXPECT_EQ(runProgram(fake), 0);
  EXPECT_EQ(fake.started, (std::vector<std::string>{R"(editor.exe -n C:\docs\a.txt)"}));
  // Settings first, keys once and only up to the held one, one start, then the quit request.
  std::vector<std::string> order;
  for (const std::string &call : fake.log)
    if (call != "compare")
      order.push_back(call);
  EXPECT_EQ(
      order,
      (std::vector<std::string>{
          "GetVersionExA", "GetThreadLocale", std::string("read ") + kIni + " [Path] default",
          std::string("read ") + kIni + " [Path] shift",
          std::string("read ") + kIni + " [Path] ctrl", std::string("read ") + kIni + " [Path] alt",
          std::string("read ") + kIni + " [Path] X1", std::string("read ") + kIni + " [Path] X2",
          std::string("flush ") + kIni, "GetKeyState 16", "CreateProcessA", "PostQuitMessage"}));
}

TEST(RunSequence, EachSlotComposesItsCommand) {
  struct Case {
    const char *label;
    std::vector<int> held;
    const char *commandLine;
    const char *started;
  };
  const Case cases[] = {
      {"nothing held: default", {}, R"(v "C:\a b\x.txt")", R"(open C:\a b\x.txt)"},
      {"ctrl held, its template empty",
       {0x11},
       R"(v C:\x.txt)",
       ""}, // an empty "ctrl" does not fall back to "default"
      {"alt and X2 held: alt", {0x12, 0x06}, R"(v C:\dir\x.txt)", R"(explorer C:\dir)"},
      {"X1 with two middle arguments", {0x05}, R"(v -a -b C:\x.txt)", R"(x1 -a -b C:\x.txt)"},
      {"X1 after the settings option",
       {0x05},
       R"(v /ini=C:\Tools\velmora.ini -a C:\x.txt)",
       R"(x1 -a %O2 C:\x.txt)"},
      {"X2", {0x06}, "v t", "x2"},
  };
  for (const Case &c : cases) {
    FakePlatform fake = scripted(c.commandLine);
    fake.heldKeys = c.held;
    EXPECT_EQ(runProgram(fake), 0) << c.label;
    EXPECT_EQ(fake.started, (std::vector<std::string>{c.started})) << c.label;
  }
}

TEST(RunSequence, NoArgumentTouchesNothing) {
  for (const char *commandLine : {"velmora", "velmora   ", R"(velmora "")", ""}) {
    FakePlatform fake = scripted(commandLine);
    fake.heldKeys = {0x10};
    EXPECT_EQ(runProgram(fake), 0);
    EXPECT_EQ(fake.log,
              (std::vector<std::string>{"GetVersionExA", "GetThreadLocale", "PostQuitMessage"}));
    EXPECT_TRUE(fake.started.empty());
  }
}

TEST(RunSequence, MissingSettingsStillHandsAnEmptyCommandOver) {
  FakePlatform fake = scripted(R"(v C:\x.txt)");
  fake.profiles.clear();
  EXPECT_EQ(runProgram(fake), 0);
  EXPECT_EQ(fake.started, (std::vector<std::string>{""}));
}

TEST(RunSequence, AnArgumentThatCouldNotBeCarriedEndsWithStatusOne) {
  FakePlatform fake = scripted(R"(v C:\x.txt)");
  fake.uncarried = UncarriedArgument{2, R"(a"b.txt)", "holds a quotation mark"};
  EXPECT_EQ(runProgram(fake), 1);
  EXPECT_TRUE(fake.started.empty());
  EXPECT_EQ(fake.log, (std::vector<std::string>{
                          "GetVersionExA", "GetThreadLocale", "GetACP",
                          "error velmora: argument 2 \"a\"b.txt\" holds a quotation mark, which "
                          "velmora cannot pass on unchanged; nothing was started",
                          "PostQuitMessage"}));
}

// velmora started by velmora again and again (its template starts velmora, or the desktop's
// opener while velmora is the default) stops at a depth of eight.
TEST(RunSequence, StartsNothingWhenStartedByItselfTooOften) {
  for (int depth : {0, 7, 8, 9}) {
    FakePlatform fake = scripted(R"(v C:\x.txt)");
    fake.depth = depth;
    EXPECT_EQ(runProgram(fake), depth < 8 ? 0 : 1) << depth;
    EXPECT_EQ(fake.started.size(), depth < 8 ? 1u : 0u) << depth;
    std::string error =
        "error velmora: started by velmora " + std::to_string(depth) + " times in a row";
    EXPECT_EQ(
        std::count_if(fake.log.begin(), fake.log.end(),
                      [&error](const std::string &line) { return line.rfind(error, 0) == 0; }),
        depth < 8 ? 0 : 1)
        << depth;
  }
}

TEST(FailureReport, ComposesTheOutOfMemoryText) {
  char text[512];
  composeFailureText(text, sizeof text, "EOutOfMemory", "velmora.exe",
                     reinterpret_cast<const void *>(0x4012AB), "メモリが足りません");
  std::string address = std::string(sizeof(void *) * 2 - 6, '0') + "4012AB";
  EXPECT_EQ(std::string(text), "EOutOfMemoryがモジュール velmora.exe の " + address +
                                   " で発生しました。\nメモリが足りません.");
  composeFailureText(text, sizeof text, "E", "m", nullptr, "done.");
  EXPECT_EQ(std::string(text).substr(std::string(text).size() - 6), "\ndone.");
  composeFailureText(text, sizeof text, "E", "m", nullptr, "");
  EXPECT_EQ(std::string(text).back(), '\n');
}

TEST(FailureReport, NamesTheModuleWithoutItsDirectory) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.modulePath = R"(C:\Program Files\velmora\velmora.exe)";
  reportOutOfMemory(fake, nullptr);
  ASSERT_EQ(fake.log.size(), 1u);
  EXPECT_EQ(fake.log[0].rfind(std::string("failure ") + kFailureTitle +
                                  "\nEOutOfMemoryがモジュール velmora.exe の ",
                              0),
            0u)
      << fake.log[0];
}

// The module name is in the ANSI code page and the rest of the text in UTF-8: the name is
// converted on its own (the fake reads ANSI as Latin-1).
TEST(FailureReport, ConvertsTheModuleNameFromItsOwnEncoding) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.modulePath = "C:\\Programme\\v\xE9lmora.exe";
  reportOutOfMemory(fake, nullptr);
  ASSERT_EQ(fake.log.size(), 1u);
  EXPECT_NE(fake.log[0].find("モジュール v\xC3\xA9lmora.exe の "), std::string::npos)
      << fake.log[0];
}

} // namespace
} // namespace velmora
