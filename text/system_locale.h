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

// Written once by initSystemLocale at start-up, read-only afterwards.
const SystemLocale &systemLocale();
const LeadByteSet &leadByteSet();
inline bool farEastMode() {
  return systemLocale().farEastMode;
}
// The double-byte rules in force: the lead bytes in far-east mode, none otherwise. Everything
// that steps through text by characters without the platform's own call reads them here.
const LeadByteSet &activeLeadBytes();

// Takes the platform identifier, then settles localeId, the language fields, leadByteSet and
// farEastMode from the platform's answers.
void initSystemLocale(const TextRules &rules);

// The locale's default ANSI code page; GetACP when the locale's answer is not a number.
uint32_t ansiCodePageOf(const TextRules &rules, uint32_t localeId);

bool isWesternLanguage(uint16_t primaryLanguage);

} // namespace velmora

#endif
