#include "text/byte_kind.h"

#include "text/system_locale.h"

namespace velmora {

ByteKind byteKindAt(std::string_view text, int32_t position) {
  const LeadByteSet &leads = activeLeadBytes();
  if (leads.none() || position < 1 || static_cast<size_t>(position) > text.size())
    return ByteKind::SingleByte;
  auto isLead = [&](size_t index) { return leads.test(static_cast<uint8_t>(text[index])); };
  size_t index = static_cast<size_t>(position) - 1;
  if (text[index] == '\0')
    return ByteKind::SingleByte;
  // Membership alone counts: the walk cannot tell a lead byte from a trail byte that happens
  // to lie in the lead range, and the parity of the run settles it.
  size_t run = 0;
  while (run < index && isLead(index - run - 1))
    ++run;
  if (run % 2 == 1)
    return ByteKind::TrailByte;
  return isLead(index) ? ByteKind::LeadByte : ByteKind::SingleByte;
}

} // namespace velmora
