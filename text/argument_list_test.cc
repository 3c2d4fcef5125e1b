#include "text/argument_list.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmora {
namespace {

std::vector<std::string> entries(const FakePlatform &fake) {
  ArgumentList arguments(fake, fake);
  std::vector<std::string> result;
  int32_t count = arguments.argumentCount();
  for (int32_t i = 1; i <= count; ++i)
    result.push_back(arguments.argumentAt(i));
  return result;
}

struct SplitCase {
  const char *label;
  const char *commandLine;
  std::vector<std::string> expected;
};

TEST(ArgumentList, SplitsByQuotingRules) {
  const SplitCase cases[] = {
      {"three arguments, one quoted", R"(p a "b c" d)", {"a", "b c", "d"}},
      {"quoted then unquoted", R"(p "a"b)", {"ab"}},
      {"quoted run inside a word", R"(p a"b c"d)", {"ab cd"}},
      {"two quoted runs touching", R"(p "a""b")", {"ab"}},
      {"an empty pair is no argument", R"(p "")", {}},
      {"an empty pair between arguments", R"(p a "" b)", {"a", "b"}},
      {"an empty pair before a word", R"(p ""a)", {"a"}},
      {"two empty pairs", R"(p "" "" x)", {"x"}},
      {"three quotation marks", R"(p """)", {}},
      {"three quotation marks, then a word", R"(p """ y)", {" y"}},
      {"a lone quotation mark at the end", R"(p x ")", {"x"}},
      {"a lone quotation mark, then a space", R"(p x " )", {"x", " "}},
      {"unterminated quoted run", R"(p "unterminated text)", {"unterminated text"}},
      {"backslash before a quotation mark", R"(p "C:\dir\" x)", {R"(C:\dir\)", "x"}},
      {"backslash-quote inside a word", R"(p C:\a\"b c"\d)", {R"(C:\a\b c\d)"}},
      {"no argument", "p", {}},
      {"only blanks", "p \t  \t", {}},
      {"tabs separate", "p\t a\tb", {"a", "b"}},
      {"DEL is no separator", "p \x7F", {"\x7F"}},
      {"control bytes separate",
       "p a\x01\x1F\x0D\x0A"
       "b",
       {"a", "b"}},
      {"quoted program path", R"("C:\Program Files\t\p.exe" one two)", {"one", "two"}},
      {"empty command line", "", {}},
      {"only spaces", "   ", {}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const SplitCase &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(entries(fake), c.expected) << c.label;
    EXPECT_EQ(ArgumentList(fake, fake).argumentCount(), static_cast<int32_t>(c.expected.size()))
        << c.label;
  }
}

TEST(ArgumentList, DoubleByteCharactersHideSeparatorsAndQuotes) {
  const SplitCase cases[] = {
      // A lead byte takes the space after it as its second byte.
      {"lead byte takes a space", "p \x81 x", {"\x81 x"}},
      // ... and a quotation mark, which then opens no quoted section.
      {"lead byte takes a quotation mark", "p \x81\" x", {"\x81\"", "x"}},
      {"lead byte takes a closing quotation mark", "p \"\x81\" x\"", {"\x81\" x"}},
      // A lead byte before the terminating NUL is a character of one byte.
      {"lead byte before the end", "p a \x81", {"a", "\x81"}},
      {"trail byte 5C inside quotes", "p \"\x95\x5C\" b", {"\x95\x5C", "b"}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  for (const SplitCase &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(entries(fake), c.expected) << c.label;
  }
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "p \x81 x";
  EXPECT_EQ(entries(fake), (std::vector<std::string>{"\x81", "x"}));
}

TEST(ArgumentList, EntryZeroIsTheModulePath) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "velmora a";
  fake.modulePath = R"(C:\Tools\velmora.exe)";
  ArgumentList arguments(fake, fake);
  EXPECT_EQ(arguments.argumentAt(0), R"(C:\Tools\velmora.exe)");

  fake.moduleResult = 0; // a failed call
  EXPECT_EQ(arguments.argumentAt(0), "");

  // Longer than the capacity: exactly the count the call reports.
  fake.moduleResult = -1;
  fake.modulePath = "C:\\" + std::string(300, 'x');
  EXPECT_EQ(arguments.argumentAt(0), fake.modulePath.substr(0, 261));
}

TEST(ArgumentList, IndexesWithoutArgumentGiveEmptyText) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "p a b";
  ArgumentList arguments(fake, fake);
  for (int32_t index : {3, 1000, -1, -1000, INT32_MIN})
    EXPECT_EQ(arguments.argumentAt(index), "") << index;
  EXPECT_EQ(arguments.argumentAt(2), "b");
}

// argumentCount, argumentAt and allArguments walk the line each in their own way; they must
// agree on every line, and follow a line that changes between requests.
TEST(ArgumentList, EveryWayOfAskingGivesTheSameArguments) {
  struct Case {
    const char *label;
    FakeLocale locale;
    const char *line;
  };
  const Case cases[] = {
      {"plain", FakeLocale::Western, "p a b"},
      {"quoted and empty", FakeLocale::Western, "p \"a b\" \"\" c\"d e\"f"},
      {"blanks around", FakeLocale::Western, "  p\t a \x01 b  "},
      {"program alone", FakeLocale::Western, "p"},
      {"quotation mark as a trail byte", FakeLocale::Japanese, "p \x81\" x \"\x95\\\" y"},
      {"lead byte at the end", FakeLocale::Japanese, "p a \x81"},
  };
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.activate(c.locale);
    fake.commandLineText = c.line;
    ArgumentList arguments(fake, fake);
    std::vector<std::string> all = arguments.allArguments();
    ASSERT_EQ(arguments.argumentCount(), static_cast<int32_t>(all.size())) << c.label;
    for (size_t i = 0; i < all.size(); ++i)
      EXPECT_EQ(arguments.argumentAt(static_cast<int32_t>(i + 1)), all[i]) << c.label << " " << i;
    EXPECT_EQ(arguments.argumentAt(static_cast<int32_t>(all.size() + 1)), "") << c.label;
    // A lead byte at the end takes the blank after it: the line reads on as one argument.
    fake.commandLineText = std::string(c.line) + " tail";
    EXPECT_EQ(arguments.allArguments().back(), arguments.argumentAt(arguments.argumentCount()))
        << c.label;
    EXPECT_EQ(
        arguments.argumentCount(),
        static_cast<int32_t>(all.size()) +
            (c.locale == FakeLocale::Japanese && std::string(c.line).back() == '\x81' ? 0 : 1))
        << c.label;
  }
}

TEST(ArgumentList, NextArgumentReturnsWhereTheNextCallBegins) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  const char *text = "ab  \"c d\"e f";
  ArgumentToken first = nextArgument(fake, text, 0);
  EXPECT_EQ(first.token, "ab");
  EXPECT_EQ(first.position, 2u); // the separator is not consumed
  ArgumentToken second = nextArgument(fake, text, first.position);
  EXPECT_EQ(second.token, "c de");
  EXPECT_EQ(second.position, 10u);
  EXPECT_EQ(splitCommandLine(fake, text), (std::vector<std::string>{"ab", "c de", "f"}));
}

TEST(ArgumentList, TheArgumentHoldingAUnitOfAWideCommandLine) {
  struct Case {
    const wchar_t *line;
    size_t at;
    int index;
    const wchar_t *text;
  };
  const Case cases[] = {
      {L"\"C:\\v.exe\" a \"b \u0142 c\" d", 16, 2, L"b \u0142 c"},
      {L"v.exe \"\"  \u0142", 10, 1, L"\u0142"}, // "" where an argument starts is a blank
      {L"C:\\\u0142\\v.exe t", 3, 0, L"C:\\\u0142\\v.exe"},
      {L"v.exe a\tb ", 8, 2, L"b"},
  };
  for (const Case &c : cases) {
    std::wstring text;
    EXPECT_EQ(argumentHoldingUnit(c.line, c.at, text), c.index) << c.at;
    EXPECT_EQ(text, c.text) << c.at;
  }
}

} // namespace
} // namespace velmora
