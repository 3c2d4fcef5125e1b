#include "launcher/template_expansion.h"

#include "launcher/argument_passes_reference.h"
#include "testing/fake_platform.h"
#include "text/argument_list.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// The "%O" passes on the fake's command line, checked against the rule written out pass by
// pass: the same command, or a stop that the replacements earned (more brought in than four
// times the command, the arguments and the limit).
std::optional<std::string> passes(const FakePlatform &fake, const std::string &command,
                                  bool settingsOption, size_t limit = SIZE_MAX,
                                  bool *stopped = nullptr) {
  ArgumentList arguments(fake, fake);
  bool stop = false;
  std::optional<std::string> fast =
      substituteArguments(command, arguments, settingsOption, limit, &stop);
  std::vector<std::string> all = arguments.allArguments();
  ReferencePasses plain = substituteArgumentsPassByPass(fake, command, all, settingsOption, limit);
  if (stop) {
    size_t budget = limit + command.size();
    for (const std::string &argument : all)
      budget += argument.size();
    EXPECT_GT(plain.broughtIn, 4 * budget) << command;
    EXPECT_FALSE(fast) << command;
  } else {
    EXPECT_EQ(fast, plain.command) << command;
  }
  if (stopped != nullptr)
    *stopped = stop;
  return fast;
}

TEST(TemplateExpansion, FirstStageFillsEitherDirectoryOrPath) {
  struct Case {
    const char *label, *commandTemplate, *target, *expected;
  };
  const Case cases[] = {
      {"path, unquoted", "notepad.exe %P", R"(C:\a b\x.txt)", R"(notepad.exe C:\a b\x.txt)"},
      {"path, quoted, lower case", "notepad.exe \"%p\"", R"(C:\a b\x.txt)",
       R"(notepad.exe "C:\a b\x.txt")"},
      {"folder", "explorer.exe %d", R"(C:\dir\file.txt)", R"(explorer.exe C:\dir)"},
      {"folder of a file in the root", "%D", R"(C:\report.txt)", "C:"},
      {"%P beside %D stays", "tool %D %P", R"(C:\dir\f)", R"(tool C:\dir %P)"},
      {"folder of a bare name is empty", "cd %D", "file.txt", "cd "},
      {"folder of a root file is empty", "cd %D", R"(\file)", "cd "},
      {"target ending in a backslash", "cd %D", R"(C:\dir\)", R"(cd C:\dir)"},
      {"empty template", "", R"(C:\x)", ""},
      {"no placeholder", "plain", R"(C:\x)", "plain"},
      {"the option's text as target", "%P", "/ini=D:\\s.ini", "/ini=D:\\s.ini"},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases)
    EXPECT_EQ(expandTemplate(fake, c.commandTemplate, c.target), c.expected) << c.label;
}

TEST(TemplateExpansion, DirectoryCutRespectsDoubleByteCharacters) {
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  // 表 is 95 5C in code page 932: its second byte is not a backslash.
  EXPECT_EQ(expandTemplate(fake, "x %D", "C:\\docs\\\x95\x5C.txt"), "x C:\\docs");
  EXPECT_EQ(expandTemplate(fake, "x %D", "C:\\\x95\x5C\\a.txt"), "x C:\\\x95\x5C");
  EXPECT_EQ(expandTemplate(fake, "x %D", "\x95\x5C"), "x ");
  fake.activate(FakeLocale::Western);
  EXPECT_EQ(expandTemplate(fake, "x %D", "C:\\docs\\\x95\x5C.txt"), "x C:\\docs\\\x95");
}

TEST(TemplateExpansion, DirectoryCutUsesThePlatformSeparator) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.separator = '/';
  EXPECT_EQ(expandTemplate(fake, "cd %D", "/home/u/a b.txt"), "cd /home/u");
  EXPECT_EQ(expandTemplate(fake, "cd %D", R"(C:\x\y)"), "cd ");
  fake.activate(FakeLocale::Japanese);
  fake.delimitersAreBytes = true;
  EXPECT_EQ(expandTemplate(fake, "cd %D", "docs/\x95/r.pdf"), "cd docs/\x95");
}

