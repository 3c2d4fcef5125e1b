#include "host/posix/locale_names.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(LocaleNames, MapsPosixLocalesToWindowsIdentifiers) {
  struct Case {
    const char *name;
    uint32_t id;
  };
  const Case cases[] = {
      {"C", 0x0409},
      {"POSIX", 0x0409},
      {"C.UTF-8", 0x0409},
      {"en_US.UTF-8", 0x0409},
      {"en_GB.UTF-8", 0x0809},
      {"de_DE.UTF-8", 0x0407},
      {"de_AT@euro", 0x0C07},
      {"fr_FR", 0x040C},
      {"es_ES", 0x0C0A},
      {"it_IT", 0x0410},
      {"nl_NL", 0x0413},
      {"pt_PT", 0x0816},
      {"pt_BR.UTF-8", 0x0416},
      {"sv_SE", 0x041D},
      {"da_DK", 0x0406},
      {"fi_FI", 0x040B},
      {"nb_NO.UTF-8", 0x0414},
      {"no_NO", 0x0414},
      {"ja_JP.UTF-8", 0x0411},
      {"ja_JP.SJIS", 0x0411},
      {"zh_CN.GB18030", 0x0804},
      {"zh_TW.Big5", 0x0404},
      {"ko_KR.EUC-KR", 0x0412},
      {"xx_YY", 0},
      {"", 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(localeIdForName(c.name), c.id) << c.name;
}

TEST(LocaleNames, MapsCodesetsToCodePagesWithTheirLeadBytes) {
  struct Case {
    const char *codeset;
    uint32_t codePage;
    std::array<uint8_t, 12> ranges;
  };
  const Case cases[] = {
      {"UTF-8", 65001, {}},
      {"utf8", 65001, {}},
      {"ANSI_X3.4-1968", 1252, {}},
      {"ISO-8859-1", 1252, {}},
      {"SHIFT_JIS", 932, {0x81, 0x9F, 0xE0, 0xFC}},
      {"CP932", 932, {0x81, 0x9F, 0xE0, 0xFC}},
      {"GB18030", 936, {0x81, 0xFE}},
      {"GBK", 936, {0x81, 0xFE}},
      {"EUC-KR", 949, {0x81, 0xFE}},
      {"BIG5-HKSCS", 950, {0x81, 0xFE}},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(codePageForCodeset(c.codeset), c.codePage) << c.codeset;
    EXPECT_EQ(leadByteRangesOf(c.codePage), c.ranges) << c.codeset;
  }
}

} // namespace
} // namespace velmora
