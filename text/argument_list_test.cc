#include "text/argument_list.h"

#include "platform/fake_platform.h"

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
  const char *commandLine;
  std::vector<std::string> expected;
};

TEST(ArgumentList, SplitsByQuotingRules) {
  const SplitCase cases[] = {
      {R"(p a "b c" d)", {"a", "b c", "d"}},
      {R"(p "a"b)", {"ab"}},
      {R"(p a"b c"d)", {"ab cd"}},
      {R"(p "a""b")", {"ab"}},
      {R"(p "")", {}},
      {R"(p a "" b)", {"a", "b"}},
      {R"(p ""a)", {"a"}},
      {R"(p "" "" x)", {"x"}},
      {R"(p """)", {}},
      {R"(p """ y)", {" y"}},
      {R"(p x ")", {"x"}},
      {R"(p x " )", {"x", " "}},
      {R"(p "unterminated text)", {"unterminated text"}},
      {R"(p "C:\dir\" x)", {R"(C:\dir\)", "x"}},
      {R"(p C:\a\"b c"\d)", {R"(C:\a\b c\d)"}},
      {"p", {}},
      {"p \t  \t", {}},
      {"p\t a\tb", {"a", "b"}},
      {"p \x7F", {"\x7F"}},
      {"p a\x01\x1F\x0D\x0A"
       "b",
       {"a", "b"}},
      {R"("C:\Program Files\t\p.exe" one two)", {"one", "two"}},
      {"", {}},
      {"   ", {}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const SplitCase &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(entries(fake), c.expected) << c.commandLine;
    EXPECT_EQ(ArgumentList(fake).argumentCount(), static_cast<int32_t>(c.expected.size()));
  }
}

TEST(ArgumentList, DoubleByteCharactersHideSeparatorsAndQuotes) {
  const SplitCase cases[] = {
      // A lead byte takes the space after it as its second byte.
      {"p \x81 x", {"\x81 x"}},
      // ... and a quotation mark, which then opens no quoted section.
      {"p \x81\" x", {"\x81\"", "x"}},
      {"p \"\x81\" x\"", {"\x81\" x"}},
      // A lead byte before the terminating NUL is a character of one byte.
      {"p a \x81", {"a", "\x81"}},
      {"p \"\x95\x5C\" b", {"\x95\x5C", "b"}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  for (const SplitCase &c : cases) {
    fake.commandLineText = c.commandLine;
    EXPECT_EQ(entries(fake), c.expected) << c.commandLine;
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
