#include "host/host_platform.h"

#include "launcher/template_expansion.h"
#include "text/argument_list.h"
#include "text/byte_kind.h"
#include "text/system_locale.h"
#include "text/text_routines.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

namespace velmora {
namespace {

// These run under Wine in two locales; each expectation names the code page it holds for.
class Win32Backend : public ::testing::Test {
protected:
  void SetUp() override {
    host = makeHostPlatform(0, nullptr);
    initSystemLocale(*host);
    codePage = host->ansiCodePage();
    ASSERT_TRUE(codePage == 1252 || codePage == 932 || codePage == 65001)
        << "untested code page " << codePage;
    // The suite runs once per locale; the runner says which code page Wine must be using, so a
    // locale that is missing on the machine cannot pass as the other one.
    if (const char *expected = std::getenv("VELMORA_EXPECT_CODE_PAGE")) {
      ASSERT_EQ(codePage, std::strtoul(expected, nullptr, 10));
    }
  }
  std::unique_ptr<PlatformRoles> host;
  uint32_t codePage = 0;
};

TEST_F(Win32Backend, LocaleSetUpFollowsTheCodePage) {
  const SystemLocale &locale = systemLocale();
  EXPECT_EQ(locale.platformId, 2u);
  if (codePage == 932) {
    EXPECT_EQ(locale.localeId, 0x0411u);
    EXPECT_EQ(locale.primaryLanguage, 0x11);
    EXPECT_TRUE(locale.farEastMode);
    for (unsigned value = 0; value < 256; ++value)
      EXPECT_EQ(leadByteSet().test(value),
                (value >= 0x81 && value <= 0x9F) || (value >= 0xE0 && value <= 0xFC))
          << value;
  } else {
    // Code page 1252, or UTF-8 in either locale (the Japanese locale's own code page is still
    // 932 then, and its lead bytes do not apply).
    if (codePage == 1252) {
      EXPECT_EQ(locale.primaryLanguage, 9);
    }
    EXPECT_FALSE(locale.farEastMode);
    EXPECT_TRUE(leadByteSet().none());
  }
  // The runner says which thread locale Wine must be using.
  if (const char *expected = std::getenv("VELMORA_EXPECT_THREAD_LOCALE")) {
    EXPECT_EQ(locale.localeId, std::strtoul(expected, nullptr, 16));
  }
}

TEST_F(Win32Backend, CharNextStepsDoubleByteCharacters) {
  bool dbcs = codePage == 932;
  EXPECT_EQ(host->charLength("\x81\x5C"), dbcs ? 2 : 1);
  EXPECT_EQ(host->charLength("\x81"), 1); // a lead byte before the NUL
  EXPECT_EQ(host->charLength("a"), 1);
  EXPECT_EQ(host->charLength(""), 0);
  EXPECT_EQ(host->charLength("\xE0 "), dbcs ? 2 : 1);
}

TEST_F(Win32Backend, UpperCasingKeepsLengthAndTrailBytes) {
  EXPECT_EQ(upperCaseText(*host, "%p %d %o1 /ini="), "%P %D %O1 /INI=");
  if (codePage == 932) {
    EXPECT_EQ(upperCaseText(*host, "\x82\x81"), "\x82\x60"); // full-width a
    EXPECT_EQ(upperCaseText(*host, "\x89\x61"), "\x89\x61"); // trail byte 'a' stays
  } else if (codePage == 1252) {
    EXPECT_EQ(upperCaseText(*host, "\xE9\xFF"), "\xC9\x9F");
  } else {
    // UTF-8: only ASCII letters fold, so that every byte keeps its place. The capitals of ⱥ,
    // dotless i and long s have another length.
    EXPECT_EQ(upperCaseText(*host, "\xE2\xB1\xA5\xC4\xB1\xC5\xBF\xC3\xA9%p"),
              "\xE2\xB1\xA5\xC4\xB1\xC5\xBF\xC3\xA9%P");
  }
}

TEST_F(Win32Backend, TextRoutinesOnTheRealApi) {
  bool dbcs = codePage == 932;
  EXPECT_EQ(indexOfCharAware(*host, "\\", "\x81\x5C"), dbcs ? 0 : 2);
  EXPECT_EQ(replaceAllIgnoreCase(*host, "\x95\x5C%p", "%P", "x"), "\x95\x5Cx");
  EXPECT_EQ(targetDirectory(*host, "C:\\docs\\\x95\x5C.txt"), dbcs ? "C:\\docs" : "C:\\docs\\\x95");
  EXPECT_EQ(byteKindAt("\x95\x5C", 2), dbcs ? ByteKind::TrailByte : ByteKind::SingleByte);
}

// Entry 0 is the program's own file by its full path.
TEST_F(Win32Backend, EntryZeroIsTheFullModulePath) {
  std::string self = ArgumentList(*host, *host).argumentAt(0);
  ASSERT_GT(self.size(), 3u);
  EXPECT_EQ(self.substr(1, 2), ":\\");
  DWORD attributes = GetFileAttributesA(self.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << self;
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << self;
}

// A path longer than the buffer comes back as a count equal to the capacity: that is how the
// launcher tells a cut path (whose folder is not its own) from a whole one.
TEST_F(Win32Backend, ACutModulePathReportsTheCapacity) {
  char buffer[8];
  EXPECT_EQ(host->moduleFileName(buffer, 8), 8);
  ASSERT_TRUE(ArgumentList(*host, *host).ownPath().has_value());
}

TEST_F(Win32Backend, LaunchCommandLimitCountsCharactersNotBytes) {
  EXPECT_TRUE(host->launchCommandFits(std::string(32766, 'a')));
  EXPECT_FALSE(host->launchCommandFits(std::string(32767, 'a')));
  std::string doubleByte;
  for (int i = 0; i < 32766; ++i)
    doubleByte += "\x82\xA0"; // one character in code page 932, two in 1252
  EXPECT_EQ(host->launchCommandFits(doubleByte), codePage == 932);
  std::string accented;
  for (int i = 0; i < 32766; ++i)
    accented += "\xC3\xA9"; // one character in UTF-8, two in 1252 and 932
  EXPECT_EQ(host->launchCommandFits(accented), codePage == 65001);
}

TEST_F(Win32Backend, ModuleNamesReachTheFailureBoxLegibly) {
  char utf8[64];
  if (codePage == 932) {
    host->ansiToUtf8("\x95\x5C.exe", utf8, sizeof utf8);
    EXPECT_STREQ(utf8, "\xE8\xA1\xA8.exe"); // 表
  } else if (codePage == 1252) {
    host->ansiToUtf8("v\xE9lmora.exe", utf8, sizeof utf8);
    EXPECT_STREQ(utf8, "v\xC3\xA9lmora.exe"); // é
  } else {
    host->ansiToUtf8("\xD0\xBB\xC3\xA9.exe", utf8, sizeof utf8);
    EXPECT_STREQ(utf8, "\xD0\xBB\xC3\xA9.exe"); // лé, already UTF-8
  }
  host->ansiToUtf8("abcdef", utf8, 4); // cut to fit, always terminated
  EXPECT_STREQ(utf8, "abc");
}

TEST_F(Win32Backend, ProfileReaderOfAMissingFileGivesTheFallback) {
  EXPECT_EQ(host->profileString("Path", "default", "", "Z:\\no\\such\\velmora.ini"), "");
  EXPECT_EQ(host->profileString("Path", "default", "fb", "Z:\\no\\such\\velmora.ini"), "fb");
}

} // namespace
} // namespace velmora
