// How a settings file reads, line by line, by the rules of Windows' GetPrivateProfileStringA:
// the one tokenizer that velmora's own reader on POSIX and velmora-check's linter both follow.
//   - A UTF-8 byte-order mark is skipped; UTF-16LE text with its mark is read as UTF-8.
//   - Lines end at CR, LF or CRLF; space, tab and vertical tab are trimmed around names and
//     values; a line whose first non-blank is ';' is a comment.
//   - "[name" starts a section, which ends at the first ']' (the rest of the line is ignored).
//   - A key line splits at its first '='; a line without '=' is no key.
//   - One outer pair of matching '"' or '\'' around a value is removed.
//   - A value ends at a NUL byte, as it would in a C-string buffer.
//   - Names match without regard to ASCII case; only the first section of a name is searched,
//     the first key of a name wins, and keys before the first section are never found.
#ifndef VELMORA_TEXT_SETTINGS_LINES_H
#define VELMORA_TEXT_SETTINGS_LINES_H

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A settings file's text as the reader parses it: UTF-16LE text (with its mark) becomes UTF-8,
// with U+FFFD for an unpaired surrogate or an odd last byte; a UTF-8 mark is dropped. Decoded
// once, it serves every value read from the file.
struct SettingsText {
  std::string text;
  bool fromUtf16 = false;
  bool utf8Mark = false; // the file began with one
};
SettingsText decodeSettingsText(std::string_view bytes);

enum class SettingsLineKind { Empty, Comment, Section, Setting, NoSetting };

struct SettingsLine {
  int number = 0; // 1-based
  SettingsLineKind kind = SettingsLineKind::Empty;
  std::string_view text;     // the line, without the blanks around it
  std::string_view name;     // a section's or a setting's, without the blanks around it
  std::string_view rawValue; // a setting's, after its first '=', without the blanks around it
  std::string_view value;    // as the reader hands it on: the outer pair off, cut at a NUL
  bool unquoted = false;     // the reader took an outer pair of quotation marks off
  int section = 0;           // the line of the section header above; 0 before any
};

// The lines of decoded text, one at a time; the views point into that text.
class SettingsLines {
public:
  explicit SettingsLines(std::string_view text) : text_(text) {}
  // The next line; false past the last.
  bool next(SettingsLine &line);

private:
  std::string_view text_;
  size_t position_ = 0;
  int number_ = 0;
  int section_ = 0;
  bool done_ = false;
};

// `value` without one pair of the same quotation mark ('"' or '\'') around the whole of it.
std::string_view withoutOuterQuotes(std::string_view value);

// The line the reader takes the value of `key` in `section` from: the first setting of that
// name in the first section of that name; no value when there is none.
std::optional<SettingsLine> settingLine(std::string_view text, std::string_view section,
                                        std::string_view key);
// The line of the first section named `section`, the only one the reader searches; 0 for none.
int searchedSection(std::string_view text, std::string_view section);

} // namespace velmora

#endif
