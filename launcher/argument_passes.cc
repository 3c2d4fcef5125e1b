// The "%O" passes in time linear in what they change. Pass n replaces every "%O<n>" of the whole
// command so far, so a pass that rewrote a flat string would cost the whole command: with many
// passes that each find one placeholder (arguments "%O2", "%O3", ... chained), quadratic. Here
// the command is a list of stretches, cut where a placeholder may begin, and each stretch that
// reads as a placeholder waits in the bucket of the pass that will take it. A pass then touches
// only its own placeholders, the text it brings in, and the few bytes before each place it
// changed. The rule itself, pass by pass over the whole text, is substituteArgumentsPassByPass
// (launcher/argument_passes_reference.h); the tests hold the two to the same results.
//
// What holds between passes:
// - The stretches, in list order, spell the command so far.
// - Only a stretch's first byte may begin a placeholder, and only when it is a '%' that is a
//   character of its own (`beginsAtPercent`); every such '%' of the command begins a stretch.
// - Such a stretch waits in the bucket of `takenBy`, the first pass after the one that last
//   changed its reading whose number its digits begin with, or in none (0). A bucket entry whose
//   `reuses` differs from its stretch's is stale: the stretch went and its storage came back.
// - A replacement changes the reading only of what it brought in and of a placeholder that
//   begins at most kLongestReading bytes before it; those are assigned again once the pass ends.
#include "launcher/template_expansion.h"

#include "launcher/placeholders.h"
#include "text/argument_list.h"
#include "text/text_routines.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace velmora {
namespace {

// "%O" and at most ten digits: a longer number is past any pass.
constexpr size_t kLongestReading = 12;

// A text as it comes into the command: the command after the first stage, or an argument. The
// placeholders are looked for in its upper-cased copy, as the case-insensitive search does, and
// may begin only at a '%' that is a character of its own.
struct ScannedText {
  std::string_view text;
  std::string upper;
  std::vector<size_t> percents;
};

ScannedText scanned(const TextRules &rules, std::string_view text) {
  ScannedText source{text, upperCaseText(rules, text), {}};
  for (size_t i = 0; i < text.size(); ++i)
    if (beginsPlaceholder(text, i))
      source.percents.push_back(i);
  return source;
}

// A stretch of the command, a view into the command or an argument it came from. Only its first
// byte may begin a placeholder (`beginsAtPercent`).
struct Stretch {
  std::string_view text, upper;
  Stretch *prev = nullptr, *next = nullptr;
  bool beginsAtPercent = false;
  int32_t takenBy = 0; // the pass that takes it: 0 none, -1 taken by the pass under way
  uint32_t reuses = 0; // counts the storage's reuses, so that old bucket entries go stale
};

// A placeholder waiting in a pass's bucket, as it stood when it was put there.
struct Waiting {
  Stretch *stretch;
  uint32_t reuses;
};

class PassRun {
public:
  PassRun(const TextRules &rules, const std::vector<std::string> &arguments, size_t shift,
          int32_t lastPass, size_t limit, size_t budget)
      : rules_(rules), arguments_(arguments), shift_(shift), lastPass_(lastPass), limit_(limit),
        budget_(budget), scannedArguments_(static_cast<size_t>(lastPass) + 1),
        waiting_(static_cast<size_t>(lastPass) + 1) {}

  // Whether the run stopped because its replacements used up the budget.
  bool overBudget() const { return overBudget_; }

  std::optional<std::string> run(const std::string &command) {
    length_ = command.size();
    command_ = scanned(rules_, command);
    Span all = insert(&head_, command_);
    assignPassesWithin(all, 0);
    for (int32_t pass = 1; pass <= lastPass_; ++pass)
      if (!runPass(pass))
        return std::nullopt;
    std::string result;
    result.reserve(length_);
    for (const Stretch *stretch = head_.next; stretch != nullptr; stretch = stretch->next)
      result.append(stretch->text);
    return result;
  }

private:
  struct Span {
    Stretch *first, *last;
  };