TEST(TemplateExpansion, SecondStageReplacesPassByPass) {
  struct Case {
    const char *label;
    const char *commandLine;
    bool settingsOption;
    const char *command, *expected;
  };
  const Case cases[] = {
      {"arguments in another order", R"(p -x -y C:\f)", false, R"(app %O2 %O1 C:\f)",
       R"(app -y -x C:\f)"},
      {"the option is no argument", R"(p /ini=D:\s.ini -x C:\f)", true, R"(app %O1 %O2 C:\f)",
       R"(app -x %O2 C:\f)"},
      {"option and target only: no pass", R"(p /ini=D:\s.ini C:\f)", true, "app %O1", "app %O1"},
      {"target only: no pass", R"(p C:\f)", false, "app %O1", "app %O1"},
      {"%O10 is taken by pass 1", "p a b c d e f g h i j k", false, "%O10 %O1", "a0 a"},
      {"a later pass sees what an earlier one brought", "p %O2 two t", false, "%O1", "two"},
      {"the target's text is searched too", R"(p -n C:\%O1.txt)", false, R"(e C:\%O1.txt)",
       R"(e C:\-n.txt)"},
      {"any case, no leading zero", "p -a -b t", false, "%o1 %O01 %O3", "-a %O01 %O3"},
      {"empty template", "p a t", false, "", ""},
      // Placeholders that form across what a pass brought in, and when they may be taken.
      {"a '%' before the place", "p O2 x t", false, "%%O1", "x"},
      {"\"%O\" before the place", "p 2 y t", false, "%O%O1", "y"},
      {"\"%O\" at the end of an argument", "p %O z t", false, "%O12", "z"},
      {"digits that read on", "p 5 b c t", false, "%O3%O1", "c5"},
      {"a placeholder brought in after its pass", "p a %O1x t", false, "%O2", "%O1x"},
      {"a placeholder completed after its pass", "p %O b 2 t", false, "%O1%O3", "%O2"},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(passes(fake, c.command, c.settingsOption), c.expected) << c.label;
  }
}

// Arguments that multiply a placeholder and then chain it would make every pass replace each
// copy: the passes stop once the text brought in outweighs four times what came in and what may
// go out, and nothing is started. A long chain alone stays well within that.
TEST(TemplateExpansion, ReplacementsWithoutMeasureStop) {
  std::string multiplied, chained;
  for (int i = 0; i < 400; ++i)
    multiplied += "%O2 ";
  for (int n = 3; n <= 3000; ++n)
    chained += " %O" + std::to_string(n);
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  struct Case {
    const char *label;
    std::string commandLine;
    std::optional<std::string> result;
    bool stopped;
  };
  const Case cases[] = {
      {"multiplied, then chained", "p \"" + multiplied + "\"" + chained + " end t", std::nullopt,
       true},
      {"chained alone", "p %O2" + chained + " end t", "end", false},
  };
  for (const Case &c : cases) {
    fake.commandLineText = c.commandLine;
    bool stopped = false;
    EXPECT_EQ(passes(fake, "%O1", false, 131071, &stopped), c.result) << c.label;
    EXPECT_EQ(stopped, c.stopped) << c.label;
  }
}

TEST(TemplateExpansion, APercentThatIsHalfACharacterBeginsNoPlaceholder) {
  struct Case {
    const char *label, *commandLine, *command, *expected;
  };
  // In code page 932, 81 and 95 lead a character: the byte after them is its second half.
  const Case cases[] = {
      {"in the template", "p -x t", "a\x81%O1 %O1", "a\x81%O1 -x"},
      {"after a whole character", "p -x t", "\x81\x81%O1", "\x81\x81-x"},
      {"brought in by a pass", "p \x95%O2 y t", "%O1 %O2", "\x95%O2 y"},
      {"the same bytes as characters of their own", "p \x95\x95%O2 y t", "%O1", "\x95\x95y"},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  for (const Case &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(passes(fake, c.command, false), c.expected) << c.label;
  }
}

} // namespace
} // namespace velmora
