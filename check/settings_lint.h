// velmora-check's look at a settings file, line by line, by the reader's own rules, beside what
// the system's reader gave velmora: the mistakes people make in such files, each with its line
// and what to write.
#ifndef VELMORA_CHECK_SETTINGS_LINT_H
#define VELMORA_CHECK_SETTINGS_LINT_H

#include "check/finding.h"
#include "launcher/template_set.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// At most this many findings of one kind are shown; one more says how many there are besides.
constexpr size_t kShownOfAKind = 20;

// Findings in order, each kind shown a bounded number of times: a file can repeat one mistake
// on every line.
class Findings {
public:
  void add(Finding finding);
  // The findings, each kind's overflow told right after the last one shown of it.
  std::vector<Finding> take();

private:
  struct Tally {
    size_t count = 0;
    size_t after = 0; // where the last one shown ends
  };
  std::vector<Finding> findings_;
  Tally tallies_[static_cast<size_t>(FindingKind::Count)];
};

struct SettingsLint {
  std::vector<Finding> findings;
  // For each template, the line the reader takes it from (0 for none), and whether the reader
  // took a pair of quotation marks off its whole value there.
  std::array<int, kSlotCount> lines{};
  std::array<bool, kSlotCount> outerQuotes{};
};

// `bytes` is the file as it lies; `read` the six templates the reader gave velmora from it.
SettingsLint lintSettings(std::string_view bytes, const TemplateSet &read);

// The nearest of `candidates` to `word` when it is a likely slip (two edits at most, case aside,
// and fewer than the word has letters); empty when none is, and for words longer than
// kLongestNearName bytes.
constexpr size_t kLongestNearName = 64;
std::string nearestName(std::string_view word, const std::vector<std::string> &candidates);

} // namespace velmora

#endif
