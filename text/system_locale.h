// The process-wide locale record that decides whether double-byte rules are in force.
#ifndef VELMORA_TEXT_SYSTEM_LOCALE_H
#define VELMORA_TEXT_SYSTEM_LOCALE_H

#include "text/double_byte_rules.h"

#include <cstdint>

namespace velmora {

class TextRules;

struct SystemLocale {
  uint32_t platformId = 0;
  uint32_t localeId = 0x0409;
  uint16_t primaryLanguage = 9;
  uint16_t subLanguage = 1;
  bool farEastMode = false;
};

namespace detail {
// The record itself: written once by initSystemLocale at start-up, read-only afterwards.
// Constant-initialised, so nothing runs before main. Read it through the functions below, which
// the command-line splitter calls for every character. Who reads it: text/ (the byte
// classification, the escaping of reports), and the platforms that have no code-page call of
// their own: the POSIX backend and the scripted fake answer charLength and upperCase from it,
// so that their answers and the text routines' can never disagree. The Win32 backend asks
// Windows, which follows the same code page.
extern SystemLocale gLocale;
extern LeadByteSet gLeadBytes;
inline constexpr LeadByteSet kNoLeadBytes{};
} // namespace detail

inline const SystemLocale &systemLocale() {
  return detail::gLocale;
}
inline const LeadByteSet &leadByteSet() {
  return detail::gLeadBytes;
}
inline bool farEastMode() {
  return detail::gLocale.farEastMode;
}
// The double-byte rules in force: the lead bytes in far-east mode, none otherwise. Everything
// that steps through text by characters without the platform's own call reads them here.
inline const LeadByteSet &activeLeadBytes() {
  return detail::gLocale.farEastMode ? detail::gLeadBytes : detail::kNoLeadBytes;
}

// Takes the platform identifier, then settles localeId, the language fields, leadByteSet and
// farEastMode from the platform's answers.
void initSystemLocale(const TextRules &rules);

// The locale's default ANSI code page; GetACP when the locale's answer is not a number.
uint32_t ansiCodePageOf(const TextRules &rules, uint32_t localeId);

bool isWesternLanguage(uint16_t primaryLanguage);

} // namespace velmora

#endif
