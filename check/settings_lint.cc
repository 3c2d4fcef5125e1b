#include "check/settings_lint.h"

#include "platform/modifier_keys.h"

#include <algorithm>
#include <map>

namespace velmora {
namespace {

struct Line {
  int number;
  std::string text; // without the blanks around it
};

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

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

// Lines end at CR, LF or CRLF, as the reader ends them.
std::vector<Line> linesOf(std::string_view text) {
  std::vector<Line> lines;
  int number = 1;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n')
      continue;
    lines.push_back({number++, trimmed(text.substr(start, i - start))});
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  return lines;
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
      size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1]))
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

// The "%" words of a template that velmora leaves as they stand.
void lintPlaceholders(int number, std::string_view value, std::vector<std::string> &findings) {
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
      findings.push_back(lineText(number) + word +
                         "% stays as written: velmora expands no environment variables. Write "
                         "the folder itself.");
      i = end;
    } else if (std::string_view("FfUu1Ll").find(next) != std::string_view::npos) {
      findings.push_back(lineText(number) + std::string(value.substr(i, 2)) +
                         " is no placeholder of velmora's and stays as written: the file is %P "
                         "(write \"%P\" where its path may hold a space).");
    } else if (next == 'O' || next == 'o') {
      findings.push_back(lineText(number) + std::string(value.substr(i, 2)) +
                         " without a number stays as written: the arguments are %O1, %O2, ...");
    } else if (isNameByte(next) || next == '*' || next == '~') {
      findings.push_back(lineText(number) + std::string(value.substr(i, 2)) +
                         " is no placeholder of velmora's and stays as written (velmora knows %P, "
                         "%D and %O1, %O2, ...).");
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

void lintValue(const KeyLine &line, const std::string &key, std::vector<std::string> &findings) {
  std::string value = readerValue(line.value);
  // A value written in one more pair, as advised, keeps the pair it meant.
  if (value.size() != line.value.size() && readerValue(value).size() == value.size())
    findings.push_back(lineText(line.number) +
                       "the settings reader takes off the quotation marks around the whole "
                       "value, so velmora gets this: " +
                       value + " To keep them, write the value in one more pair: " + key + "=\"" +
                       line.value + "\"");
  lintPlaceholders(line.number, value, findings);
}

} // namespace

std::string nearestName(std::string_view word, const std::vector<std::string> &candidates) {
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
  std::vector<std::string> findings;
  bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16 && bytes.find('\0') != std::string_view::npos) {
    findings.push_back("the file holds NUL bytes, as UTF-16 text without its byte-order mark "
                       "does: the reader finds no [Path] in it. Save it as UTF-16 with its mark "
                       "(\"Unicode\"), or as ANSI or UTF-8 text.");
    return findings;
  }
  bool utf8Mark = !utf16 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
  std::string text = utf16 ? fromUtf16(bytes) : std::string(bytes.substr(utf8Mark ? 3 : 0));

  std::vector<std::string> keyNames;
  for (const ModifierKey &key : kModifierKeys)
    keyNames.push_back(key.settingsKey);
  enum class Section { None, Path, LaterPath, Other } section = Section::None;
  int pathLine = 0;
  std::map<std::string, int> firstLine;
  std::vector<KeyLine> keys;
  for (const Line &line : linesOf(text)) {
    const std::string &t = line.text;
    if (t.empty() || t[0] == ';')
      continue;
    if (t[0] == '[') {
      std::string name =
          t.substr(1, t.find(']') == std::string::npos ? std::string::npos : t.find(']') - 1);
      if (sameName(name, "Path") && pathLine == 0) {
        section = Section::Path;
        pathLine = line.number;
      } else if (sameName(name, "Path")) {
        section = Section::LaterPath;
        findings.push_back(lineText(line.number) + "a second [Path]: the reader searches only " +
                           "the first, on line " + std::to_string(pathLine) +
                           ", so the keys below this one are not read. Move them up there.");
      } else {
        section = Section::Other;
        std::string near = nearestName(name, {"Path"});
        findings.push_back(
            lineText(line.number) + "velmora reads no section [" + name + "]" +
            (near.empty() ? ": its templates go under [Path]." : "; did you mean [Path]?"));
      }
      continue;
    }
    size_t equals = t.find('=');
    if (equals == std::string::npos) {
      findings.push_back(lineText(line.number) + "\"" + t +
                         "\" is no setting: a setting is a key, '=' and the command, as in "
                         "default=notepad.exe \"%P\".");
      continue;
    }
    std::string key = trimmed(t.substr(0, equals));
    if (section == Section::None) {
      findings.push_back(lineText(line.number) + "\"" + key +
                         "\" stands before any section, where the reader finds nothing. Put "
                         "[Path] above it.");
      continue;
    }
    if (section != Section::Path)
      continue;
    auto known =
        std::find_if(std::begin(kModifierKeys), std::end(kModifierKeys),
                     [&key](const ModifierKey &k) { return sameName(key, k.settingsKey); });
    if (known == std::end(kModifierKeys)) {
      std::string near = nearestName(key, keyNames);
      findings.push_back(lineText(line.number) + "velmora reads no key \"" + key + "\"" +
                         (near.empty() ? ": its keys are default, shift, ctrl, alt, X1 and X2."
                                       : "; did you mean \"" + near + "\"?"));
      continue;
    }
    auto [first, added] = firstLine.emplace(known->settingsKey, line.number);
    if (!added) {
      findings.push_back(lineText(line.number) + "\"" + key + "\" is written twice, here and on " +
                         "line " + std::to_string(first->second) +
                         ": the reader takes the first, on line " + std::to_string(first->second) +
                         ".");
      continue;
    }
    keys.push_back({line.number, known->slot, trimmed(t.substr(equals + 1))});
    lintValue(keys.back(), known->settingsKey, findings);
  }
  if (pathLine == 0) {
    findings.push_back("the file has no [Path] section, so every template is empty: write "
                       "[Path] on a line of its own above the templates.");
    return findings;
  }
  // What the reader really gave, beside what the lines say.
  bool lost = !keys.empty();
  for (const KeyLine &key : keys)
    lost = lost && !readerValue(key.value).empty() && read.of(key.slot).empty();
  if (utf8Mark && pathLine == 1 && lost)
    findings.push_back("line 1: the file begins with a UTF-8 byte-order mark, which this "
                       "system's reader takes as part of the first line, so it finds no [Path] "
                       "there. Save the file without the mark, or begin it with a comment line.");
  else
    for (const KeyLine &key : keys)
      if (isAscii(key.value) && read.of(key.slot) != readerValue(key.value))
        findings.push_back(lineText(key.number) + "the reader gave velmora \"" + read.of(key.slot) +
                           "\" for " + modifierKey(key.slot).settingsKey +
                           ", not what the line says.");
  return findings;
}

} // namespace velmora
