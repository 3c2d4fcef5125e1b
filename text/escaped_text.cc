#include "text/escaped_text.h"

#include "text/byte_kind.h"

namespace velmora {
namespace {

void appendHex(std::string &out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

} // namespace

std::string escapedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (byte == 0xC2 && next >= 0x80 && next <= 0x9F &&
        byteKindAt(text, static_cast<int32_t>(i + 1)) == ByteKind::SingleByte) {
      // A terminal reading UTF-8 takes U+009B as the start of a control sequence. (Under
      // double-byte rules C2 can begin or end a character; then the pair is no C1 control.)
      appendHex(out, byte);
      appendHex(out, static_cast<unsigned char>(next));
      ++i;
    } else if (byte < 0x20 || byte == 0x7F ||
               (i + 1 == text.size() &&
                byteKindAt(text, static_cast<int32_t>(i + 1)) == ByteKind::LeadByte)) {
      appendHex(out, byte);
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

} // namespace velmora
