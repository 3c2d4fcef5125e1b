// What the fuzz targets share: a fake platform in a chosen locale, and a forward reading of
// double-byte text written apart from the code under test.
#ifndef VELMORA_FUZZ_FUZZ_SUPPORT_H
#define VELMORA_FUZZ_FUZZ_SUPPORT_H

#include "testing/fake_platform.h"
#include "text/byte_kind.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Lead bytes 81-9F and E0-FC (code page 932) when `farEast`, none otherwise.
inline void useLocale(FakePlatform &fake, bool farEast) {
  fake.activate(farEast ? FakeLocale::Japanese : FakeLocale::Western);
}

// Reads `text` from its start one character at a time: a lead byte and the byte after it form
// one character.
inline std::vector<ByteKind> forwardKinds(std::string_view text, const LeadByteSet &leads,
                                          bool farEast) {
  std::vector<ByteKind> kinds(text.size(), ByteKind::SingleByte);
  if (!farEast)
    return kinds;
  for (size_t i = 0; i < text.size(); ++i) {
    if (leads.test(static_cast<unsigned char>(text[i]))) {
      kinds[i] = ByteKind::LeadByte;
      if (i + 1 < text.size())
        kinds[++i] = ByteKind::TrailByte;
    }
  }
  return kinds;
}

inline std::string withoutNul(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

#define FUZZ_CHECK(condition)                                                                      \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      __builtin_printf("check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);              \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

} // namespace velmora

#endif
