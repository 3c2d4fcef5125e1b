// What a POSIX locale corresponds to in Windows terms: a locale identifier and an ANSI code
// page with its lead-byte ranges.
#ifndef VELMORA_HOST_POSIX_LOCALE_NAMES_H
#define VELMORA_HOST_POSIX_LOCALE_NAMES_H

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora {

// "ja_JP.UTF-8" -> 0x0411. 0 for a language the table does not know.
uint32_t localeIdForName(std::string_view localeName);

// nl_langinfo(CODESET) -> code page: 932, 936, 949, 950, 65001, else 1252.
uint32_t codePageForCodeset(std::string_view codeset);

// GetCPInfo's lead-byte pairs for the code pages above.
std::array<uint8_t, 12> leadByteRangesOf(uint32_t codePage);
// The locale whose ANSI code page `codePage` is: 932 -> 0x0411, ...; 0x0409 for the others.
uint32_t localeOfCodePage(uint32_t codePage);

} // namespace velmora

#endif
