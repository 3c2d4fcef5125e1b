// The directory part of a path, split at the platform's path delimiters.
#ifndef VELMORA_TEXT_PATH_SPLIT_H
#define VELMORA_TEXT_PATH_SPLIT_H

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

class TextRules;

// 1-based position of the last byte of `path` that is one of `delimiters` and, unless
// `delimitersAreBytes`, a character of its own (not the second byte of a double-byte
// character); 0 when there is none.
int32_t lastDelimiterOf(std::string_view path, std::string_view delimiters,
                        bool delimitersAreBytes = false);

// lastDelimiterOf with the platform's path delimiters.
int32_t lastPathDelimiter(const TextRules &rules, std::string_view path);

// The path up to and including its last delimiter; empty when it has none.
std::string directoryPart(const TextRules &rules, std::string_view path);

} // namespace velmora

#endif
