#include "text/escaped_text.h"

#include "text/byte_kind.h"
#include "text/system_locale.h"

namespace velmora {
namespace {

constexpr uint32_t kUtf8CodePage = 65001;

void appendHex(std::string &out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
}

unsigned char byteAt(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
}

// How many bytes from `i` make one control that a UTF-8 terminal would obey; 0 for none.
size_t utf8ControlLength(std::string_view text, size_t i) {
  unsigned char byte = byteAt(text, i), second = byteAt(text, i + 1), third = byteAt(text, i + 2);
  if (byte == 0xC2 && second >= 0x80 && second <= 0x9F)
    return 2;
  if (byte == 0xE2 && ((second == 0x80 && third >= 0xAA && third <= 0xAE) ||
                       (second == 0x81 && third >= 0xA6 && third <= 0xA9)))
    return 3;
  return 0;
}

} // namespace

std::string escapedText(std::string_view text, uint32_t codePage, std::string_view delimiters) {
  bool utf8 = codePage == kUtf8CodePage;
  bool doubleByte = !utf8 && farEastMode();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    size_t control = utf8 ? utf8ControlLength(text, i) : 0;
    // Under double-byte rules C2 can begin or end a character; then C2 9B is no C1 control.
    if (doubleByte && byte == 0xC2 && byteAt(text, i + 1) >= 0x80 && byteAt(text, i + 1) <= 0x9F &&
        byteKindAt(text, static_cast<int32_t>(i + 1)) == ByteKind::SingleByte)
      control = 2;
    if (control > 0) {
      appendHex(out, text.substr(i, control));
      i += control - 1;
    } else if (byte < 0x20 || byte == 0x7F ||
               (!utf8 && !doubleByte && byte >= 0x80 && byte <= 0x9F) ||
               (i + 1 == text.size() &&
                byteKindAt(text, static_cast<int32_t>(i + 1)) == ByteKind::LeadByte) ||
               (delimiters.find(text[i]) != std::string_view::npos &&
                byteKindAt(text, static_cast<int32_t>(i + 1)) != ByteKind::TrailByte)) {
      appendHex(out, text.substr(i, 1));
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

} // namespace velmora
