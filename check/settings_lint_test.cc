#include "check/settings_lint.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

// `count` lines "x" after [Path], then a misspelt key: what the linter says of them.
std::vector<std::string> bareLinesFindings(int count) {
  std::vector<std::string> findings;
  for (int line = 2; line < 2 + std::min(count, 20); ++line)
    findings.push_back("line " + std::to_string(line) + ": \"x\" is no setting");
  if (count > 20)
    findings.push_back("... and " + std::to_string(count - 20) + " more of this kind");
  findings.push_back("did you mean \"shift\"");
  return findings;
}

std::string bareLines(int count) {
  std::string text = "[Path]\n";
  for (int i = 0; i < count; ++i)
    text += "x\n";
  return text + "shfit=y\n";
}

TEST(SettingsLint, NamesEachMistakeWithItsLineAndFix) {
  struct Case {
    const char *label;
    std::string bytes;
    std::string readDefault;           // what the reader gave for "default"
    std::vector<std::string> findings; // a part of each finding expected, in order
  };
  const Case cases[] = {
      {"clean", "[Path]\r\ndefault=notepad.exe \"%P\"\r\n", "notepad.exe \"%P\"", {}},
      {"comments, blanks, case",
       "; x\r\n\r\n[path]\r\n  DEFAULT = a %p %O1 %d\r\n",
       "a %p %O1 %d",
       {}},
      {"quoted whole value",
       "[Path]\r\ndefault=\"C:\\Program Files\\w.exe\" \"%P\"\r\n",
       "C:\\Program Files\\w.exe\" \"%P",
       {"line 2: the settings reader takes off the quotation marks around the whole value, so "
        "velmora gets this: C:\\Program Files\\w.exe\" \"%P To keep them, write the value in one "
        "more pair: default=\"\"C:\\Program Files\\w.exe\" \"%P\"\""}},
      {"written in one more pair",
       "[Path]\ndefault=\"\"C:\\w.exe\" \"%P\"\"\n",
       "\"C:\\w.exe\" \"%P\"",
       {}},
      {"single quotes too", "[Path]\ndefault='a' 'b'\n", "a' 'b", {"default=\"'a' 'b'\""}},
      {"near miss of the section",
       "[Paths]\ndefault=x\n",
       "",
       {"line 1: velmora reads no section [Paths]; did you mean [Path]?",
        "the file has no [Path] section, so every template is empty"}},
      {"another section", "[Other]\n[Path]\n", "", {"no section [Other]: its templates go under"}},
      {"near miss of a key",
       "[Path]\nshfit=x\n",
       "",
       {"line 2: velmora reads no key \"shfit\"; did you mean \"shift\"?"}},
      {"unknown key", "[Path]\nmiddle=x\n", "", {"its keys are default, shift, ctrl, alt, X1"}},
      {"key before any section",
       "default=x\n[Path]\n",
       "",
       {"line 1: \"default\" stands before any section"}},
      {"line without '='", "[Path]\ndefault x\n", "", {"line 2: \"default x\" is no setting"}},
      {"written twice",
       "[Path]\ndefault=a\nDefault=b\n",
       "a",
       {"line 3: \"Default\" is written twice, here and on line 2: the reader takes the first"}},
      {"second [Path]",
       "[Path]\n[Other]\n[PATH]\nctrl=x\n",
       "",
       {"no section [Other]", "line 3: a second [Path]: the reader searches only the first, on "
                              "line 1"}},
      {"%F from desktop entries",
       "[Path]\ndefault=gedit %F\n",
       "gedit %F",
       {"line 2: %F is no placeholder of velmora's and stays as written: the file is %P"}},
      {"%1 from associations", "[Path]\ndefault=w.exe \"%1\"\n", "w.exe \"%1\"", {"%1 is no"}},
      {"%u", "[Path]\ndefault=x %u\n", "x %u", {"%u is no placeholder"}},
      {"%L", "[Path]\ndefault=x %L\n", "x %L", {"the file is %P"}},
      {"%X",
       "[Path]\ndefault=x %X\n",
       "x %X",
       {"%X is no placeholder of velmora's and stays as written (velmora knows"}},
      {"%O alone", "[Path]\ndefault=x %O\n", "x %O", {"%O without a number"}},
      {"environment variable",
       "[Path]\ndefault=%USERPROFILE%\\x.exe\n",
       "%USERPROFILE%\\x.exe",
       {"%USERPROFILE% stays as written: velmora expands no environment variables"}},
      {"UTF-8 mark the reader kept",
       "\xEF\xBB\xBF[Path]\r\ndefault=x\r\n",
       "",
       {"line 1: the file begins with a UTF-8 byte-order mark"}},
      {"UTF-8 mark the reader skipped", "\xEF\xBB\xBF[Path]\r\ndefault=x\r\n", "x", {}},
      {"UTF-16 with its mark",
       std::string("\xFF\xFE[\0P\0a\0t\0h\0]\0\n\0d\0e\0f\0a\0u\0l\0t\0=\0x\0", 34),
       "x",
       {}},
      {"UTF-16 without its mark",
       std::string("[\0P\0a\0t\0h\0]\0", 12),
       "",
       {"the file holds NUL bytes, as UTF-16 text without its byte-order mark does"}},
      // A mistake on every line is told twenty times, then counted, in its place.
      {"twenty of a kind", bareLines(20), "", bareLinesFindings(20)},
      {"more than twenty of a kind", bareLines(5000), "", bareLinesFindings(5000)},
      {"reader and lines disagree",
       "[Path]\ndefault=x\n",
       "y",
       {"line 2: the reader gave velmora \"y\" for default, not what the line says."}},
  };
  for (const Case &c : cases) {
    TemplateSet read;
    read.of(ModifierSlot::Default) = c.readDefault;
    std::vector<std::string> findings = lintSettings(c.bytes, read);
    std::string all;
    for (const std::string &finding : findings)
      all += "\n  " + finding;
    ASSERT_EQ(findings.size(), c.findings.size()) << c.label << all;
    for (size_t i = 0; i < findings.size(); ++i)
      EXPECT_NE(findings[i].find(c.findings[i]), std::string::npos) << c.label << all;
  }
}

TEST(SettingsLint, NearestNameTakesOnlyLikelySlips) {
  const std::vector<std::string> keys = {"default", "shift", "ctrl", "alt", "X1", "X2"};
  struct Case {
    const char *word, *nearest;
  };
  const Case cases[] = {{"shfit", "shift"},     {"Shift", "shift"}, {"contrl", "ctrl"},
                        {"defualt", "default"}, {"x3", "X1"},       {"alt2", "alt"},
                        {"editor", ""},         {"a", ""},          {"", ""}};
  for (const Case &c : cases)
    EXPECT_EQ(nearestName(c.word, keys), c.nearest) << c.word;
}

} // namespace
} // namespace velmora
