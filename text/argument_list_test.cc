#include "text/argument_list.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmora {
namespace {

std::vector<std::string> entries(const FakePlatform &fake) {
  ArgumentList arguments(fake);
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
    EXPECT_EQ(ArgumentList(fake).argumentCount(), static_cast<int32_t>(c.expected.size()))
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
  ArgumentList arguments(fake);
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
  ArgumentList arguments(fake);
  for (int32_t index : {3, 1000, -1, -1000, INT32_MIN})
    EXPECT_EQ(arguments.argumentAt(index), "") << index;
  EXPECT_EQ(arguments.argumentAt(2), "b");
}

TEST(ArgumentList, NothingIsCached) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.commandLineText = "p a";
  ArgumentList arguments(fake);
  EXPECT_EQ(arguments.argumentAt(1), "a");
  fake.commandLineText = "p b c";
  EXPECT_EQ(arguments.argumentCount(), 2);
  EXPECT_EQ(arguments.argumentAt(1), "b");
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

} // namespace
} // namespace velmora
