#include "text/path_split.h"

#include "platform/text_rules.h"
#include "text/byte_kind.h"

namespace velmora {

int32_t lastDelimiterOf(std::string_view path, std::string_view delimiters,
                        bool delimitersAreBytes) {
  int32_t i = static_cast<int32_t>(path.size());
  while (i > 0) {
    char byte = path[static_cast<size_t>(i) - 1];
    if (byte == '\0' || delimiters.find(byte) == std::string_view::npos) {
      --i;
    } else if (!delimitersAreBytes && byteKindAt(path, i) == ByteKind::TrailByte) {
      // The delimiter byte ends a double-byte character: step over its lead byte too.
      i -= 2;
    } else {
      return i;
    }
  }
  return 0;
}

int32_t lastPathDelimiter(const TextRules &rules, std::string_view path) {
  PathSyntax syntax = rules.pathSyntax();
  return lastDelimiterOf(path, syntax.delimiters, syntax.delimitersAreBytes);
}

std::string directoryPart(const TextRules &rules, std::string_view path) {
  return std::string(path.substr(0, static_cast<size_t>(lastPathDelimiter(rules, path))));
}

} // namespace velmora
