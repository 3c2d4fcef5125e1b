#include "check/settings_lint.h"

#include "platform/modifier_keys.h"
#include "text/ascii_case.h"

#include <algorithm>
#include <map>

namespace velmora {
namespace {

struct Line {
  int number;
  std::string text; // without the blanks around it
};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

std::string trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  return std::string(text.substr(begin, end - begin));
}

// A UTF-16LE file as UTF-8: the reader reads such a file as text, and so do the checks.
std::string fromUtf16(std::string_view bytes) {
  std::string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(bytes[i]) |
                    static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else if (unit < 0x800) {
      text += static_cast<char>(0xC0 | unit >> 6);
      text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | unit >> 12);
      text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return text;
}

// Lines end at CR, LF or CRLF, as the reader ends them. Walked, not stored: a file of a
// million empty lines costs no more than its bytes.
template <typename Visit> void forEachLine(std::string_view text, Visit visit) {
  int number = 1;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n')
      continue;
    visit(Line{number++, trimmed(text.substr(start, i - start))});
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
}

// Edits (insert, delete, replace, swap two neighbours) from `a` to `b`, case aside.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t cost = asciiLower(a[i - 1]) == asciiLower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && asciiLower(a[i - 1]) == asciiLower(b[j - 2]) &&
          asciiLower(a[i - 2]) == asciiLower(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::string lineText(int number) {
  return "line " + std::to_string(number) + ": ";
}

bool isNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// What a finding is about; a file can repeat one mistake on every line, so each kind is shown
// a bounded number of times.
enum class FindingKind {
  EnvironmentVariable,
  ForeignPlaceholder,
  NumberlessArgument,
  UnknownPlaceholder,
  OuterQuotes,
  SecondPath,
  UnknownSection,
  NoSetting,
  BeforeSection,
  UnknownKey,
  WrittenTwice,
  ReaderDiffers,
  Count
};

constexpr size_t kShownOfAKind = 20;

class Findings {
public:
  void add(FindingKind kind, std::string text) {
    Tally &tally = tallies_[static_cast<size_t>(kind)];
    if (++tally.count <= kShownOfAKind) {
      texts_.push_back(std::move(text));
      tally.after = texts_.size();
    }
  }
  void add(std::string text) { texts_.push_back(std::move(text)); }

  // The findings, each kind's overflow told after the last one shown of it.
  std::vector<std::string> take() {
    std::vector<std::pair<size_t, std::string>> more;
    for (const Tally &tally : tallies_)
      if (tally.count > kShownOfAKind)
        more.emplace_back(tally.after, "... and " + std::to_string(tally.count - kShownOfAKind) +
                                           " more of this kind");
    std::sort(more.begin(), more.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    for (auto &[at, text] : more)
      texts_.insert(texts_.begin() + static_cast<std::ptrdiff_t>(at), std::move(text));
    return std::move(texts_);
  }

private:
  struct Tally {
    size_t count = 0;
    size_t after = 0; // where the last one shown ends
  };
  std::vector<std::string> texts_;
  Tally tallies_[static_cast<size_t>(FindingKind::Count)];
};

// The "%" words of a template that velmora leaves as they stand.
void lintPlaceholders(int number, std::string_view value, Findings &findings) {
  for (size_t i = 0; i + 1 < value.size(); ++i) {
    if (value[i] != '%')
      continue;
    char next = value[i + 1];
    if (next == 'P' || next == 'p' || next == 'D' || next == 'd')
      continue;
    if ((next == 'O' || next == 'o') && i + 2 < value.size() && value[i + 2] >= '0' &&
        value[i + 2] <= '9')
      continue;
    size_t end = i + 1;
    while (end < value.size() && isNameByte(value[end]))
      ++end;
    std::string word(value.substr(i, end - i));
    if (end < value.size() && value[end] == '%' && end - i > 2) {
      findings.add(FindingKind::EnvironmentVariable,
                   lineText(number) + word +
                       "% stays as written: velmora expands no environment variables. Write "
                       "the folder itself.");
      i = end;
    } else if (std::string_view("FfUu1Ll").find(next) != std::string_view::npos) {
      findings.add(FindingKind::ForeignPlaceholder,
                   lineText(number) + std::string(value.substr(i, 2)) +
                       " is no placeholder of velmora's and stays as written: the file is %P "
                       "(write \"%P\" where its path may hold a space).");
    } else if (next == 'O' || next == 'o') {
      findings.add(FindingKind::NumberlessArgument,
                   lineText(number) + std::string(value.substr(i, 2)) +
                       " without a number stays as written: the arguments are %O1, %O2, ...");
    } else if (isNameByte(next) || next == '*' || next == '~') {
      findings.add(FindingKind::UnknownPlaceholder,
                   lineText(number) + std::string(value.substr(i, 2)) +
                       " is no placeholder of velmora's and stays as written (velmora knows "
                       "%P, %D and %O1, %O2, ...).");
    }
  }
}

// The value as the reader hands it on: one pair of the same quotation mark around the whole
// of it goes.
std::string readerValue(const std::string &value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct KeyLine {
  int number;
  ModifierSlot slot;
  std::string value;
};

void lintValue(const KeyLine &line, const std::string &key, Findings &findings) {
  std::string value = readerValue(line.value);
  // A value written in one more pair, as advised, keeps the pair it meant.
  if (value.size() != line.value.size() && readerValue(value).size() == value.size())
    findings.add(FindingKind::OuterQuotes,
                 lineText(line.number) +
                     "the settings reader takes off the quotation marks around the whole "
                     "value, so velmora gets this: " +
                     value + " To keep them, write the value in one more pair: " + key + "=\"" +
                     line.value + "\"");
  lintPlaceholders(line.number, value, findings);
}

// The text of a file as the reader reads it: UTF-16 with its mark as UTF-8, a UTF-8 mark off.
struct FileText {
  std::string text;
  bool utf8Mark = false;
};

FileText fileText(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
    return {fromUtf16(bytes), false};
  bool utf8Mark = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  return {std::string(bytes.substr(utf8Mark ? 3 : 0)), utf8Mark};
}

// One walk over the lines of a file, with what the lines before have settled.
class SettingsLinter {
public:
  SettingsLinter() {
    for (const ModifierKey &key : kModifierKeys)
      keyNames_.push_back(key.settingsKey);
  }

  void line(const Line &line) {
    const std::string &t = line.text;
    if (t.empty() || t[0] == ';')
      return;
    if (t[0] == '[')
      sectionLine(line);
    else
      settingLine(line);
  }

  std::vector<std::string> finish(bool utf8Mark, const TemplateSet &read) {
    if (pathLine_ == 0) {
      findings_.add("the file has no [Path] section, so every template is empty: write "
                    "[Path] on a line of its own above the templates.");
      return findings_.take();
    }
    compareWithReader(utf8Mark, read);
    return findings_.take();
  }

private:
  enum class Section { None, Path, LaterPath, Other };

  void sectionLine(const Line &line) {
    const std::string &t = line.text;
    std::string name =
        t.substr(1, t.find(']') == std::string::npos ? std::string::npos : t.find(']') - 1);
    if (sameAsciiName(name, "Path") && pathLine_ == 0) {
      section_ = Section::Path;
      pathLine_ = line.number;
    } else if (sameAsciiName(name, "Path")) {
      section_ = Section::LaterPath;
      findings_.add(FindingKind::SecondPath,
                    lineText(line.number) + "a second [Path]: the reader searches only the " +
                        "first, on line " + std::to_string(pathLine_) +
                        ", so the keys below this one are not read. Move them up there.");
    } else {
      section_ = Section::Other;
      std::string near = nearestName(name, {"Path"});
      findings_.add(
          FindingKind::UnknownSection,
          lineText(line.number) + "velmora reads no section [" + name + "]" +
              (near.empty() ? ": its templates go under [Path]." : "; did you mean [Path]?"));
    }
  }

  void settingLine(const Line &line) {
    const std::string &t = line.text;
    size_t equals = t.find('=');
    if (equals == std::string::npos) {
      findings_.add(FindingKind::NoSetting,
                    lineText(line.number) + "\"" + t +
                        "\" is no setting: a setting is a key, '=' and the command, as in "
                        "default=notepad.exe \"%P\".");
      return;
    }
    std::string key = trimmed(t.substr(0, equals));
    if (section_ == Section::None) {
      findings_.add(FindingKind::BeforeSection,
                    lineText(line.number) + "\"" + key +
                        "\" stands before any section, where the reader finds nothing. Put "
                        "[Path] above it.");
      return;
    }
    if (section_ != Section::Path)
      return;
    auto known =
        std::find_if(std::begin(kModifierKeys), std::end(kModifierKeys),
                     [&key](const ModifierKey &k) { return sameAsciiName(key, k.settingsKey); });
    if (known == std::end(kModifierKeys)) {
      std::string near = nearestName(key, keyNames_);
      findings_.add(FindingKind::UnknownKey,
                    lineText(line.number) + "velmora reads no key \"" + key + "\"" +
                        (near.empty() ? ": its keys are default, shift, ctrl, alt, X1 and X2."
                                      : "; did you mean \"" + near + "\"?"));
      return;
    }
    auto [first, added] = firstLine_.emplace(known->settingsKey, line.number);
    if (!added) {
      std::string firstText = std::to_string(first->second);
      findings_.add(FindingKind::WrittenTwice,
                    lineText(line.number) + "\"" + key + "\" is written twice, here and on " +
                        "line " + firstText + ": the reader takes the first, on line " + firstText +
                        ".");
      return;
    }
    keys_.push_back({line.number, known->slot, trimmed(t.substr(equals + 1))});
    lintValue(keys_.back(), known->settingsKey, findings_);
  }

  // What the reader really gave, beside what the lines say.
  void compareWithReader(bool utf8Mark, const TemplateSet &read) {
    bool lost = !keys_.empty();
    for (const KeyLine &key : keys_)
      lost = lost && !readerValue(key.value).empty() && read.of(key.slot).empty();
    if (utf8Mark && pathLine_ == 1 && lost) {
      findings_.add("line 1: the file begins with a UTF-8 byte-order mark, which this "
                    "system's reader takes as part of the first line, so it finds no [Path] "
                    "there. Save the file without the mark, or begin it with a comment line.");
      return;
    }
    for (const KeyLine &key : keys_)
      if (isAscii(key.value) && read.of(key.slot) != readerValue(key.value))
        findings_.add(FindingKind::ReaderDiffers,
                      lineText(key.number) + "the reader gave velmora \"" + read.of(key.slot) +
                          "\" for " + modifierKey(key.slot).settingsKey +
                          ", not what the line says.");
  }

  Findings findings_;
  std::vector<std::string> keyNames_;
  Section section_ = Section::None;
  int pathLine_ = 0;
  std::map<std::string, int> firstLine_;
  std::vector<KeyLine> keys_;
};

} // namespace

std::string nearestName(std::string_view word, const std::vector<std::string> &candidates) {
  // A slip is a short word's: a longer one is no name mistyped, and measuring it would cost a
  // row per byte.
  if (word.size() > kLongestNearName)
    return {};
  std::string best;
  size_t bestDistance = 3;
  for (const std::string &candidate : candidates) {
    size_t distance = editDistance(word, candidate);
    if (distance < bestDistance && distance < word.size()) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best;
}

std::vector<std::string> lintSettings(std::string_view bytes, const TemplateSet &read) {
  bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16 && bytes.find('\0') != std::string_view::npos)
    return {"the file holds NUL bytes, as UTF-16 text without its byte-order mark does: the "
            "reader finds no [Path] in it. Save it as UTF-16 with its mark (\"Unicode\"), or as "
            "ANSI or UTF-8 text."};
  FileText file = fileText(bytes);
  SettingsLinter linter;
  forEachLine(file.text, [&linter](const Line &line) { linter.line(line); });
  return linter.finish(file.utf8Mark, read);
}

} // namespace velmora
