#include "text/path_split.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(PathSplit, DirectoryPartKeepsTheLastDelimiter) {
  struct Case {
    const char *label, *path, *expected;
  };
  const Case cases[] = {
      {"backslash", R"(C:\Tools\x.exe)", R"(C:\Tools\)"},
      {"colon", "C:x.exe", "C:"},
      {"no delimiter", "x.exe", ""},
      {"slash is no delimiter", "C:/dir/x.exe", "C:"},
      {"network path", R"(\\srv\share\x.exe)", R"(\\srv\share\)"},
      {"ends in a backslash", R"(C:\dir\)", R"(C:\dir\)"},
      {"empty", "", ""},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases)
    EXPECT_EQ(directoryPart(fake, c.path), c.expected) << c.label;
}

TEST(PathSplit, SecondByteOfACharacterIsNoDelimiter) {
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  // C:\ 95 5C \x.exe: the lone 0x5C is the second byte of 表.
  EXPECT_EQ(directoryPart(fake, "C:\\\x95\x5C\\x.exe"), "C:\\\x95\x5C\\");
  EXPECT_EQ(directoryPart(fake, "C:\\\x95\x5C"), "C:\\");
  EXPECT_EQ(lastPathDelimiter(fake, "\x95\x5C"), 0);
  // A colon that ends a double-byte character is no delimiter either.
  EXPECT_EQ(lastDelimiterOf("a:\x81\x3A", ":"), 2);

  fake.activate(FakeLocale::Western);
  EXPECT_EQ(directoryPart(fake, "C:\\\x95\x5C"), "C:\\\x95\x5C");
}

TEST(PathSplit, DelimitersBelongToThePlatform) {
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  fake.delimiters = "/";
  EXPECT_EQ(directoryPart(fake, "/usr/local/bin/velmora"), "/usr/local/bin/");
  EXPECT_EQ(directoryPart(fake, R"(C:\x)"), "");
  // A folder named in UTF-8 under a double-byte locale: 0x95 looks like a lead byte, but the
  // kernel takes the '/' after it as a separator, and so must the cut.
  fake.activate(FakeLocale::Japanese);
  fake.delimitersAreBytes = true;
  EXPECT_EQ(directoryPart(fake, "/dl/v\x95/velmora"), "/dl/v\x95/");
}

} // namespace
} // namespace velmora
