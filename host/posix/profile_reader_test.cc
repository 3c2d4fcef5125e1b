#include "host/posix/profile_reader.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct ReadCase {
  const char *name;
  std::string contents;
  const char *section;
  const char *key;
  std::string expected;
};

TEST(ProfileReader, FollowsTheWindowsRules) {
  const ReadCase cases[] = {
      {"plain", "[Path]\r\ndefault=a %P\r\n", "Path", "default", "a %P"},
      {"LF only", "[Path]\ndefault=a\n", "Path", "default", "a"},
      {"CR only", "[Path]\rdefault=a\rshift=b", "Path", "shift", "b"},
      {"blanks trimmed", " \t[ Path ]\v\n \tdefault \t= \v a b \t\n", "Path", "default", "a b"},
      {"case of names", "[pAtH]\nDEFAULT=x\n", "Path", "default", "x"},
      {"first ] ends the name", "[Path]junk]\ndefault=x\n", "Path", "default", "x"},
      {"missing ]", "[Path\ndefault=x\n", "Path", "default", "x"},
      {"comment", "[Path]\n;default=x\n  ; shift=y\ndefault=z\n", "Path", "default", "z"},
      {"hash is no comment", "[Path]\n#default=x\n", "Path", "#default", "x"},
      {"first = splits", "[Path]\ndefault=a=b\n", "Path", "default", "a=b"},
      {"empty value", "[Path]\ndefault=\n", "Path", "default", ""},
      {"no = is no key", "[Path]\ndefault\n", "Path", "default", "<fb>"},
      {"double quotes", "[Path]\ndefault=\"in\"ner\"\n", "Path", "default", "in\"ner"},
      {"single quotes", "[Path]\ndefault=' a '\n", "Path", "default", " a "},
      {"lone quote", "[Path]\ndefault=\"\n", "Path", "default", "\""},
      {"mixed quotes stay", "[Path]\ndefault=\"a'\n", "Path", "default", "\"a'"},
      {"first key wins", "[Path]\ndefault=1\ndefault=2\n", "Path", "default", "1"},
      {"first section only", "[Path]\nshift=1\n[Other]\n[path]\ndefault=2\n", "Path", "default",
       "<fb>"},
      {"later section of another name", "[A]\ndefault=1\n[Path]\ndefault=2\n", "Path", "default",
       "2"},
      {"keys before any section", "default=1\n[Path]\n", "Path", "default", "<fb>"},
      {"missing section", "[Other]\ndefault=1\n", "Path", "default", "<fb>"},
      {"empty file", "", "Path", "default", "<fb>"},
      {"UTF-8 mark", "\xEF\xBB\xBF[Path]\ndefault=x\n", "Path", "default", "x"},
      {"UTF-16LE",
       std::string("\xFF\xFE[\0P\0a\0t\0h\0]\0\n\0d\0e\0f\0a\0u\0l\0t\0=\0\x68\x88", 34), "Path",
       "default", "\xE8\xA1\xA8"},
      // U+1F600 as a surrogate pair, then a high surrogate with no low one after it.
      {"UTF-16LE beyond the first plane",
       std::string("\xFF\xFE[\0P\0a\0t\0h\0]\0\n\0d\0=\0\x3D\xD8\x00\xDE\x3D\xD8x\0", 28), "Path",
       "d", "\xF0\x9F\x98\x80\xEF\xBF\xBDx"},
      {"long value", "[Path]\ndefault=" + std::string(3000, 'v'), "Path", "default",
       std::string(2047, 'v')},
      // Values are C strings on the way out: nothing past a NUL byte.
      {"binary junk", std::string("\0\x01junk\x7F\n[Path]\ndefault=a\0b\n", 27), "Path", "default",
       "a"},
  };
  for (const ReadCase &c : cases)
    EXPECT_EQ(profileValue(c.contents, c.section, c.key, "<fb>"), c.expected) << c.name;
  EXPECT_EQ(profileValue("", "Path", "default", std::string(3000, 'f')), std::string(2047, 'f'));
}

} // namespace
} // namespace velmora
