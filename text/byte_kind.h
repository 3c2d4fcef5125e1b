// Whether a byte of a text is a character of its own or half of a double-byte character.
#ifndef VELMORA_TEXT_BYTE_KIND_H
#define VELMORA_TEXT_BYTE_KIND_H

#include <cstdint>
#include <string_view>

namespace velmora {

enum class ByteKind : uint8_t { SingleByte = 0, LeadByte = 1, TrailByte = 2 };

// Classifies the byte at 1-based `position` by counting the lead-set bytes right before it,
// back to the start of `text`. Always SingleByte outside far-east mode or outside the text.
ByteKind byteKindAt(std::string_view text, int32_t position);

} // namespace velmora

#endif
