#include "text/escaped_text.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(EscapedText, NoByteCanDriveTheTerminal) {
  struct Case {
    const char *name;
    uint32_t codePage;
    std::string text, shown;
  };
  const Case cases[] = {
      {"plain", 1252, "C:\\dir\\a b.txt", "C:\\dir\\a b.txt"},
      {"escape sequence", 65001, "a\x1B]0;pwned\x07z", "a\\x1B]0;pwned\\x07z"},
      {"line breaks and tab", 1252, "a\r\nb\tc", "a\\x0D\\x0Ab\\x09c"},
      {"NUL and DEL", 1252, std::string("a\0b\x7F", 4), "a\\x00b\\x7F"},
      {"UTF-8 C1 control (CSI)", 65001,
       "a\xC2\x9B"
       "31m",
       "a\\xC2\\x9B31m"},
      {"UTF-8 letters stay", 65001, "\xC3\xA9\xE8\xA1\xA8\xC2\xA0", "\xC3\xA9\xE8\xA1\xA8\xC2\xA0"},
      {"right-to-left override", 65001, "a\xE2\x80\xAEtxt.exe", "a\\xE2\\x80\\xAEtxt.exe"},
      {"embedding and isolate", 65001, "\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9",
       "\\xE2\\x80\\xAA\\xE2\\x81\\xA6\\xE2\\x81\\xA9"},
      {"other punctuation stays", 65001, "\xE2\x80\x94\xE2\x80\xAF\xE2\x81\xA5",
       "\xE2\x80\x94\xE2\x80\xAF\xE2\x81\xA5"},
      {"8-bit CSI, OSC and ST", 1252,
       "a\x9B"
       "31m\x9D"
       "0;x\x9C",
       "a\\x9B31m\\x9D0;x\\x9C"},
      {"8-bit C1 range ends", 1252, "\x7F\x80\x9F\xA0", "\\x7F\\x80\\x9F\xA0"},
      {"Latin-1 byte alone stays", 1252, "\xE9", "\xE9"},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const Case &c : cases)
    EXPECT_EQ(escapedText(c.text, c.codePage), c.shown) << c.name;
}

TEST(EscapedText, ALeadByteThatEndsTheTextCannotTakeWhatFollows) {
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  EXPECT_EQ(escapedText("a\x81", 932), "a\\x81");
  EXPECT_EQ(escapedText("\x95\x5C", 932), "\x95\x5C"); // a whole character stays
  EXPECT_EQ(escapedText("\x81\x81", 932), "\x81\x81"); // 81 81 is one character
  // Delimiters are escaped where they stand alone, never as a character's second byte.
  EXPECT_EQ(escapedText("[a]\x81]", 932, "[]"), "\\x5Ba\\x5D\x81]");
  // C2 begins no C1 control where it is half of a double-byte character.
  EXPECT_EQ(escapedText("\x81\xC2\x9B\x40", 932), "\x81\xC2\x9B\x40");
  EXPECT_EQ(escapedText("\xC2\x9B", 932), "\\xC2\\x9B");
  fake.activate(FakeLocale::Western);
  EXPECT_EQ(escapedText("a\x81", 65001), "a\x81");
}

} // namespace
} // namespace velmora
