#include "check/diagnosis.h"

#include "check/checked_roles.h"
#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

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
      {"the desktop's opener", R"(xdg-open "%P")", "v t", "starts xdg-open, which opens the file"},
      {"the shell's start", R"(cmd /c start "" "%P")", "v t", "starts cmd /c start"},
      {"Explorer", R"(C:\Windows\Explorer.EXE "%P")", "v t",
       "starts explorer, which opens the file with its type's default program: where velmora is "
       "that default (as \"Always use this app\" under \"Open with\" makes it)"},
      // Given the folder, or told to show the file in its folder, an opener opens no file.
      {"Explorer on the folder", R"(explorer.exe "%D")", "v t", ""},
      {"Explorer selecting the file", R"(explorer.exe /select,"%P")", "v t", ""},
      {"the desktop's opener on the folder", R"(xdg-open "%D")", "v t", ""},
      {"velmora itself", R"("C:\Tools\velmora.exe" "%P")", "v t", "starts velmora itself"},
      {"cmd running something else", R"(cmd /c type "%P")", "v t", ""},
  };
  for (const WarningCase &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    fake.profiles[kIni]["Path"]["default"] = c.commandTemplate;
    Diagnosis d = diagnose(fake, fake);
    if (*c.warning == '\0') {
      EXPECT_TRUE(d.warnings.empty()) << c.name << ": " << d.warnings.front();
    } else {
      ASSERT_EQ(d.warnings.size(), 1u) << c.name;
      EXPECT_NE(d.warnings[0].find(c.warning), std::string::npos)
          << c.name << ": " << d.warnings[0];
    }
  }
}

// Whatever key is held, each template is checked as if its own were, and each finding names
// the template.
TEST(Diagnosis, ChecksEveryTemplate) {
  using K = FindingKind;
  using S = ModifierSlot;
  struct Case {
    const char *label;
    FakeLocale locale;
    std::vector<std::pair<const char *, const char *>> templates; // key, template
    std::vector<std::pair<S, K>> found;
  };
  const Case cases[] = {
      {"one finding a template",
       FakeLocale::Western,
       {{"default", R"(app.exe "%P")"},
        {"shift", R"(xdg-open "%P")"},
        {"ctrl", R"(missing.exe "%P")"},
        {"X2", R"(app.exe %F)"}},
       {{S::Shift, K::Opener}, {S::Ctrl, K::ProgramMissing}, {S::X2, K::ForeignPlaceholder}}},
      // 81 leads a character in code page 932: its '%' fills nothing, and draws no advice
      // about quoting a placeholder that is not there.
      {"a '%' inside a character",
       FakeLocale::Japanese,
       {{"default", "app.exe \x81%P x"}, {"alt", "app.exe \x81%O5 \x81%F x"}},
       {{S::Default, K::PercentInsideCharacter},
        {S::Alt, K::PercentInsideCharacter},
        {S::Alt, K::PercentInsideCharacter}}},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(c.locale);
    fake.commandLineText = R"(v "C:\a b.txt")";
    for (const auto &[key, text] : c.templates)
      fake.profiles[kIni]["Path"][key] = text;
    std::vector<std::pair<S, K>> found;
    std::string all;
    for (const Finding &finding : diagnose(fake, fake).findings) {
      found.emplace_back(finding.slot.value_or(S::Default), finding.kind);
      all += "\n  " + finding.shown();
    }
    EXPECT_EQ(found, c.found) << c.label << all;
  }
}

// A web link is no file: the report says what velmora does with one.
TEST(Diagnosis, TellsALinkFromAFile) {
  const std::pair<const char *, bool> cases[] = {
      {R"(v "https://example.com/a b")", true},
      {"v svn+ssh://host/repo", true},
      {R"(v C:\docs\a.txt)", false},
      {"v ://nothing", false},
      {"v 1http://x", false},
  };
  for (const auto &[line, link] : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = line;
    fake.profiles[kIni]["Path"]["default"] = R"(app.exe "%P")";
    std::string report = formatReport(diagnose(fake, fake));
    EXPECT_EQ(report.find("(a link: %P hands it on as it stands") != std::string::npos, link)
        << line << "\n"
        << report;
  }
}

TEST(Diagnosis, NamesTheCodePageAndWhatItCouldNotCarry) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "v t";
  fake.profiles[kIni]["Path"]["default"] = "app.exe \"%P\"";
  fake.lostCharacters = true;
  Diagnosis d = diagnose(fake, fake);
  std::string report = formatReport(d);
  EXPECT_EQ(report.rfind("code page: 1252\n", 0), 0u) << report;
  ASSERT_EQ(d.warnings.size(), 1u);
  EXPECT_NE(d.warnings[0].find("velmora-utf8.exe"), std::string::npos) << d.warnings[0];
  fake.acp = 65001;
  EXPECT_EQ(formatReport(diagnose(fake, fake)).rfind("code page: 65001 (UTF-8)\n", 0), 0u);
}

