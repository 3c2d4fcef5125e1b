#include "text/web_link.h"

namespace velmora {
namespace {

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSchemeCharacter(char c) {
  return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

} // namespace

bool isLink(std::string_view target) {
  size_t colon = target.find("://");
  if (colon == std::string_view::npos || colon == 0 || !isAsciiLetter(target[0]))
    return false;
  for (size_t i = 1; i < colon; ++i)
    if (!isSchemeCharacter(target[i]))
      return false;
  return true;
}

bool writtenWhole(std::string_view written, std::string_view text) {
  if (written == text)
    return true;
  if (written.size() < text.size() + 1 || written.front() != '"' ||
      written.substr(1, text.size()) != text)
    return false;
  return written.size() == text.size() + 1 ||
         (written.size() == text.size() + 2 && written.back() == '"');
}

} // namespace velmora
