// ASCII case, for names the system compares without regard to it (settings keys and sections,
// program names, file extensions): only A-Z and a-z, whatever the code page, so that no byte of
// a double-byte character ever changes.
#ifndef VELMORA_TEXT_ASCII_CASE_H
#define VELMORA_TEXT_ASCII_CASE_H

#include <string>
#include <string_view>

namespace velmora {

constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    c = asciiLower(c);
  return lower;
}

constexpr bool sameAsciiName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i]))
      return false;
  return true;
}

} // namespace velmora

#endif
