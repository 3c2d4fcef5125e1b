#include "launcher/placeholders.h"

#include "text/ascii_case.h"
#include "text/byte_kind.h"

namespace velmora {

bool beginsPlaceholder(std::string_view text, size_t offset) {
  return offset < text.size() && text[offset] == '%' &&
         byteKindAt(text, static_cast<int32_t>(offset) + 1) != ByteKind::TrailByte;
}

std::vector<Placeholder> scanPlaceholders(std::string_view text) {
  std::vector<Placeholder> found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%')
      continue;
    Placeholder placeholder{i, PlaceholderKind::Other, text.substr(i, 2), {}};
    char next = asciiLower(text[i + 1]);
    if (!beginsPlaceholder(text, i)) {
      placeholder.kind = PlaceholderKind::InsideCharacter;
    } else if (next == 'p') {
      placeholder.kind = PlaceholderKind::Path;
    } else if (next == 'd') {
      placeholder.kind = PlaceholderKind::Directory;
    } else if (next == 'o') {
      size_t end = i + 2;
      while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
      placeholder.kind = end > i + 2 ? PlaceholderKind::Argument : PlaceholderKind::NoNumber;
      placeholder.written = text.substr(i, end - i);
      placeholder.digits = text.substr(i + 2, end - i - 2);
    }
    found.push_back(placeholder);
  }
  return found;
}

} // namespace velmora
