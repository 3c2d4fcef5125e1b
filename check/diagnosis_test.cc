#include "check/diagnosis.h"

#include "check/checked_platform.h"
#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class FakeCheck : public CheckPlatform {
public:
  bool exists = true, readable = true, lost = false;
  std::string missingProgram = "missing.exe";
  FileStatus settingsFile(const std::string &path) const override {
    return {path, exists, exists && readable, exists && !readable ? "no permission" : ""};
  }
  std::vector<std::string> splitLaunchCommand(const Platform &,
                                              const std::string &command) const override {
    return splitLikeWindowsPrograms(command);
  }
  // As if C:\Program.exe had been planted beside C:\Program Files.
  ProgramLookup findProgram(const std::string &, const std::string &first) const override {
    return {first, first == missingProgram ? "" : "C:\\bin\\" + first, first == "C:\\Program"};
  }
  std::optional<KeySource> keys = KeySource{"GetKeyState", ""};
  std::optional<KeySource> keySource() const override { return keys; }
  bool commandLineLostCharacters() const override { return lost; }
  void print(const std::string &) const override {}
  void holdWindowOpen() const override {}
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
      {"unquoted program path with a space", R"(C:\Program Files\x.exe "%P")", "v t",
       "not inside quotation marks and holds a space"},
      {"quoted program path with a space", R"("C:\Program Files\x.exe" "%P")", "v t", ""},
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

TEST(Diagnosis, NamesTheCodePageAndWhatItCouldNotCarry) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "v t";
  fake.profiles[kIni]["Path"]["default"] = "app.exe \"%P\"";
  FakeCheck check;
  check.lost = true;
  Diagnosis d = diagnose(fake, check);
  std::string report = formatReport(d);
  EXPECT_EQ(report.rfind("code page: 1252\n", 0), 0u) << report;
  ASSERT_EQ(d.warnings.size(), 1u);
  EXPECT_NE(d.warnings[0].find("velmora-utf8.exe"), std::string::npos) << d.warnings[0];
  fake.acp = 65001;
  EXPECT_EQ(formatReport(diagnose(fake, FakeCheck())).rfind("code page: 65001 (UTF-8)\n", 0), 0u);
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

// What velmora decides on the way, and why, is shown beside the warnings about the template.
TEST(Diagnosis, ReportsTheDecisionsThatStartNothingOrAnotherFile) {
  struct Case {
    const char *name;
    const char *commandLine;
    int moduleResult;
    std::optional<UncarriedArgument> uncarried;
    const char *warning;
    bool wouldLaunch;
  };
  const Case cases[] = {
      {"option that is the target", R"(v /ini=C:\s.ini)", -1, {}, "only argument", true},
      {"program path cut", "v t", 261, {}, "could not be had whole", false},
      {"argument not carried", "v t", -1, UncarriedArgument{1, "\"", "holds a quotation mark"},
       "status 1", false},
      {"doubling arguments",
       "v %O2%O2 %O3%O3 %O4%O4 %O5%O5 %O6%O6 %O7%O7 %O8%O8 %O9%O9 t",
       -1,
       {},
       "longer than process creation takes",
       false},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    fake.moduleResult = c.moduleResult;
    fake.uncarried = c.uncarried;
    fake.commandBytes = 500;
    fake.profiles[kIni]["Path"]["default"] = "app.exe \"%P\" %O1";
    FakeCheck check;
    Diagnosis d = diagnose(fake, check);
    bool found = false;
    for (const std::string &warning : d.warnings)
      found = found || warning.find(c.warning) != std::string::npos;
    EXPECT_TRUE(found) << c.name << ": " << ::testing::PrintToString(d.warnings);
    EXPECT_EQ(d.wouldLaunch(), c.wouldLaunch) << c.name;
    EXPECT_NE(formatReport(d).find(c.warning), std::string::npos) << c.name;
  }
}

