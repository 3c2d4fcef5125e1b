// How the system reads 8-bit text: its code page, which bytes begin a double-byte character,
// upper-casing, comparison and the path syntax.
#ifndef VELMORA_PLATFORM_TEXT_RULES_H
#define VELMORA_PLATFORM_TEXT_RULES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmora {

// How paths are cut into folder and name.
struct PathSyntax {
  // The bytes that end the directory part of a path (backslash and colon on Windows).
  std::string_view delimiters;
  // The one that separates a file from its folder.
  char separator;
  // Whether a delimiter byte is one wherever it stands. The Linux kernel never reads '/' as part
  // of a character, whatever the locale says; Windows reads a backslash that is the second byte
  // of a double-byte character as part of that character.
  bool delimitersAreBytes;
};

class TextRules {
public:
  virtual ~TextRules() = default;

  // CharNextA(text) - text: how many bytes the character at `text` takes in the ANSI code
  // page; 0 at the terminating NUL.
  virtual int charLength(const char *text) const = 0;
  // CharUpperBuffA: upper-cases `length` bytes in place; the length never changes.
  virtual void upperCase(char *bytes, int length) const = 0;
  // CompareStringA(0x0400, 0, a, length, b, length) == CSTR_EQUAL.
  virtual bool sameText(const char *a, const char *b, int length) const = 0;

  // Start-up locale queries.
  // GetVersionExA with the ANSI record's size (148): dwPlatformId, or 0 when the call fails.
  virtual uint32_t versionPlatformId() const = 0;
  // GetThreadLocale.
  virtual uint32_t threadLocale() const = 0;
  // GetLocaleInfoA(localeId, LOCALE_IDEFAULTANSICODEPAGE, buffer, 7): the whole buffer, zeroed
  // before the call.
  virtual std::array<char, 7> localeAnsiCodePage(uint32_t localeId) const = 0;
  // GetACP.
  virtual uint32_t ansiCodePage() const = 0;
  // GetCPInfo(codePage).LeadByte: six (low, high) pairs, all zero when the call fails.
  virtual std::array<uint8_t, 12> leadByteRanges(uint32_t codePage) const = 0;
  // GetSystemMetrics(SM_DBCSENABLED).
  virtual int dbcsEnabled() const = 0;

  virtual PathSyntax pathSyntax() const = 0;
  // ANSI text to UTF-8 into a fixed buffer (always terminated, cut to fit), without touching
  // the heap: the failure box needs it when memory has run out.
  virtual void ansiToUtf8(const char *text, char *buffer, size_t capacity) const = 0;
};

} // namespace velmora

#endif
