#include "check/settings_lint.h"

#include "text/ascii_case.h"
#include "text/settings_lines.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr char kSection[] = "Path";

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

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

const ModifierKey *knownKey(std::string_view name) {
  for (const ModifierKey &key : kModifierKeys)
    if (sameAsciiName(name, key.settingsKey))
      return &key;
  return nullptr;
}

// One walk over the lines, knowing from the reader's rules which section it searches and which
// line gives each template.
class SettingsLinter {
public:
  explicit SettingsLinter(std::string_view text) : pathLine_(searchedSection(text, kSection)) {
    for (const ModifierKey &key : kModifierKeys) {
      keyNames_.push_back(key.settingsKey);
      if (std::optional<SettingsLine> line = settingLine(text, kSection, key.settingsKey))
        lint_.lines[static_cast<size_t>(key.slot)] = line->number;
    }
  }

  void line(const SettingsLine &line) {
    if (line.kind == SettingsLineKind::Section)
      sectionLine(line);
    else if (line.kind == SettingsLineKind::NoSetting)
      add(FindingKind::NoSetting, line.number,
          "\"" + std::string(line.text) +
              "\" is no setting: a setting is a key, '=' and the command, as in "
              "default=notepad.exe \"%P\".");
    else if (line.kind == SettingsLineKind::Setting)
      keyLine(line);
  }

  SettingsLint finish(const SettingsText &file, const TemplateSet &read) {
    if (pathLine_ == 0)
      add(FindingKind::NoPathSection, 0,
          "the file has no [Path] section, so every template is empty: write [Path] on a line of "
          "its own above the templates.");
    else
      compareWithReader(file.utf8Mark, read);
    lint_.findings = findings_.take();
    return std::move(lint_);
  }

private:
  void add(FindingKind kind, int line, std::string text) {
    findings_.add({kind, line, std::nullopt, std::move(text)});
  }

  void sectionLine(const SettingsLine &line) {
    std::string name(line.name);
    if (line.number == pathLine_)
      return;
    if (sameAsciiName(name, kSection)) {
      add(FindingKind::SecondPath, line.number,
          "a second [Path]: the reader searches only the first, on line " +
              std::to_string(pathLine_) +
              ", so the keys below this one are not read. Move them up there.");
      return;
    }
    bool near = !nearestName(name, {kSection}).empty();
    add(FindingKind::UnknownSection, line.number,
        "velmora reads no section [" + name + "]" +
            (near ? "; did you mean [Path]?" : ": its templates go under [Path]."));
  }

  void keyLine(const SettingsLine &line) {
    std::string key(line.name);
    if (line.section == 0) {
      add(FindingKind::BeforeSection, line.number,
          "\"" + key +
              "\" stands before any section, where the reader finds nothing. Put [Path] above "
              "it.");
      return;
    }
    if (line.section != pathLine_)
      return;
    const ModifierKey *known = knownKey(key);
    if (known == nullptr) {
      std::string near = nearestName(key, keyNames_);
      add(FindingKind::UnknownKey, line.number,
          "velmora reads no key \"" + key + "\"" +
              (near.empty() ? ": its keys are default, shift, ctrl, alt, X1 and X2."
                            : "; did you mean \"" + near + "\"?"));
      return;
    }
    auto slot = static_cast<size_t>(known->slot);
    if (line.number != lint_.lines[slot]) {
      std::string first = std::to_string(lint_.lines[slot]);
      add(FindingKind::WrittenTwice, line.number,
          "\"" + key + "\" is written twice, here and on line " + first +
              ": the reader takes the first, on line " + first + ".");
      return;
    }
    values_.push_back(line);
    // A value written in one more pair, as advised, keeps the pair it meant.
    if (line.unquoted && withoutOuterQuotes(line.value).size() == line.value.size()) {
      lint_.outerQuotes[slot] = true;
      add(FindingKind::OuterQuotes, line.number,
          "the settings reader takes off the quotation marks around the whole value, so "
          "velmora gets this: " +
              std::string(line.value) + " To keep them, write the value in one more pair: " +
              known->settingsKey + "=\"" + std::string(line.rawValue) + "\"");
    }
  }

  // What the reader really gave, beside what the lines say.
  void compareWithReader(bool utf8Mark, const TemplateSet &read) {
    bool lost = !values_.empty();
    for (const SettingsLine &line : values_)
      lost = lost && !line.value.empty() && read.of(knownKey(line.name)->slot).empty();
    if (utf8Mark && pathLine_ == 1 && lost) {
      add(FindingKind::Utf8Mark, 1,
          "the file begins with a UTF-8 byte-order mark, which this system's reader takes as "
          "part of the first line, so it finds no [Path] there. Save the file without the "
          "mark, or begin it with a comment line.");
      return;
    }
    for (const SettingsLine &line : values_) {
      const ModifierKey &key = *knownKey(line.name);
      if (isAscii(line.rawValue) && read.of(key.slot) != line.value)
        add(FindingKind::ReaderDiffers, line.number,
            "the reader gave velmora \"" + read.of(key.slot) + "\" for " + key.settingsKey +
                ", not what the line says.");
    }
  }

  int pathLine_;
  std::vector<std::string> keyNames_;
  std::vector<SettingsLine> values_; // the lines the templates are read from, at most six
  Findings findings_;
  SettingsLint lint_;
};

} // namespace

void Findings::add(Finding finding) {
  Tally &tally = tallies_[static_cast<size_t>(finding.kind)];
  if (++tally.count <= kShownOfAKind) {
    findings_.push_back(std::move(finding));
    tally.after = findings_.size();
  }
}

std::vector<Finding> Findings::take() {
  std::vector<std::pair<size_t, Finding>> more;
  for (size_t kind = 0; kind < static_cast<size_t>(FindingKind::Count); ++kind)
    if (tallies_[kind].count > kShownOfAKind)
      more.push_back({tallies_[kind].after,
                      {static_cast<FindingKind>(kind), 0, std::nullopt,
                       "... and " + std::to_string(tallies_[kind].count - kShownOfAKind) +
                           " more of this kind"}});
  // From the back, so that each place stays where it was counted.
  std::sort(more.begin(), more.end(),
            [](const auto &a, const auto &b) { return a.first > b.first; });
  for (auto &[at, finding] : more)
    findings_.insert(findings_.begin() + static_cast<std::ptrdiff_t>(at), std::move(finding));
  return std::move(findings_);
}

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

SettingsLint lintSettings(std::string_view bytes, const TemplateSet &read) {
  bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16 && bytes.find('\0') != std::string_view::npos) {
    SettingsLint lint;
    lint.findings.push_back(
        {FindingKind::NulBytes, 0, std::nullopt,
         "the file holds NUL bytes, as UTF-16 text without its byte-order mark does: the reader "
         "finds no [Path] in it. Save it as UTF-16 with its mark (\"Unicode\"), or as ANSI or "
         "UTF-8 text."});
    return lint;
  }
  SettingsText file = decodeSettingsText(bytes);
  SettingsLinter linter(file.text);
  SettingsLines lines(file.text);
  SettingsLine line;
  while (lines.next(line))
    linter.line(line);
  return linter.finish(file, read);
}

} // namespace velmora
