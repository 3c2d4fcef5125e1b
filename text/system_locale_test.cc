#include "text/system_locale.h"

#include "testing/fake_platform.h"
#include "text/byte_kind.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

LeadByteSet rangeSet(std::initializer_list<std::pair<unsigned, unsigned>> ranges) {
  LeadByteSet set;
  for (auto [low, high] : ranges)
    for (unsigned v = low; v <= high; ++v)
      set.set(v);
  return set;
}

struct LocaleCase {
  const char *name;
  uint32_t platformId;
  uint32_t threadLocale;
  int dbcsMetric;
  std::array<uint8_t, 12> ranges; // of the locale's code page, 932 here
  uint32_t localeId;
  uint16_t primary;
  uint16_t sub;
  bool farEast;
  LeadByteSet leads;
  bool asksCodePage;
};

TEST(SystemLocale, SettlesFarEastModeOnEveryBranch) {
  const LeadByteSet japanese = rangeSet({{0x81, 0x9F}, {0xE0, 0xFC}});
  const std::array<uint8_t, 12> japaneseRanges = {0x81, 0x9F, 0xE0, 0xFC};
  const LocaleCase cases[] = {
      {"NT western", 2, 0x0409, 1, japaneseRanges, 0x0409, 9, 1, false, {}, false},
      {"NT German", 2, 0x0407, 1, japaneseRanges, 0x0407, 7, 1, false, {}, false},
      {"NT neutral", 2, 0x0800, 1, japaneseRanges, 0x0800, 0, 2, false, {}, false},
      {"NT Japanese", 2, 0x0411, 0, japaneseRanges, 0x0411, 0x11, 1, true, japanese, true},
      {"NT far east without lead bytes", 2, 0x0419, 1, {}, 0x0419, 0x19, 1, false, {}, true},
      {"non-NT, DBCS metric on", 1, 0x0411, 1, japaneseRanges, 0x0411, 0x11, 1, true, japanese,
       true},
      {"non-NT, DBCS metric off", 1, 0x0411, 0, japaneseRanges, 0x0411, 0x11, 1, false, {}, false},
      {"failed GetVersionExA", 0, 0x0409, 1, japaneseRanges, 0x0409, 9, 1, true, japanese, true},
      {"thread locale 0", 2, 0, 0, japaneseRanges, 0x0409, 9, 1, false, {}, false},
      {"language id 0 keeps the defaults",
       2,
       0x00110000,
       0,
       japaneseRanges,
       0x00110000,
       9,
       1,
       false,
       {},
       false},
      // 0x0C04: the primary language is the low ten bits (4), the sub-language the rest (3).
      {"sub-language bits",
       2,
       0x0C04,
       0,
       {0x81, 0xFE},
       0x0C04,
       4,
       3,
       true,
       rangeSet({{0x81, 0xFE}}),
       true},
  };
  for (const LocaleCase &c : cases) {
    FakePlatform fake;
    fake.platformId = c.platformId;
    fake.threadLocaleId = c.threadLocale;
    fake.dbcsMetric = c.dbcsMetric;
    fake.localeCodePage = "932";
    fake.codePageRanges[932] = c.ranges;
    initSystemLocale(fake);
    const SystemLocale &locale = systemLocale();
    EXPECT_EQ(locale.platformId, c.platformId) << c.name;
    EXPECT_EQ(locale.localeId, c.localeId) << c.name;
    EXPECT_EQ(locale.primaryLanguage, c.primary) << c.name;
    EXPECT_EQ(locale.subLanguage, c.sub) << c.name;
    EXPECT_EQ(locale.farEastMode, c.farEast) << c.name;
    EXPECT_EQ(leadByteSet(), c.leads) << c.name;
    bool asked = std::find(fake.log.begin(), fake.log.end(), "GetCPInfo 932") != fake.log.end();
    EXPECT_EQ(asked, c.asksCodePage) << c.name;
    EXPECT_EQ(fake.log.front(), "GetVersionExA") << c.name;
  }
}