// File names, settings values and option values are whatever someone made them: no byte of
// them reaches the terminal as a control byte, and none can start a line of its own.
TEST(Diagnosis, TheReportCarriesNoControlBytes) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  const std::string hostile = "\x1B]0;owned\x07\x1B[2J\nresult: velmora would start this command";
  fake.commandLineText = "v \"/ini=C:\\" + hostile + ".ini\" \"" + hostile + "\" t";
  fake.profiles["C:\\" + hostile + ".ini"]["Path"]["default"] = "missing.exe %P " + hostile;
  FakeCheck check;
  check.exists = false;
  std::string report = formatReport(diagnose(fake, check));
  for (char byte : report)
    EXPECT_TRUE(byte == '\n' || static_cast<unsigned char>(byte) >= 0x20) << report;
  EXPECT_EQ(report.find("\nresult: velmora would start"), std::string::npos) << report;
  EXPECT_NE(report.find("\\x1B]0;owned\\x07"), std::string::npos) << report;

  // Control bytes end a token here, but DEL and the C1 controls do not. In code page 1252, C2
  // is a letter and 9B the 8-bit CSI.
  fake.commandLineText = "check --hold=\x7F\xC2\x9B"
                         "2J t";
  EXPECT_EQ(parseCheckOptions(fake).error, "unknown key for --hold: \\x7F\xC2\\x9B2J");
}

TEST(CheckOptions, OptionsComeFirstAndTheRestStaysByteForByte) {
  struct Case {
    const char *label;
    const char *commandLine;
    const char *velmoraLine;
    bool help;
    int hold; // -1: none given
    bool error;
  };
  const Case cases[] = {
      {"no options", R"(check a  "b c"  d)", R"(check a  "b c"  d)", false, -1, false},
      {"hold before the arguments", R"(check --hold=shift  /ini=x "t")", R"(check  /ini=x "t")",
       false, 1, false},
      {"two holds, the last wins", R"("C:\p\check.exe" --hold=none --hold=x2 t)",
       R"("C:\p\check.exe" t)", false, 5, false},
      {"help alone", "check --help", "check", true, -1, false},
      {"unknown key", "check --hold=meta t", "check t", false, -1, true},
      {"unknown option", "check --frobnicate t", "check t", false, -1, true},
      {"options only before the first argument", "check t --help", "check t --help", false, -1,
       false},
      // "--" ends the options, so a target that begins with "--" can be checked.
      {"-- ends the options", "check --hold=alt -- --odd.txt", "check --odd.txt", false, 3, false},
      {"only the first -- is taken", "check -- -- x", "check -- x", false, -1, false},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    CheckOptions options = parseCheckOptions(fake);
    EXPECT_EQ(options.commandLine, c.velmoraLine) << c.label;
    EXPECT_EQ(options.help, c.help) << c.label;
    EXPECT_EQ(options.hold ? static_cast<int>(*options.hold) : -1, c.hold) << c.label;
    EXPECT_EQ(!options.error.empty(), c.error) << c.label;
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
  // The platform keeps its own copy of the options.
  options.hold.reset();
  EXPECT_GE(checked.keyState(0x10), 0);
  CheckedPlatform unheld(fake, options);
  EXPECT_LT(unheld.keyState(0x10), 0);
}

TEST(WindowsSplit, FollowsTheCRuntimeRules) {
  struct Case {
    const char *label;
    const char *line;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"plain words", R"(app.exe a b)", {"app.exe", "a", "b"}},
      {"quoted program and argument",
       R"("C:\Program Files\x.exe" "a b" c)",
       {R"(C:\Program Files\x.exe)", "a b", "c"}},
      {"two backslashes before a quotation mark",
       R"(C:\x\app.exe "C:\dir\\" x)",
       {R"(C:\x\app.exe)", R"(C:\dir\)", "x"}},
      {"escaped quotation marks", R"(a \"q\" \\\"r)", {"a", R"("q")", R"(\"r)"}},
      {"doubled quotation mark inside quotes", R"(a "x""y" "")", {"a", R"(x"y)", ""}},
      {"backslashes not before a quotation mark", R"(a b\c\\d)", {"a", R"(b\c\\d)"}},
      {"tabs and trailing blanks", "a\t b  ", {"a", "b"}},
      {"empty line", "", {""}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(splitLikeWindowsPrograms(c.line), c.expected) << c.label;
}

} // namespace
} // namespace velmora
