#include "text/escaped_text.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(EscapedText, NoByteCanDriveTheTerminal) {
  struct Case {
    const char *name;
    std::string text, shown;
  };
  const Case cases[] = {
      {"plain", "C:\\dir\\a b.txt", "C:\\dir\\a b.txt"},
      {"escape sequence", "a\x1B]0;pwned\x07z", "a\\x1B]0;pwned\\x07z"},
      {"line breaks and tab", "a\r\nb\tc", "a\\x0D\\x0Ab\\x09c"},
      {"NUL and DEL", std::string("a\0b\x7F", 4), "a\\x00b\\x7F"},
      {"UTF-8 C1 control (CSI)",
       "a\xC2\x9B"
       "31m",
       "a\\xC2\\x9B31m"},
      {"UTF-8 letters stay", "\xC3\xA9\xE8\xA1\xA8\xC2\xA0", "\xC3\xA9\xE8\xA1\xA8\xC2\xA0"},
      {"Latin-1 byte alone stays", "\xE9", "\xE9"},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases)
    EXPECT_EQ(escapedText(c.text), c.shown) << c.name;
}

TEST(EscapedText, ALeadByteThatEndsTheTextCannotTakeWhatFollows) {
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  EXPECT_EQ(escapedText("a\x81"), "a\\x81");
  EXPECT_EQ(escapedText("\x95\x5C"), "\x95\x5C"); // a whole character stays
  EXPECT_EQ(escapedText("\x81\x81"), "\x81\x81"); // 81 81 is one character
  // C2 begins no C1 control where it is half of a double-byte character.
  EXPECT_EQ(escapedText("\x81\xC2\x9B\x40"), "\x81\xC2\x9B\x40");
  fake.activate(FakeLocale::Western);
  EXPECT_EQ(escapedText("a\x81"), "a\x81");
}

} // namespace
} // namespace velmora
