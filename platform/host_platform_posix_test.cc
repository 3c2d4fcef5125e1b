#include "platform/host_platform.h"

#include "text/argument_list.h"
#include "text/system_locale.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora {
namespace {

TEST(PosixPlatform, RebuildsTheCommandLineFromArgv) {
  char program[] = "/usr/bin/velmora";
  char spaced[] = "a b";
  char quoted[] = "say \"x\"";
  char empty[] = "";
  char last[] = "/tmp/t.txt";
  char *argv[] = {program, spaced, quoted, empty, last, nullptr};
  std::unique_ptr<Platform> host = makeHostPlatform(5, argv);
  ArgumentList arguments(*host);
  ASSERT_EQ(arguments.argumentCount(), 3);
  EXPECT_EQ(arguments.argumentAt(1), "a b");
  EXPECT_EQ(arguments.argumentAt(2), "say x");
  EXPECT_EQ(arguments.argumentAt(3), "/tmp/t.txt");
  // Entry 0 is this very test program, wherever it was started from.
  std::string self = arguments.argumentAt(0);
  EXPECT_EQ(self.substr(self.rfind('/') + 1), "velmora_tests");
}

TEST(PosixPlatform, UpperCasesAsciiOnlyAndAnswersAsTheNtFamily) {
  char program[] = "v";
  char *argv[] = {program, nullptr};
  std::unique_ptr<Platform> host = makeHostPlatform(1, argv);
  char text[] = "abc\xE9z%p";
  host->upperCase(text, 7);
  EXPECT_STREQ(text, "ABC\xE9Z%P");
  EXPECT_EQ(host->versionPlatformId(), 2u);
  EXPECT_EQ(host->pathDelimiters(), "/");
  EXPECT_EQ(host->keyState(0x10), 0);
  // The test runs in a UTF-8 or C locale: no double-byte rules.
  initSystemLocale(*host);
  EXPECT_FALSE(systemLocale().farEastMode);
}

} // namespace
} // namespace velmora
