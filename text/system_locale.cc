#include "text/system_locale.h"

#include "platform/text_rules.h"

#include <charconv>
#include <cstring>

namespace velmora {

namespace detail {
SystemLocale gLocale;
LeadByteSet gLeadBytes;
} // namespace detail

namespace {

using detail::gLeadBytes;
using detail::gLocale;

constexpr uint32_t kNtPlatform = 2;

constexpr uint32_t kUtf8CodePage = 65001;

// False, with the set left empty, when the process's own ANSI code page is UTF-8 (as a manifest
// can make it): the locale's code page (932 on a Japanese system) is then not the one text
// arrives in, and UTF-8 needs no lead bytes, since no byte of a multi-byte character is a
// quotation mark, a backslash or a separator.
bool fillLeadByteSet(const TextRules &rules, uint32_t localeId) {
  if (rules.ansiCodePage() == kUtf8CodePage)
    return false;
  gLeadBytes = leadByteSetOf(rules.leadByteRanges(ansiCodePageOf(rules, localeId)));
  return true;
}

} // namespace

bool isWesternLanguage(uint16_t primaryLanguage) {
  // Neutral, Danish, German, English, Spanish, Finnish, French, Italian, Dutch, Norwegian,
  // Portuguese, Swedish.
  constexpr uint32_t kWestern = 1u << 0x00 | 1u << 0x06 | 1u << 0x07 | 1u << 0x09 | 1u << 0x0A |
                                1u << 0x0B | 1u << 0x0C | 1u << 0x10 | 1u << 0x13 | 1u << 0x14 |
                                1u << 0x16 | 1u << 0x1D;
  return primaryLanguage < 32 && (kWestern >> primaryLanguage & 1u) != 0;
}

uint32_t ansiCodePageOf(const TextRules &rules, uint32_t localeId) {
  std::array<char, 7> buffer = rules.localeAnsiCodePage(localeId);
  const char *begin = buffer.data();
  const char *end = static_cast<const char *>(std::memchr(begin, 0, buffer.size()));
  if (end == nullptr)
    end = begin + buffer.size();
  int32_t value = 0;
  std::from_chars_result parsed = std::from_chars(begin, end, value);
  if (begin == end || parsed.ec != std::errc() || parsed.ptr != end)
    return rules.ansiCodePage();
  return static_cast<uint32_t>(value);
}

void initSystemLocale(const TextRules &rules) {
  gLocale = SystemLocale{};
  gLocale.platformId = rules.versionPlatformId();

  uint32_t threadLocale = rules.threadLocale();
  if (threadLocale != 0) {
    gLocale.localeId = threadLocale;
    uint16_t language = threadLocale & 0xFFFF;
    if (language != 0) {
      gLocale.primaryLanguage = language & 0x3FF;
      gLocale.subLanguage = language >> 10;
    }
  }

  gLeadBytes.reset();
  if (gLocale.platformId == kNtPlatform) {
    if (isWesternLanguage(gLocale.primaryLanguage))
      return;
    fillLeadByteSet(rules, gLocale.localeId);
    gLocale.farEastMode = gLeadBytes.any();
    return;
  }
  gLocale.farEastMode = rules.dbcsEnabled() != 0;
  if (gLocale.farEastMode)
    gLocale.farEastMode = fillLeadByteSet(rules, gLocale.localeId);
}

} // namespace velmora
