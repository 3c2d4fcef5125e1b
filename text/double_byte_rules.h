// The rules of a double-byte code page, written once for the platforms that have no system call
// for them (the POSIX backend, and the scripted platform the tests run on); they follow them with
// the one lead-byte set the start-up settles (activeLeadBytes in system_locale.h).
#ifndef VELMORA_TEXT_DOUBLE_BYTE_RULES_H
#define VELMORA_TEXT_DOUBLE_BYTE_RULES_H

#include <array>
#include <bitset>
#include <cstdint>

namespace velmora {

// The byte values that begin a double-byte character.
using LeadByteSet = std::bitset<256>;

// GetCPInfo's lead-byte pairs (low, high) as a set: the pairs in order, up to the first pair of
// two zeros or the sixth pair; a pair whose high byte is below its low byte adds nothing.
LeadByteSet leadByteSetOf(const std::array<uint8_t, 12> &ranges);

// CharNextA: a lead byte and the byte after it (unless that is the terminating NUL) are one
// character; every other byte is one. 0 at the NUL. Inline: the splitter asks it for every
// character of the command line.
inline int characterLength(const LeadByteSet &leads, const char *text) {
  if (*text == '\0')
    return 0;
  return leads.test(static_cast<unsigned char>(*text)) && text[1] != '\0' ? 2 : 1;
}

// CharUpperBuffA as far as velmora relies on it: a to z become A to Z, the second byte of a
// character is never touched, and the length stays.
void upperCaseLetters(const LeadByteSet &leads, char *bytes, int length);

} // namespace velmora

#endif
