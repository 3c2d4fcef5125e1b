#include "text/argument_list.h"

#include "platform/command_source.h"
#include "platform/text_rules.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr char kQuote = '"';

bool isSeparator(char byte) {
  unsigned value = static_cast<unsigned char>(byte);
  return value >= 0x01 && value <= 0x20;
}

bool endsToken(char byte) {
  return static_cast<unsigned char>(byte) <= 0x20;
}

// A character is never shorter than its first byte, whatever the platform answers. Where the
// separators stand alone, a character ends before the first one, so that a lead byte never
// takes a quotation mark or a blank as its second byte.
size_t charStep(const TextRules &rules, const char *at, SeparatorBytes separators) {
  size_t step = static_cast<size_t>(std::max(1, rules.charLength(at)));
  if (separators == SeparatorBytes::Alone)
    for (size_t i = 1; i < step; ++i)
      if (endsToken(at[i]) || at[i] == kQuote)
        return i;
  return step;
}

size_t skipSeparators(const char *text, size_t position) {
  for (;;) {
    while (isSeparator(text[position]))
      ++position;
    // An empty pair of quotation marks where a token would start counts as a separator.
    if (text[position] != kQuote || text[position + 1] != kQuote)
      return position;
    position += 2;
  }
}

// One walk over a token from `position`. With `out` null it only measures, so that the token can
// be allocated once at its final length and then copied by the same rules.
size_t walkToken(const TextRules &rules, SeparatorBytes separators, const char *text,
                 size_t position, size_t &length, char *out) {
  length = 0;
  auto take = [&](size_t count) {
    if (out != nullptr)
      out = std::copy(text + position, text + position + count, out);
    length += count;
    position += count;
  };
  while (!endsToken(text[position])) {
    if (text[position] == kQuote) {
      ++position;
      while (text[position] != '\0' && text[position] != kQuote)
        take(charStep(rules, text + position, separators));
      if (text[position] == kQuote)
        ++position;
    } else {
      take(charStep(rules, text + position, separators));
    }
  }
  return position;
}

// Steps over one token without building it: reports whether it was empty.
size_t skipArgument(const TextRules &rules, const char *text, size_t position, bool &empty) {
  size_t length = 0;
  position = walkToken(rules, SeparatorBytes::InCharacters, text, skipSeparators(text, position),
                       length, nullptr);
  empty = length == 0;
  return position;
}

ArgumentToken nextToken(const TextRules &rules, SeparatorBytes separators, const char *text,
                        size_t position) {
  size_t start = skipSeparators(text, position);
  size_t length = 0;
  ArgumentToken result;
  result.begin = start;
  result.position = walkToken(rules, separators, text, start, length, nullptr);
  if (length > 0) {
    result.token.resize(length);
    walkToken(rules, separators, text, start, length, result.token.data());
  }
  return result;
}

} // namespace

ArgumentToken nextArgument(const TextRules &rules, const char *text, size_t position) {
  return nextToken(rules, SeparatorBytes::InCharacters, text, position);
}

std::vector<std::string> splitCommandLine(const TextRules &rules, const char *text,
                                          SeparatorBytes separators) {
  std::vector<std::string> tokens;
  size_t position = 0;
  for (;;) {
    ArgumentToken next = nextToken(rules, separators, text, position);
    if (next.token.empty())
      return tokens;
    tokens.push_back(std::move(next.token));
    position = next.position;
  }
}

int argumentHoldingUnit(std::wstring_view line, size_t at, std::wstring &text) {
  int index = -1;
  size_t i = 0;
  for (;;) {
    for (;;) {
      while (i < line.size() && line[i] >= 1 && line[i] <= 0x20)
        ++i;
      if (i + 1 >= line.size() || line[i] != L'"' || line[i + 1] != L'"')
        break;
      i += 2;
    }
    if (i >= line.size())
      return index < 0 ? 0 : index;
    ++index;
    text.clear();
    bool quoted = false;
    for (; i < line.size() && (quoted || line[i] > 0x20); ++i) {
      if (line[i] == L'"')
        quoted = !quoted;
      else
        text += line[i];
    }
    if (at < i)
      return index;
  }
}

int32_t ArgumentList::argumentCount() const {
  const char *text = source_.commandLine();
  bool empty = false;
  size_t position = skipArgument(rules_, text, 0, empty);
  int32_t count = 0;
  for (;;) {
    position = skipArgument(rules_, text, position, empty);
    if (empty)
      return count;
    ++count;
  }
}

namespace {

struct ModulePath {
  std::string bytes;
  bool whole = false;
};

ModulePath modulePath(const CommandSource &source) {
  int capacity = std::max(1, source.modulePathCapacity());
  std::string buffer(static_cast<size_t>(capacity) + 1, '\0');
  int length = source.moduleFileName(buffer.data(), capacity);
  if (length <= 0)
    return {};
  buffer.resize(static_cast<size_t>(std::min(length, capacity)));
  return {std::move(buffer), length < capacity};
}

} // namespace

std::optional<std::string> ArgumentList::ownPath() const {
  ModulePath path = modulePath(source_);
  if (!path.whole)
    return std::nullopt;
  return std::move(path.bytes);
}

std::vector<std::string> ArgumentList::allArguments() const {
  std::vector<std::string> tokens = splitCommandLine(rules_, source_.commandLine());
  if (!tokens.empty())
    tokens.erase(tokens.begin());
  return tokens;
}

std::string ArgumentList::argumentAt(int32_t index) const {
  if (index == 0)
    return modulePath(source_).bytes;
  // A negative index has no argument, like an index past the count.
  if (index < 0)
    return {};
  return tokenAt(index).token;
}

std::string ArgumentList::writtenAt(int32_t index) const {
  if (index <= 0)
    return {};
  ArgumentToken token = tokenAt(index);
  if (token.token.empty())
    return {};
  return std::string(source_.commandLine() + token.begin, token.position - token.begin);
}

ArgumentToken ArgumentList::tokenAt(int32_t index) const {
  const char *text = source_.commandLine();
  size_t position = 0;
  int32_t remaining = index;
  bool empty = false;
  for (;;) {
    if (remaining == 0)
      return nextArgument(rules_, text, position);
    position = skipArgument(rules_, text, position, empty);
    if (empty)
      return {};
    --remaining;
  }
}

} // namespace velmora