  bool runPass(int32_t pass) {
    std::vector<Waiting> bucket;
    bucket.swap(waiting_[static_cast<size_t>(pass)]);
    std::vector<Stretch *> taken;
    for (const Waiting &entry : bucket)
      if (entry.stretch->reuses == entry.reuses && entry.stretch->beginsAtPercent &&
          entry.stretch->takenBy == pass) {
        entry.stretch->takenBy = -1;
        taken.push_back(entry.stretch);
      }
    if (taken.empty())
      return true;
    const ScannedText &argument = scannedArgument(pass);
    size_t span = 2 + decimalText(pass).size();
    std::vector<Span> changed;
    for (Stretch *site : taken) {
      Stretch *before = site->prev;
      cutFront(site, span);
      changed.push_back(insert(before, argument));
      // Each replacement costs what it brings in: the work stays within the budget.
      size_t cost = 1 + argument.text.size();
      if (cost > budget_) {
        overBudget_ = true;
        return false;
      }
      budget_ -= cost;
      length_ = length_ - span + argument.text.size();
      // Every replacement of a pass changes the length alike: past the limit, it stays past.
      if (length_ > limit_)
        return false;
    }
    // Once the whole pass is done: what it brought in, and the placeholders just before each
    // place it changed, which may now read on into the new text.
    for (const Span &inserted : changed) {
      assignPassesWithin(inserted, pass);
      reassignBefore(inserted.first, pass);
    }
    return true;
  }

  const ScannedText &scannedArgument(int32_t pass) {
    std::unique_ptr<ScannedText> &source = scannedArguments_[static_cast<size_t>(pass)];
    if (!source)
      source = std::make_unique<ScannedText>(
          scanned(rules_, arguments_[static_cast<size_t>(pass) - 1 + shift_]));
    return *source;
  }

  // Links the stretches of `source` after `before`.
  Span insert(Stretch *before, const ScannedText &source) {
    Stretch *after = before->next;
    Span inserted{nullptr, before};
    auto add = [&](size_t from, size_t to, bool beginsAtPercent) {
      Stretch *stretch = newStretch();
      stretch->text = source.text.substr(from, to - from);
      stretch->upper = std::string_view(source.upper).substr(from, to - from);
      stretch->beginsAtPercent = beginsAtPercent;
      stretch->takenBy = 0;
      stretch->prev = inserted.last;
      inserted.last->next = stretch;
      inserted.last = stretch;
      if (inserted.first == nullptr)
        inserted.first = stretch;
    };
    size_t size = source.text.size();
    size_t firstPercent = source.percents.empty() ? size : source.percents.front();
    if (firstPercent > 0 || source.percents.empty())
      add(0, firstPercent, false);
    for (size_t i = 0; i < source.percents.size(); ++i)
      add(source.percents[i], i + 1 < source.percents.size() ? source.percents[i + 1] : size, true);
    inserted.last->next = after;
    if (after != nullptr)
      after->prev = inserted.last;
    return inserted;
  }

  // Takes `count` bytes off the front of the command from `stretch` on; stretches left empty go.
  void cutFront(Stretch *stretch, size_t count) {
    stretch->beginsAtPercent = false;
    stretch->takenBy = 0;
    while (stretch != nullptr && count > 0) {
      size_t cut = std::min(count, stretch->text.size());
      stretch->text.remove_prefix(cut);
      stretch->upper.remove_prefix(cut);
      count -= cut;
      Stretch *next = stretch->next;
      if (stretch->text.empty())
        release(stretch);
      stretch = next;
    }
  }

  void assignPassesWithin(const Span &inserted, int32_t since) {
    for (Stretch *stretch = inserted.first; stretch != nullptr; stretch = stretch->next) {
      if (stretch->beginsAtPercent)
        assignPass(stretch, since);
      if (stretch == inserted.last)
        break;
    }
  }

  // A placeholder that begins at most a reading's length before `stretch` may read on into it.
  void reassignBefore(Stretch *stretch, int32_t since) {
    size_t distance = 0;
    for (Stretch *before = stretch->prev; before != &head_ && distance < kLongestReading;
         before = before->prev) {
      distance += before->text.size();
      if (before->beginsAtPercent) {
        if (distance < kLongestReading)
          assignPass(before, since);
        return;
      }
    }
  }

