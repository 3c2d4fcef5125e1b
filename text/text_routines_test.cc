#include "text/text_routines.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class TextRoutines : public ::testing::Test {
protected:
  void SetUp() override { fake.activate(FakeLocale::Western); }
  FakePlatform fake;
};

TEST_F(TextRoutines, ReplaceAllIgnoreCase) {
  struct ReplaceCase {
    const char *label, *text, *oldText, *newText, *expected;
  };
  const ReplaceCase cases[] = {
      {"%O10 starts with %O1", "run %O1 %O10", "%o1", "x", "run x x0"},
      {"surroundings keep their case", "Open %p Now", "%P", R"(C:\Dir\F.txt)",
       R"(Open C:\Dir\F.txt Now)"},
      {"left to right, no overlap", "aaa", "aa", "b", "ba"},
      {"inserted text is not searched again", "%P", "%p", "%P%P", "%P%P"},
      {"occurrence at the end", "a%P", "%P", "b", "ab"},
      {"replaced by nothing", "%P", "%P", "", ""},
      {"every spelling of the option", R"(/INI=/ini=C:\s.ini)", "/ini=", "", R"(C:\s.ini)"},
      {"empty pattern", "abc", "", "x", "abc"},
      {"empty text", "", "%P", "x", ""},
      {"no occurrence", "no match", "%P", "x", "no match"},
      {"inserted text keeps its case", "%P%p%P", "%P", "[%p]", "[%p][%p][%p]"},
      {"every occurrence in any case", "MiXeD %d and %D", "%D", "dir", "MiXeD dir and dir"},
  };
  for (const ReplaceCase &c : cases)
    EXPECT_EQ(replaceAllIgnoreCase(fake, c.text, c.oldText, c.newText), c.expected) << c.label;
}

TEST_F(TextRoutines, ContainsIgnoreCase) {
  EXPECT_TRUE(containsIgnoreCase(fake, "cd %d", "%D"));
  EXPECT_TRUE(containsIgnoreCase(fake, "cd %D", "%d"));
  EXPECT_FALSE(containsIgnoreCase(fake, "cd %P", "%D"));
  EXPECT_FALSE(containsIgnoreCase(fake, "abc", ""));
  EXPECT_FALSE(containsIgnoreCase(fake, "", "%D"));
}

TEST_F(TextRoutines, ByteWiseSearches) {
  EXPECT_EQ(indexOf("b", "abcb"), 2);
  EXPECT_EQ(indexOf("/ini=", "/INI=x"), 0);
  EXPECT_EQ(indexOf("", "abc"), 0);
  EXPECT_EQ(indexOf("ab", "a"), 0);
  EXPECT_EQ(indexOf("a", ""), 0);
  EXPECT_EQ(indexOf(std::string("\0b", 2), std::string("a\0b", 3)), 2);
}

TEST_F(TextRoutines, SubstringClamps) {
  struct SubCase {
    const char *label;
    const char *text;
    int32_t index, count;
    const char *expected;
  };
  const SubCase cases[] = {
      {"index 0 counts as 1", "abcdef", 0, 2, "ab"},
      {"negative index counts as 1", "abcdef", -5, 2, "ab"},
      {"index past the end", "abc", 4, 1, ""},
      {"negative count", "abc", 2, -1, ""},
      {"zero count", "abc", 2, 0, ""},
      {"count to the end", "abc", 2, 2147483647, "bc"},
      {"lowest index", "abc", -2147483647 - 1, 1, "a"},
      {"empty text", "", 1, 1, ""},
      {"count cut at the end", "abc", 3, 5, "c"},
  };
  for (const SubCase &c : cases)
    EXPECT_EQ(substring(c.text, c.index, c.count), c.expected) << c.label;
}

TEST_F(TextRoutines, CharAwareSearchEqualsByteSearchOutsideFarEastMode) {
  for (const char *haystack : {"\x81\x5C", "a\\b", "\x81\x5C\x5C", "\\"}) {
    EXPECT_EQ(indexOfCharAware(fake, "\\", haystack), indexOf("\\", haystack)) << haystack;
  }
}

TEST_F(TextRoutines, CharAwareSearchSkipsTrailBytes) {
  fake.activate(FakeLocale::Japanese);
  EXPECT_EQ(indexOfCharAware(fake, "\\", "\x81\x5C"), 0);
  EXPECT_EQ(indexOf("\\", "\x81\x5C"), 2);
  EXPECT_EQ(indexOfCharAware(fake, "\\", "\x81\x5C\x5C"), 3);
  // A candidate on a trail byte is refused and the search resumes at the very next byte.
  EXPECT_EQ(indexOfCharAware(fake, "\x81\x41", "\x81\x81\x41"), 0);
  EXPECT_EQ(indexOfCharAware(fake, "\x81\x41", "\x81\x81\x81\x41"), 3);
  // Both texts end at their first NUL.
  EXPECT_EQ(indexOfCharAware(fake, "b", std::string("a\0b", 3)), 0);
  EXPECT_EQ(indexOfCharAware(fake, std::string("\0b", 2), "ab"), 0);
}

TEST_F(TextRoutines, ReplaceRespectsDoubleByteCharacters) {
  fake.activate(FakeLocale::Japanese);
  // "%" right after a lead byte is that character's second byte, not a placeholder.
  EXPECT_EQ(replaceAllIgnoreCase(fake, "\x81%P %P", "%P", "x"), "\x81%P x");
  // Upper-casing leaves the second byte of 82 70 alone.
  EXPECT_EQ(replaceAllIgnoreCase(fake, "\x82p%p", "%P", "x"), "\x82px");
  // The rule counts from the start of the remaining text after each occurrence.
  EXPECT_EQ(replaceAllIgnoreCase(fake, "%P\x81%P", "%P", "x"), "x\x81%P");
  EXPECT_EQ(upperCaseText(fake, "a\x82\x61z"), "A\x82\x61Z");
}

// The result, or nothing at all: never a command cut short.
TEST_F(TextRoutines, ABoundedReplacementGivesTheWholeResultOrNothing) {
  struct Case {
    const char *label;
    const char *text;
    size_t limit;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"result exactly at the limit", "a%Pb", 6, "axxxxb"},
      {"one byte over", "a%Pb", 5, std::nullopt},
      {"no match, text within", "abc", 3, "abc"},
      {"no match, text over", "abcd", 3, std::nullopt},
      {"the limit is met midway", "%P%P%P", 8, std::nullopt},
  };
  for (const Case &c : cases)
    EXPECT_EQ(replaceAllIgnoreCaseWithin(fake, c.text, "%P", "xxxx", c.limit), c.expected)
        << c.label;
  // The limit is for the result: a text longer than it may still shrink to fit.
  EXPECT_EQ(replaceAllIgnoreCaseWithin(fake, "a%Pb%Pc", "%P", "", 3), "abc");
}

} // namespace
} // namespace velmora
