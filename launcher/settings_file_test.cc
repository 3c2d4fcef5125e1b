#include "launcher/settings_file.h"

#include "testing/fake_platform.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(SettingsFile, ReadsThroughTheReaderAndFlushesOnceAtTheEnd) {
  FakePlatform fake;
  fake.profiles["s.ini"]["Path"]["default"] = "x";
  fake.profiles["s.ini"]["Path"]["empty"] = "";
  {
    SettingsFile file(fake, "s.ini");
    EXPECT_EQ(file.readValue("Path", "default", "fb"), "x");
    EXPECT_EQ(file.readValue("Path", "empty", "fb"), "");
    EXPECT_EQ(file.readValue("Path", "missing", "fb"), "fb");
    EXPECT_EQ(file.readValue("Other", "default", ""), "");
  }
  EXPECT_EQ(fake.log,
            (std::vector<std::string>{"read s.ini [Path] default", "read s.ini [Path] empty",
                                      "read s.ini [Path] missing", "read s.ini [Other] default",
                                      "flush s.ini"}));
}

TEST(SettingsFile, FlushesEvenWhenNothingWasReadAndKeepsTheNameAsGiven) {
  FakePlatform fake;
  { SettingsFile file(fake, ""); }
  { SettingsFile file(fake, R"( odd\..\name.ini )"); }
  EXPECT_EQ(fake.log, (std::vector<std::string>{"flush ", R"(flush  odd\..\name.ini )"}));
}

} // namespace
} // namespace velmora