  // The pass that takes the placeholder at `stretch`: the first whose number its digits begin
  // with, of those after `since` (when it was last changed) up to the last pass; 0 for none.
  void assignPass(Stretch *stretch, int32_t since) {
    char reading[kLongestReading];
    size_t length = 0;
    for (const Stretch *at = stretch; at != nullptr && length < kLongestReading; at = at->next) {
      if (at != stretch && at->beginsAtPercent)
        break;
      for (size_t i = 0; i < at->upper.size() && length < kLongestReading; ++i)
        reading[length++] = at->upper[i];
    }
    stretch->takenBy = 0;
    if (length < 2 || reading[1] != 'O')
      return;
    size_t digits = 2;
    while (digits < length && reading[digits] >= '0' && reading[digits] <= '9')
      ++digits;
    stretch->takenBy = passTaking(std::string_view(reading + 2, digits - 2), since, lastPass_);
    if (stretch->takenBy != 0)
      waiting_[static_cast<size_t>(stretch->takenBy)].push_back({stretch, stretch->reuses});
  }

  Stretch *newStretch() {
    if (free_.empty()) {
      stretches_.emplace_back();
      return &stretches_.back();
    }
    Stretch *stretch = free_.back();
    free_.pop_back();
    return stretch;
  }

  void release(Stretch *stretch) {
    stretch->prev->next = stretch->next;
    if (stretch->next != nullptr)
      stretch->next->prev = stretch->prev;
    stretch->beginsAtPercent = false;
    ++stretch->reuses;
    free_.push_back(stretch);
  }

  const TextRules &rules_;
  const std::vector<std::string> &arguments_;
  size_t shift_;
  int32_t lastPass_;
  size_t limit_;
  size_t budget_;
  bool overBudget_ = false;
  size_t length_ = 0;
  ScannedText command_;
  std::vector<std::unique_ptr<ScannedText>>
      scannedArguments_; // an argument's, once it is brought in
  std::vector<std::vector<Waiting>> waiting_;
  Stretch head_;
  std::deque<Stretch> stretches_;
  std::vector<Stretch *> free_;
};

// Whether any pass may find something: "%O" (any case) and a digit other than 0.
bool mayHoldPlaceholder(std::string_view text) {
  for (size_t i = 0; i + 2 < text.size(); ++i)
    if (text[i] == '%' && (text[i + 1] == 'O' || text[i + 1] == 'o') && text[i + 2] >= '1' &&
        text[i + 2] <= '9')
      return true;
  return false;
}

} // namespace

int32_t passTaking(std::string_view digits, int32_t since, int32_t lastPass) {
  if (digits.empty() || digits[0] == '0')
    return 0;
  int64_t number = 0;
  for (char digit : digits) {
    if (digit < '0' || digit > '9')
      return 0;
    number = number * 10 + (digit - '0');
    if (number > lastPass)
      return 0;
    if (number > since)
      return static_cast<int32_t>(number);
  }
  return 0;
}

std::optional<std::string> substituteArguments(const std::string &command,
                                               const ArgumentList &arguments, bool settingsOption,
                                               size_t limit, bool *tooManyReplacements) {
  if (command.size() > limit)
    return std::nullopt;
  // The arguments are split only when a pass may find something.
  if (!mayHoldPlaceholder(command))
    return command;
  std::vector<std::string> all = arguments.allArguments();
  int32_t lastPass = argumentPasses(static_cast<int32_t>(all.size()), settingsOption);
  if (lastPass == 0)
    return command;
  // Four times what came in and what may go out; counted so that it cannot overflow.
  size_t budget = std::min(limit, SIZE_MAX / 8) + command.size();
  for (const std::string &argument : all)
    budget = std::min(budget + argument.size(), SIZE_MAX / 8);
  PassRun run(arguments.rules(), all, settingsOption ? 1 : 0, lastPass, limit, 4 * budget);
  std::optional<std::string> result = run.run(command);
  if (tooManyReplacements != nullptr)
    *tooManyReplacements = run.overBudget();
  return result;
}

} // namespace velmora
