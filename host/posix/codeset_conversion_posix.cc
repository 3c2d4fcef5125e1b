// POSIX codeset conversion: iconv, nothing else.
#include "host/posix/codeset_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <strings.h>

namespace velmora {
namespace {

size_t utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8)
    return 4;
  if (lead >= 0xE0)
    return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0)
    return 2;
  return 1;
}

} // namespace

bool keepsUtf8(const char *codeset) {
  for (const char *same : {"UTF-8", "UTF8", "ANSI_X3.4-1968", "ASCII", "US-ASCII"})
    if (strcasecmp(codeset, same) == 0)
      return true;
  return false;
}

std::string utf8ToCodeset(std::string_view utf8, const char *codeset) {
  if (keepsUtf8(codeset) || utf8.empty())
    return std::string(utf8);
  iconv_t converter = iconv_open(codeset, "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1))
    return std::string(utf8);
  struct Closer {
    iconv_t converter;
    ~Closer() { iconv_close(converter); }
  } closer{converter};
  // No codeset needs more than four bytes for a character that UTF-8 writes in one.
  std::string out(utf8.size() * 4 + 4, '\0');
  char *in = const_cast<char *>(utf8.data());
  size_t inLeft = utf8.size();
  char *at = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(converter, &in, &inLeft, &at, &outLeft) != static_cast<size_t>(-1))
      break;
    if (errno != EILSEQ && errno != EINVAL)
      break;
    // A character the codeset lacks, or broken UTF-8: one '?' for it, then go on.
    size_t skip = std::min(utf8Length(static_cast<unsigned char>(*in)), inLeft);
    in += skip;
    inLeft -= skip;
    if (outLeft == 0)
      break;
    *at++ = '?';
    --outLeft;
  }
  // A codeset with shift states ends in its initial state.
  iconv(converter, nullptr, nullptr, &at, &outLeft);
  out.resize(out.size() - outLeft);
  return out;
}

} // namespace velmora