// A process made to run in UTF-8 on a Japanese system: the locale's code page is still 932, but
// Shift_JIS rules on UTF-8 bytes would cut "%D" inside a character such as あ (E3 81 82).
TEST(SystemLocale, AUtf8ProcessHasNoLeadBytesWhateverItsLocale) {
  struct Case {
    const char *label;
    uint32_t platformId;
    int dbcsMetric;
  };
  const Case cases[] = {{"NT", 2, 1}, {"not NT, DBCS metric on", 1, 1}};
  for (const Case &c : cases) {
    FakePlatform fake;
    fake.platformId = c.platformId;
    fake.dbcsMetric = c.dbcsMetric;
    fake.threadLocaleId = 0x0411;
    fake.localeCodePage = "932";
    fake.codePageRanges[932] = {0x81, 0x9F, 0xE0, 0xFC};
    fake.acp = 65001;
    initSystemLocale(fake);
    EXPECT_FALSE(systemLocale().farEastMode) << c.label;
    EXPECT_TRUE(leadByteSet().none()) << c.label;
    EXPECT_EQ(byteKindAt("\xE3\x81\x82\\", 3), ByteKind::SingleByte) << c.label;
  }
}

TEST(SystemLocale, WalksLeadBytePairs) {
  struct PairCase {
    const char *label;
    std::array<uint8_t, 12> ranges;
    LeadByteSet expected;
  };
  LeadByteSet all;
  all.set();
  const PairCase cases[] = {
      {"every byte", {0x00, 0xFF}, all},
      {"high below low adds nothing", {0x90, 0x80}, {}},
      {"the walk goes on after such a pair", {0x90, 0x80, 0xA0, 0xA1}, rangeSet({{0xA0, 0xA1}})},
      {"stops at a pair of zeros", {0x81, 0x82, 0x00, 0x00, 0xA0, 0xA1}, rangeSet({{0x81, 0x82}})},
      {"a pair from 00", {0x81, 0x81, 0x00, 0x10}, rangeSet({{0x81, 0x81}, {0x00, 0x10}})},
      {"six pairs", {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}, rangeSet({{1, 6}})},
  };
  for (const PairCase &c : cases) {
    FakePlatform fake;
    fake.threadLocaleId = 0x0411;
    fake.localeCodePage = "936";
    fake.codePageRanges[936] = c.ranges;
    initSystemLocale(fake);
    EXPECT_EQ(leadByteSet(), c.expected) << c.label;
  }
}

TEST(SystemLocale, CodePageFallsBackToAcpWhenTheLocaleTextIsNoNumber) {
  struct CodePageCase {
    const char *label;
    std::string localeText;
    uint32_t expected;
  };
  const CodePageCase cases[] = {
      {"a number", "932", 932},
      {"empty", "", 1250},
      {"letters", "abc", 1250},
      {"digits then a letter", "93x", 1250},
      {"zero", "0", 0},
      {"all seven bytes, no NUL", "1234567", 1234567},
      {"up to the first NUL",
       std::string("93\0"
                   "9",
                   4),
       93},
  };
  for (const CodePageCase &c : cases) {
    FakePlatform fake;
    fake.localeCodePage = c.localeText;
    fake.acp = 1250;
    EXPECT_EQ(ansiCodePageOf(fake, 0x0411), c.expected) << c.label;
  }
}

TEST(ByteKind, CountsLeadSetBytesBeforeThePosition) {
  struct KindCase {
    const char *label;
    std::string text;
    int32_t position;
    ByteKind expected;
  };
  const KindCase cases[] = {
      {"lead byte", "\x81\x5C", 1, ByteKind::LeadByte},
      {"its trail byte", "\x81\x5C", 2, ByteKind::TrailByte},
      {"after two set bytes", "\x81\x81\x41", 3, ByteKind::SingleByte},
      {"after three set bytes", "\x81\x81\x81\x41", 4, ByteKind::TrailByte},
      {"odd run ending on a set byte", "\x81\x81\x81", 3, ByteKind::LeadByte},
      {"lead byte after a letter", "a\x81", 2, ByteKind::LeadByte},
      {"NUL after a lead byte", std::string("\x81\0", 2), 2, ByteKind::SingleByte},
      {"position 0", "ab", 0, ByteKind::SingleByte},
      {"past the end", "ab", 3, ByteKind::SingleByte},
  };
  FakePlatform fake;
  fake.activate(FakeLocale::Japanese);
  for (const KindCase &c : cases)
    EXPECT_EQ(byteKindAt(c.text, c.position), c.expected) << c.label;

  // Outside far-east mode nothing is a lead or trail byte, whatever the set holds.
  fake.activate(FakeLocale::Western);
  EXPECT_EQ(byteKindAt("\x81\x5C", 1), ByteKind::SingleByte);
  EXPECT_EQ(byteKindAt("\x81\x5C", 2), ByteKind::SingleByte);
}

} // namespace
} // namespace velmora
