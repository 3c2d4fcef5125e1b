#include "check/diagnosis.h"

#include "app/run_sequence.h"
#include "check/checked_platform.h"
#include "platform/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class FakeCheck : public CheckPlatform {
public:
  bool exists = true, readable = true;
  std::string missingProgram = "missing.exe";
  FileStatus settingsFile(const std::string &path) const override {
    return {path, exists, exists && readable};
  }
  std::vector<std::string> splitLaunchCommand(const Platform &,
                                              const std::string &command) const override {
    return splitLikeWindowsPrograms(command);
  }
  std::string findProgram(const std::string &program) const override {
    return program == missingProgram ? "" : "C:\\bin\\" + program;
  }
  void print(const std::string &) const override {}
};

constexpr char kIni[] = R"(C:\Tools\velmora.ini)";

struct WarningCase {
  const char *name;
  const char *commandTemplate;
  const char *commandLine;
  const char *warning; // a part of the one warning expected, or "" for none
};

TEST(Diagnosis, EachWarningFiresOnlyOnItsMistake) {
  const WarningCase cases[] = {
      {"clean", R"(app.exe "%P" %O1)", R"(v -x "C:\a b.txt")", ""},
      {"unquoted path with a space", "app.exe %P", R"(v "C:\a b.txt")", "%P is not inside"},
      {"unquoted path without a space", "app.exe %P", R"(v C:\ab.txt)", ""},
      {"unquoted folder with a space", "app.exe %d", R"(v "C:\a b\x.txt")", "%d is not inside"},
      {"quoted folder", R"(app.exe "%D")", R"(v "C:\a b\x.txt")", ""},
      {"%P beside %D is not filled", R"(app.exe "%D" %P)", R"(v "C:\a b\x.txt")", ""},
      {"placeholder without argument", "app.exe %O2 %P", "v -x t", "%O2 has no argument"},
      {"placeholder with argument", "app.exe %O2 %P", "v -x -y t", ""},
      {"%O10 read as %O1", "app.exe %O10 %P", "v -x t", "%O10 is read as %O1"},
      {"%O01 never matches", "app.exe %O01", "v -x t", "%O01 has no argument"},
      {"empty template", "", "v t", "is empty: nothing would start"},
      {"program not found", "missing.exe %P", "v t", "cannot be found"},
  };
  for (const WarningCase &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    fake.profiles[kIni]["Path"]["default"] = c.commandTemplate;
    FakeCheck check;
    Diagnosis d = diagnose(fake, check);
    if (*c.warning == '\0') {
      EXPECT_TRUE(d.warnings.empty()) << c.name << ": " << d.warnings.front();
    } else {
      ASSERT_EQ(d.warnings.size(), 1u) << c.name;
      EXPECT_NE(d.warnings[0].find(c.warning), std::string::npos)
          << c.name << ": " << d.warnings[0];
    }
  }
}

TEST(Diagnosis, SettingsFileProblemsAndExitDecision) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "v t";
  FakeCheck check;
  check.exists = false;
  Diagnosis missing = diagnose(fake, check);
  EXPECT_NE(missing.warnings.at(0).find("does not exist"), std::string::npos);
  EXPECT_FALSE(missing.wouldLaunch());

  check.exists = true;
  check.readable = false;
  EXPECT_NE(diagnose(fake, check).warnings.at(0).find("cannot be read"), std::string::npos);

  fake.commandLineText = "v";
  Diagnosis none = diagnose(fake, check);
  EXPECT_FALSE(none.wouldLaunch());
  EXPECT_TRUE(fake.started.empty());
}

TEST(Diagnosis, ReportsTheCommandVelmoraComposes) {
  const char *lines[] = {R"(v -n C:\docs\a.txt)", R"(v /ini=C:\Tools\velmora.ini -a -b C:\x)",
                         R"(v "%O1" t)", "v"};
  for (const char *line : lines) {
    for (std::vector<int> held : {std::vector<int>{}, {0x10}, {0x12}}) {
      FakePlatform fake;
      fake.activate(FakeLocale::Western);
      fake.commandLineText = line;
      fake.profiles[kIni]["Path"] = {
          {"default", "d %O1 %P"}, {"shift", "s %D %O2"}, {"alt", "\"%P\" %o1%O1"}};
      fake.heldKeys = held;
      FakeCheck check;
      Diagnosis d = diagnose(fake, check);
      std::optional<std::string> composed = composeLaunchCommand(fake);
      EXPECT_EQ(d.launchCommand, composed.value_or("")) << line;
      EXPECT_TRUE(fake.started.empty());
    }
  }
}

TEST(CheckOptions, OptionsComeFirstAndTheRestStaysByteForByte) {
  struct Case {
    const char *commandLine;
    const char *velmoraLine;
    bool help;
    int hold; // -1: none given
    bool error;
  };
  const Case cases[] = {
      {R"(check a  "b c"  d)", R"(check a  "b c"  d)", false, -1, false},
      {R"(check --hold=shift  /ini=x "t")", R"(check  /ini=x "t")", false, 1, false},
      {R"("C:\p\check.exe" --hold=none --hold=x2 t)", R"("C:\p\check.exe" t)", false, 5, false},
      {"check --help", "check", true, -1, false},
      {"check --hold=meta t", "check t", false, -1, true},
      {"check --frobnicate t", "check t", false, -1, true},
      {"check t --help", "check t --help", false, -1, false}, // after the first argument
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    CheckOptions options = parseCheckOptions(fake);
    EXPECT_EQ(options.commandLine, c.velmoraLine) << c.commandLine;
    EXPECT_EQ(options.help, c.help) << c.commandLine;
    EXPECT_EQ(options.hold ? static_cast<int>(*options.hold) : -1, c.hold) << c.commandLine;
    EXPECT_EQ(!options.error.empty(), c.error) << c.commandLine;
  }
}

TEST(CheckOptions, HoldStandsInForTheKeyboard) {
  FakePlatform fake;
  fake.heldKeys = {0x10};
  CheckOptions options;
  options.hold = ModifierSlot::X1;
  CheckedPlatform checked(fake, options);
  EXPECT_GE(checked.keyState(0x10), 0);
  EXPECT_LT(checked.keyState(0x05), 0);
  options.hold.reset();
  EXPECT_LT(checked.keyState(0x10), 0);
}

TEST(WindowsSplit, FollowsTheCRuntimeRules) {
  struct Case {
    const char *line;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {R"(app.exe a b)", {"app.exe", "a", "b"}},
      {R"("C:\Program Files\x.exe" "a b" c)", {R"(C:\Program Files\x.exe)", "a b", "c"}},
      {R"(C:\x\app.exe "C:\dir\\" x)", {R"(C:\x\app.exe)", R"(C:\dir\)", "x"}},
      {R"(a \"q\" \\\"r)", {"a", R"("q")", R"(\"r)"}},
      {R"(a "x""y" "")", {"a", R"(x"y)", ""}},
      {R"(a b\c\\d)", {"a", R"(b\c\\d)"}},
      {"a\t b  ", {"a", "b"}},
      {"", {""}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(splitLikeWindowsPrograms(c.line), c.expected) << c.line;
}

} // namespace
} // namespace velmora
