#include "text/text_routines.h"

#include "platform/text_rules.h"
#include "text/byte_kind.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace velmora {
namespace {

// A count that takes everything from an index to the end, as substring's callers write it.
constexpr int32_t kToTheEnd = std::numeric_limits<int32_t>::max();

std::string_view upToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// substring() as a view: the replacement loop walks its rests without copying them.
std::string_view subview(std::string_view text, int32_t index, int32_t count) {
  if (text.empty() || count <= 0)
    return {};
  size_t start = index < 1 ? 0 : static_cast<size_t>(index) - 1;
  if (start >= text.size())
    return {};
  return text.substr(start, static_cast<size_t>(count));
}

int32_t findFrom(std::string_view needle, std::string_view haystack, size_t from) {
  size_t found = haystack.find(needle, from);
  return found == std::string_view::npos ? 0 : static_cast<int32_t>(found + 1);
}

} // namespace

std::string upperCaseText(const TextRules &rules, std::string_view text) {
  std::string result(text);
  if (!result.empty())
    rules.upperCase(result.data(), static_cast<int>(result.size()));
  return result;
}

int32_t indexOf(std::string_view needle, std::string_view haystack) {
  if (needle.empty() || haystack.size() < needle.size())
    return 0;
  return findFrom(needle, haystack, 0);
}

namespace {

// The character-aware search on texts already cut at their first NUL, so that a caller walking
// a long text match by match does not look for the NUL again each time.
int32_t findCharAware(const TextRules &rules, std::string_view needle, std::string_view haystack) {
  if (needle.empty() || haystack.empty())
    return 0;
  int32_t candidate = findFrom(needle, haystack, 0);
  while (candidate > 0) {
    ByteKind kind = byteKindAt(haystack, candidate);
    if (kind != ByteKind::TrailByte &&
        rules.sameText(haystack.data() + candidate - 1, needle.data(),
                       static_cast<int>(needle.size())))
      return candidate;
    // A refused trail-byte candidate resumes at the very next byte, so an overlapping
    // occurrence that starts on a character of its own is still found.
    size_t next = static_cast<size_t>(candidate) + (kind == ByteKind::LeadByte ? 1 : 0);
    candidate = findFrom(needle, haystack, next);
  }
  return 0;
}

} // namespace

int32_t indexOfCharAware(const TextRules &rules, std::string_view needle,
                         std::string_view haystack) {
  return findCharAware(rules, upToNul(needle), upToNul(haystack));
}

bool containsIgnoreCase(const TextRules &rules, std::string_view text, std::string_view pattern) {
  std::string upperText = upperCaseText(rules, text);
  std::string upperPattern = upperCaseText(rules, pattern);
  return indexOfCharAware(rules, upperPattern, upperText) > 0;
}

std::string replaceAllIgnoreCase(const TextRules &rules, std::string_view text,
                                 std::string_view oldText, std::string_view newText) {
  return *replaceAllIgnoreCaseWithin(rules, text, oldText, newText, SIZE_MAX);
}

std::optional<std::string> replaceAllIgnoreCaseWithin(const TextRules &rules, std::string_view text,
                                                      std::string_view oldText,
                                                      std::string_view newText, size_t limit) {
  // The search runs on an upper-cased copy; the result is built from the caller's own bytes.
  // Upper-casing keeps byte lengths, so both rests stay aligned. The search never looks past
  // the first NUL, so the copy is cut there once; what follows is only ever copied.
  std::string upper = upperCaseText(rules, text);
  std::string pattern = upperCaseText(rules, oldText);
  std::string_view searchRest = upToNul(upper);
  std::string_view patternText = upToNul(pattern);
  std::string_view sourceRest = text;
  std::string result;
  auto append = [&](std::string_view part) {
    if (part.size() > limit - result.size())
      return false;
    result.append(part);
    return true;
  };
  while (!sourceRest.empty()) {
    int32_t p = findCharAware(rules, patternText, searchRest);
    if (p == 0) {
      if (!append(sourceRest))
        return std::nullopt;
      break;
    }
    if (!append(subview(sourceRest, 1, p - 1)) || !append(newText))
      return std::nullopt;
    sourceRest = subview(sourceRest, p + static_cast<int32_t>(oldText.size()), kToTheEnd);
    searchRest = subview(searchRest, p + static_cast<int32_t>(pattern.size()), kToTheEnd);
  }
  return result;
}

std::string substring(std::string_view text, int32_t index, int32_t count) {
  return std::string(subview(text, index, count));
}

std::string decimalText(int32_t n) {
  return std::to_string(n);
}

} // namespace velmora
