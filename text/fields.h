// Fields of a line that one separator joins, as the records velmora-setup writes keep them:
// every separator starts a field, so "a||b" has three and "" has one.
#ifndef VELMORA_TEXT_FIELDS_H
#define VELMORA_TEXT_FIELDS_H

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline std::vector<std::string> splitFields(std::string_view text, char separator) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == separator)
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

} // namespace velmora

#endif
