#include "check/settings_lint.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

using K = FindingKind;
using Found = std::vector<std::pair<K, int>>; // kind and line of each finding, in order

// `count` lines "x" after [Path], then a misspelt key: twenty told, then counted, in place.
std::string bareLines(int count) {
  std::string text = "[Path]\n";
  for (int i = 0; i < count; ++i)
    text += "x\n";
  return text + "shfit=y\n";
}

Found bareLinesFound(int count) {
  Found found;
  for (int line = 2; line < 2 + std::min(count, 20); ++line)
    found.emplace_back(K::NoSetting, line);
  if (count > 20)
    found.emplace_back(K::NoSetting, 0);
  found.emplace_back(K::UnknownKey, count + 2);
  return found;
}

TEST(SettingsLint, NamesEachMistakeWithItsLine) {
  struct Case {
    const char *label;
    std::string bytes;
    std::string readDefault; // what the reader gave for "default"
    Found found;
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
       {{K::OuterQuotes, 2}}},
      {"written in one more pair",
       "[Path]\ndefault=\"\"C:\\w.exe\" \"%P\"\"\n",
       "\"C:\\w.exe\" \"%P\"",
       {}},
      {"single quotes too", "[Path]\ndefault='a' 'b'\n", "a' 'b", {{K::OuterQuotes, 2}}},
      {"near miss of the section",
       "[Paths]\ndefault=x\n",
       "",
       {{K::UnknownSection, 1}, {K::NoPathSection, 0}}},
      {"another section", "[Other]\n[Path]\n", "", {{K::UnknownSection, 1}}},
      {"near miss of a key", "[Path]\nshfit=x\n", "", {{K::UnknownKey, 2}}},
      {"key before any section", "default=x\n[Path]\n", "", {{K::BeforeSection, 1}}},
      {"line without '='", "[Path]\ndefault x\n", "", {{K::NoSetting, 2}}},
      {"written twice", "[Path]\ndefault=a\nDefault=b\n", "a", {{K::WrittenTwice, 3}}},
      {"second [Path]",
       "[Path]\n[Other]\n[PATH]\nctrl=x\n",
       "",
       {{K::UnknownSection, 2}, {K::SecondPath, 3}}},
      {"UTF-8 mark the reader kept", "\xEF\xBB\xBF[Path]\r\ndefault=x\r\n", "", {{K::Utf8Mark, 1}}},
      {"UTF-8 mark the reader skipped", "\xEF\xBB\xBF[Path]\r\ndefault=x\r\n", "x", {}},
      {"UTF-16 with its mark",
       std::string("\xFF\xFE[\0P\0a\0t\0h\0]\0\n\0d\0e\0f\0a\0u\0l\0t\0=\0x\0", 34),
       "x",
       {}},
      {"UTF-16 without its mark", std::string("[\0P\0a\0t\0h\0]\0", 12), "", {{K::NulBytes, 0}}},
      {"reader and lines disagree", "[Path]\ndefault=x\n", "y", {{K::ReaderDiffers, 2}}},
      {"twenty of a kind", bareLines(20), "", bareLinesFound(20)},
      {"more than twenty of a kind", bareLines(5000), "", bareLinesFound(5000)},
  };
  for (const Case &c : cases) {
    TemplateSet read;
    read.of(ModifierSlot::Default) = c.readDefault;
    Found found;
    std::string all;
    for (const Finding &finding : lintSettings(c.bytes, read).findings) {
      found.emplace_back(finding.kind, finding.line);
      all += "\n  " + finding.shown();
    }
    EXPECT_EQ(found, c.found) << c.label << all;
  }
}

// The sentences that carry a fix, as people read them.
TEST(SettingsLint, SaysWhatToWrite) {
  struct Case {
    std::string bytes, readDefault, shown;
  };
  const Case cases[] = {
      {"[Path]\r\ndefault=\"C:\\Program Files\\w.exe\" \"%P\"\r\n",
       "C:\\Program Files\\w.exe\" \"%P",
       "line 2: the settings reader takes off the quotation marks around the whole value, so "
       "velmora gets this: C:\\Program Files\\w.exe\" \"%P To keep them, write the value in one "
       "more pair: default=\"\"C:\\Program Files\\w.exe\" \"%P\"\""},
      {"[Paths]\n", "", "line 1: velmora reads no section [Paths]; did you mean [Path]?"},
      {"[Path]\nshfit=x\n", "", "line 2: velmora reads no key \"shfit\"; did you mean \"shift\"?"},
      {"[Path]\ndefault=a\nDefault=b\n", "a",
       "line 3: \"Default\" is written twice, here and on line 2: the reader takes the first, on "
       "line 2."},
      {bareLines(25), "", "... and 5 more of this kind"},
  };
  for (const Case &c : cases) {
    TemplateSet read;
    read.of(ModifierSlot::Default) = c.readDefault;
    std::vector<std::string> shown;
    for (const Finding &finding : lintSettings(c.bytes, read).findings)
      shown.push_back(finding.shown());
    EXPECT_NE(std::find(shown.begin(), shown.end(), c.shown), shown.end()) << c.shown;
  }
}

TEST(SettingsLint, KnowsTheLineOfEachTemplate) {
  SettingsLint lint =
      lintSettings("default=0\n[Path]\nshift='x'\nshift=y\n[Other]\nctrl=z\n[Path]\nalt=w\n", {});
  EXPECT_EQ(lint.lines, (std::array<int, kSlotCount>{0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(lint.outerQuotes,
            (std::array<bool, kSlotCount>{false, true, false, false, false, false}));
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