TEST(Diagnosis, SettingsFileProblemsAndExitDecision) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "v t";
  fake.settingsExist = false;
  Diagnosis missing = diagnose(fake, fake);
  EXPECT_NE(missing.warnings.at(0).find("does not exist"), std::string::npos);
  EXPECT_FALSE(missing.wouldLaunch());

  fake.settingsExist = true;
  fake.settingsReadable = false;
  EXPECT_NE(diagnose(fake, fake).warnings.at(0).find("cannot be read"), std::string::npos);

  fake.commandLineText = "v";
  Diagnosis none = diagnose(fake, fake);
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
    Diagnosis d = diagnose(fake, fake);
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
  fake.settingsExist = false;
  std::string report = formatReport(diagnose(fake, fake));
  for (char byte : report)
    EXPECT_TRUE(byte == '\n' || static_cast<unsigned char>(byte) >= 0x20) << report;
  EXPECT_EQ(report.find("\nresult: velmora would start"), std::string::npos) << report;
  EXPECT_NE(report.find("\\x1B]0;owned\\x07"), std::string::npos) << report;

  // Control bytes end a token here, but DEL and the C1 controls do not. In code page 1252, C2
  // is a letter and 9B the 8-bit CSI.
  fake.commandLineText = "check --hold=\x7F\xC2\x9B"
                         "2J t";
  EXPECT_EQ(parseCheckOptions(fake, fake).error,
            "unknown key for --hold: \\x7F\xC2\\x9B2J (shift, ctrl, alt, x1, x2 or none)");
}

TEST(CheckOptions, OptionsComeFirstAndTheRestStaysByteForByte) {
  struct Case {
    const char *label;
    const char *commandLine;
    const char *velmoraLine;
    bool help;
    int hold; // -1: none given
    bool error;
    // An argument the host could not carry, as the host numbers it and as velmora would.
    int hostIndex = 0;
    int checkedIndex = 0;
  };
  const Case cases[] = {
      {"no options", R"(check a  "b c"  d)", R"(check a  "b c"  d)", false, -1, false, 2, 2},
      {"hold before the arguments", R"(check --hold=shift  /ini=x "t")", R"(check  /ini=x "t")",
       false, 1, false, 3, 2},
      {"two holds, the last wins", R"("C:\p\check.exe" --hold=none --hold=x2 t)",
       R"("C:\p\check.exe" t)", false, 5, false, 3, 1},
      {"help alone", "check --help", "check", true, -1, false},
      {"-h", "check -h", "check", true, -1, false},
      {"/? as on Windows", "check /?", "check", true, -1, false},
      {"-?", "check -? t", "check t", true, -1, false},
      {"the word help alone", "check help", "check help", true, -1, false},
      {"a file named help among others", "check -x help", "check -x help", false, -1, false},
      {"version", "check --version", "check", false, -1, false},
      {"a key's name in any case", "check --hold=Shift t", "check t", false, 1, false},
      {"velmora's own options stay", "check -x -y t", "check -x -y t", false, -1, false},
      {"unknown key", "check --hold=meta t", "check t", false, -1, true, 1, 1},
      {"unknown option", "check --frobnicate t", "check t", false, -1, true},
      {"an option after the file", "check t --help", "check t --help", false, -1, true},
      {"a hold after the file", "check t --hold=shift", "check t --hold=shift", false, -1, true},
      {"after -- nothing is an option", "check -- t --help", "check t --help", false, -1, false},
      // "--" ends the options, so a target that begins with "--" can be checked.
      {"-- ends the options", "check --hold=alt -- --odd.txt", "check --odd.txt", false, 3, false,
       3, 1},
      {"only the first -- is taken", "check -- -- x", "check -- x", false, -1, false},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(FakeLocale::Western);
    fake.commandLineText = c.commandLine;
    CheckOptions options = parseCheckOptions(fake, fake);
    EXPECT_EQ(options.commandLine, c.velmoraLine) << c.label;
    EXPECT_EQ(options.help, c.help) << c.label;
    EXPECT_EQ(options.hold ? static_cast<int>(*options.hold) : -1, c.hold) << c.label;
    EXPECT_EQ(!options.error.empty(), c.error) << c.label;
    if (c.hostIndex > 0) {
      fake.uncarried = UncarriedArgument{c.hostIndex, "x", "cannot be carried"};
      CheckedCommandSource command(fake, options);
      EXPECT_EQ(command.uncarriedArgument()->index, c.checkedIndex) << c.label;
    }
  }
}

TEST(CheckOptions, HoldStandsInForTheKeyboard) {
  FakePlatform fake;
  fake.heldKeys = {0x10};
  CheckOptions options;
  options.hold = ModifierSlot::X1;
  CheckedKeyState checked(fake, options.hold);
  EXPECT_GE(checked.keyState(0x10), 0);
  EXPECT_LT(checked.keyState(0x05), 0);
  // The platform keeps its own copy of the options.
  options.hold.reset();
  EXPECT_GE(checked.keyState(0x10), 0);
  CheckedKeyState unheld(fake, options.hold);
  EXPECT_LT(unheld.keyState(0x10), 0);
}

} // namespace
} // namespace velmora
