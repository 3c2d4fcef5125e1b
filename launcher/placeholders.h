// The placeholders of a command template as the expansion finds them, for every reader of
// templates: the expansion's passes, velmora-check's report and its linter.
#ifndef VELMORA_LAUNCHER_PLACEHOLDERS_H
#define VELMORA_LAUNCHER_PLACEHOLDERS_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace velmora {

enum class PlaceholderKind {
  Path,            // %P, any case
  Directory,       // %D
  Argument,        // %O and its digits
  NoNumber,        // %O without a digit: no placeholder
  Other,           // '%' and another byte: no placeholder of velmora's
  InsideCharacter, // a '%' that is the second byte of a double-byte character: nothing is
                   // filled there, whatever follows it
};

struct Placeholder {
  size_t offset = 0; // of the '%'
  PlaceholderKind kind = PlaceholderKind::Other;
  std::string_view written; // the '%' and what makes it: "%p", "%O12", "%F"
  std::string_view digits;  // of an Argument
};

// Whether the '%' at `offset` may begin a placeholder: it is a character of its own in the
// process's double-byte rules, as the case-insensitive search counts characters.
bool beginsPlaceholder(std::string_view text, size_t offset);

// Every '%' of `text` that has a byte after it, in order, as one of the kinds above.
std::vector<Placeholder> scanPlaceholders(std::string_view text);

} // namespace velmora

#endif
