#include "text/double_byte_rules.h"

namespace velmora {

LeadByteSet leadByteSetOf(const std::array<uint8_t, 12> &ranges) {
  LeadByteSet set;
  for (size_t pair = 0; pair < ranges.size(); pair += 2) {
    unsigned low = ranges[pair];
    unsigned high = ranges[pair + 1];
    if (low == 0 && high == 0)
      break;
    for (unsigned value = low; value <= high; ++value)
      set.set(value);
  }
  return set;
}

void upperCaseLetters(const LeadByteSet &leads, char *bytes, int length) {
  for (int i = 0; i < length; ++i) {
    if (leads.test(static_cast<unsigned char>(bytes[i])))
      ++i;
    else if (bytes[i] >= 'a' && bytes[i] <= 'z')
      bytes[i] = static_cast<char>(bytes[i] - 'a' + 'A');
  }
}

} // namespace velmora
