// The launcher's arguments, split from the process's command line on every request.
#ifndef VELMORA_TEXT_ARGUMENT_LIST_H
#define VELMORA_TEXT_ARGUMENT_LIST_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class CommandSource;
class TextRules;

struct ArgumentToken {
  std::string token;
  size_t position = 0; // where the following call begins
  size_t begin = 0;    // where the token's bytes begin, its quotation marks included
};

// Splits the next token off the NUL-terminated `text` from byte offset `position`. Separators
// are the bytes 0x01 to 0x20, 0x22 opens and closes quoted sections, a backslash is ordinary,
// and characters are stepped by the platform's code page. An empty token means the text has no
// further argument.
ArgumentToken nextArgument(const TextRules &rules, const char *text, size_t position);

// Whether the bytes that shape a command line (the quotation mark, and the separators 0x01 to
// 0x20) may be the second byte of a double-byte character. CharNextA says they may, and Windows
// splits so. No double-byte character set in use on Linux has them as a second byte, so there
// they stand alone: a text that ends in a lead byte, put into a template, then never takes the
// template's closing quotation mark or blank with it.
enum class SeparatorBytes { InCharacters, Alone };

// Every token of a whole command line, token 0 included; used to read a launch command the way
// the launcher reads its own command line.
std::vector<std::string> splitCommandLine(const TextRules &rules, const char *text,
                                          SeparatorBytes separators = SeparatorBytes::InCharacters);

// The argument of a UTF-16 command line, split by the same rules, that holds unit `at` (0 being
// the program), and its text without the quotation marks: which argument a command line lost
// characters of on its way to the ANSI code page.
int argumentHoldingUnit(std::wstring_view line, size_t at, std::wstring &text);

// The command line is split again for each request.
class ArgumentList {
public:
  ArgumentList(const CommandSource &source, const TextRules &rules)
      : source_(source), rules_(rules) {}

  int32_t argumentCount() const;
  // 0: the program's own file path as the platform reports it; 1 to count: the arguments;
  // anything else: empty.
  std::string argumentAt(int32_t index) const;
  // Argument `index` (1 to count) as the command line writes it, quotation marks included:
  // whether it came in one run or in pieces.
  std::string writtenAt(int32_t index) const;
  // Arguments 1 to count in one walk over the command line, for a caller that takes them all:
  // asking argumentAt for each would walk the line once per argument.
  std::vector<std::string> allArguments() const;
  // Entry 0 when the platform delivered it whole; no value when the call failed or the path was
  // longer than the platform's buffer (then its folder is some other folder).
  std::optional<std::string> ownPath() const;

  const TextRules &rules() const { return rules_; }

private:
  // Argument `index` (1 or more) with its place on the command line; empty past the count.
  ArgumentToken tokenAt(int32_t index) const;

  const CommandSource &source_;
  const TextRules &rules_;
};

} // namespace velmora

#endif
