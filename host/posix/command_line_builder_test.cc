#include "host/posix/command_line_builder.h"

#include "testing/fake_platform.h"
#include "text/argument_list.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct BuildCase {
  const char *label;
  std::vector<std::string_view> argv;
  const char *line;
  std::vector<std::string> splitBack; // tokens 1.. of the line
};

void expectRoundTrip(FakePlatform &fake, const BuildCase &c) {
  std::string line = buildCommandLine(c.argv, activeLeadBytes());
  EXPECT_EQ(line, c.line) << c.label;
  std::vector<std::string> tokens = splitCommandLine(fake, line.c_str());
  ASSERT_FALSE(tokens.empty()) << c.label;
  tokens.erase(tokens.begin());
  EXPECT_EQ(tokens, c.splitBack) << c.label;
}

TEST(CommandLineBuilder, SplitsBackToTheArguments) {
  const BuildCase cases[] = {
      {"plain words", {"velmora", "a", "b"}, "velmora a b", {"a", "b"}},
      {"blanks are quoted",
       {"/opt/v m/velmora", "x y", "tab\there"},
       "\"/opt/v m/velmora\" \"x y\" \"tab\there\"",
       {"x y", "tab\there"}},
      // No escape exists: quotation marks are dropped so that arguments never merge (the
      // platform reports such an argument, and velmora starts nothing).
      {"quotation marks are dropped", {"v", R"(say "hi")", "\""}, R"(v "say hi")", {"say hi"}},
      {"an empty argument goes", {"v", "", "c"}, "v c", {"c"}},
      {"an empty program name is replaced", {"", "a"}, "velmora a", {"a"}},
      {"a trailing backslash stays",
       {"v", R"(C:\dir\)", "x"},
       R"(v C:\dir\ x)",
       {R"(C:\dir\)", "x"}},
      {"shell text is plain text",
       {"v", ";$(rm -rf x)`id`"},
       R"(v ";$(rm -rf x)`id`")",
       {";$(rm -rf x)`id`"}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Western);
  for (const BuildCase &c : cases)
    expectRoundTrip(fake, c);
}

TEST(CommandLineBuilder, KeepsDoubleByteCharactersWhole) {
  const BuildCase cases[] = {
      // No character set on Linux has a quotation mark or a blank as its second byte, and
      // the launch split reads them alone: the mark goes with its lead byte, a blank stays.
      {"quotation mark after a lead byte", {"v", "a\x81\"b", "x"}, "v ab x", {"ab", "x"}},
      {"only a lead byte and a mark", {"v", "\x81\"", "x"}, "v x", {"x"}},
      {"a space after a lead byte", {"v", "\x81 a"}, "v \"\x81 a\"", {"\x81 a"}},
      {"a tab after a lead byte, at the end", {"v", "a\x81\t"}, "v \"a\x81\t\"", {"a\x81\t"}},
      // A lead byte with nothing after it would take the separator: it is left out.
      {"lone lead byte at the end", {"v", "a\x81", "b"}, "v a b", {"a", "b"}},
      {"lone lead byte alone", {"v", "\x81", "b"}, "v b", {"b"}},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  for (const BuildCase &c : cases)
    expectRoundTrip(fake, c);
}

} // namespace
} // namespace velmora
