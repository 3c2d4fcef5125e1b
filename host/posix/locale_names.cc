#include "host/posix/locale_names.h"

#include <initializer_list>

namespace velmora {
namespace {

// Codeset names compare without regard to case, '-' and '_' ("Shift_JIS" is "SHIFTJIS"). No
// allocation: this runs while the platform is set up, before anything can report a failure.
bool sameCodeset(std::string_view codeset, std::string_view name) {
  size_t i = 0;
  for (char c : codeset) {
    if (c == '-' || c == '_')
      continue;
    char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; // never the locale's
    if (i == name.size() || upper != name[i])
      return false;
    ++i;
  }
  return i == name.size();
}

bool anyOf(std::string_view codeset, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names)
    if (sameCodeset(codeset, name))
      return true;
  return false;
}

} // namespace

uint32_t localeIdForName(std::string_view localeName) {
  std::string_view name = localeName.substr(0, localeName.find_first_of(".@"));
  if (name == "C" || name == "POSIX")
    return 0x0409;
  struct Entry {
    std::string_view name;
    uint32_t id;
  };
  // Full names first, so that a territory picks its own sub-language.
  static constexpr Entry kTable[] = {
      {"en_GB", 0x0809}, {"pt_BR", 0x0416}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_CN", 0x0804},
      {"zh_SG", 0x1004}, {"nn_NO", 0x0814}, {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"fr_CA", 0x0C0C},
      {"fr_BE", 0x080C}, {"fr_CH", 0x100C}, {"en", 0x0409},    {"de", 0x0407},    {"fr", 0x040C},
      {"es", 0x0C0A},    {"it", 0x0410},    {"nl", 0x0413},    {"pt", 0x0816},    {"sv", 0x041D},
      {"da", 0x0406},    {"fi", 0x040B},    {"no", 0x0414},    {"nb", 0x0414},    {"nn", 0x0814},
      {"ja", 0x0411},    {"ko", 0x0412},    {"zh", 0x0804},
  };
  for (const Entry &entry : kTable)
    if (name == entry.name)
      return entry.id;
  std::string_view language = name.substr(0, name.find('_'));
  for (const Entry &entry : kTable)
    if (language == entry.name)
      return entry.id;
  return 0;
}

uint32_t codePageForCodeset(std::string_view codeset) {
  if (anyOf(codeset, {"SHIFTJIS", "SJIS", "CP932", "WINDOWS31J"}))
    return 932;
  if (anyOf(codeset, {"GBK", "GB2312", "GB18030", "CP936", "EUCCN"}))
    return 936;
  if (anyOf(codeset, {"EUCKR", "CP949", "UHC"}))
    return 949;
  if (anyOf(codeset, {"BIG5", "BIG5HKSCS", "CP950"}))
    return 950;
  if (anyOf(codeset, {"UTF8"}))
    return 65001;
  return 1252;
}

std::array<uint8_t, 12> leadByteRangesOf(uint32_t codePage) {
  switch (codePage) {
  case 932:
    return {0x81, 0x9F, 0xE0, 0xFC};
  case 936:
  case 949:
  case 950:
    return {0x81, 0xFE};
  default:
    return {};
  }
}

uint32_t localeOfCodePage(uint32_t codePage) {
  switch (codePage) {
  case 932:
    return 0x0411;
  case 936:
    return 0x0804;
  case 949:
    return 0x0412;
  case 950:
    return 0x0404;
  default:
    return 0x0409;
  }
}

} // namespace velmora
