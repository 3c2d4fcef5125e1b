#include "text/text_routines.h"

#include "platform/fake_platform.h"

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
    const char *text, *oldText, *newText, *expected;
  };
  const ReplaceCase cases[] = {
      {"run %O1 %O10", "%o1", "x", "run x x0"},
      {"Open %p Now", "%P", R"(C:\Dir\F.txt)", R"(Open C:\Dir\F.txt Now)"},
      {"aaa", "aa", "b", "ba"},
      {"%P", "%p", "%P%P", "%P%P"},
      {"a%P", "%P", "b", "ab"},
      {"%P", "%P", "", ""},
      {R"(/INI=/ini=C:\s.ini)", "/ini=", "", R"(C:\s.ini)"},
      {"abc", "", "x", "abc"},
      {"", "%P", "x", ""},
      {"no match", "%P", "x", "no match"},
      {"%P%p%P", "%P", "[%p]", "[%p][%p][%p]"},
      {"MiXeD %d and %D", "%D", "dir", "MiXeD dir and dir"},
  };
  for (const ReplaceCase &c : cases)
    EXPECT_EQ(replaceAllIgnoreCase(fake, c.text, c.oldText, c.newText), c.expected) << c.text;
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

  EXPECT_EQ(lastIndexOf("\\", R"(C:\dir\file.txt)"), 7);
  EXPECT_EQ(lastIndexOf("\\", "file"), 0);
  EXPECT_EQ(lastIndexOf("ab", "abab"), 3);
  EXPECT_EQ(lastIndexOf("aa", "aaa"), 2);
  EXPECT_EQ(lastIndexOf("", "abc"), 0);
  EXPECT_EQ(lastIndexOf("abc", "abc"), 1);
  EXPECT_EQ(reverseText("ab\x81\x5C"), "\x5C\x81"
                                       "ba");
}

TEST_F(TextRoutines, SubstringClamps) {
  struct SubCase {
    const char *text;
    int32_t index, count;
    const char *expected;
  };
  const SubCase cases[] = {
      {"abcdef", 0, 2, "ab"},
      {"abcdef", -5, 2, "ab"},
      {"abc", 4, 1, ""},
      {"abc", 2, -1, ""},
      {"abc", 2, 0, ""},
      {"abc", 2, 2147483647, "bc"},
      {"abc", -2147483647 - 1, 1, "a"},
      {"", 1, 1, ""},
      {"abc", 3, 5, "c"},
  };
  for (const SubCase &c : cases)
    EXPECT_EQ(substring(c.text, c.index, c.count), c.expected) << c.index << "," << c.count;
}

TEST_F(TextRoutines, DecimalText) {
  EXPECT_EQ(decimalText(1), "1");
  EXPECT_EQ(decimalText(10), "10");
  EXPECT_EQ(decimalText(2147483647), "2147483647");
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
  EXPECT_EQ(lastIndexOf("\\", "\x81\x5C"), 2);
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

} // namespace
} // namespace velmora
