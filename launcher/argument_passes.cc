// The "%O" passes in time linear in what they change. Pass n replaces every "%O<n>" of the whole
// command so far, so a pass that rewrote a flat string would cost the whole command: with many
// passes that each find one placeholder (arguments "%O2", "%O3", ... chained), quadratic. Here
// the command is a list of pieces, cut where a placeholder may begin, and each piece that reads
// as a placeholder waits in the bucket of the pass that will take it. A pass then touches only
// its own placeholders, the text it brings in, and the few bytes before each place it changed.
#include "launcher/template_expansion.h"

#include "text/argument_list.h"
#include "text/byte_kind.h"
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
struct Source {
  std::string_view text;
  std::string upper;
  std::vector<size_t> marks;
};

Source sourceOf(const TextRules &rules, std::string_view text) {
  Source source{text, upperCaseText(rules, text), {}};
  for (size_t i = 0; i < text.size(); ++i)
    if (source.upper[i] == '%' &&
        byteKindAt(text, static_cast<int32_t>(i) + 1) != ByteKind::TrailByte)
      source.marks.push_back(i);
  return source;
}

// A stretch of the command. Only its first byte may begin a placeholder (`mark`).
struct Piece {
  std::string_view text, upper;
  Piece *prev = nullptr, *next = nullptr;
  bool mark = false;
  int32_t pass = 0;        // the pass that takes it: 0 none, -1 taken by the pass under way
  uint32_t generation = 0; // counts the piece's reuses, so that old bucket entries go stale
};

struct Due {
  Piece *piece;
  uint32_t generation;
};

class PassRun {
public:
  PassRun(const TextRules &rules, const std::vector<std::string> &arguments, size_t shift,
          int32_t lastPass, size_t limit, size_t budget)
      : rules_(rules), arguments_(arguments), shift_(shift), lastPass_(lastPass), limit_(limit),
        budget_(budget), sources_(static_cast<size_t>(lastPass) + 1),
        due_(static_cast<size_t>(lastPass) + 1) {}

  // Whether the run stopped because its replacements used up the budget.
  bool overBudget() const { return overBudget_; }

  std::optional<std::string> run(const std::string &command) {
    length_ = command.size();
    command_ = sourceOf(rules_, command);
    Inserted all = insert(&head_, command_);
    rekeyWithin(all, 0);
    for (int32_t pass = 1; pass <= lastPass_; ++pass)
      if (!runPass(pass))
        return std::nullopt;
    std::string result;
    result.reserve(length_);
    for (const Piece *piece = head_.next; piece != nullptr; piece = piece->next)
      result.append(piece->text);
    return result;
  }

private:
  struct Inserted {
    Piece *first, *last;
  };

  bool runPass(int32_t pass) {
    std::vector<Due> bucket;
    bucket.swap(due_[static_cast<size_t>(pass)]);
    std::vector<Piece *> taken;
    for (const Due &due : bucket)
      if (due.piece->generation == due.generation && due.piece->mark && due.piece->pass == pass) {
        due.piece->pass = -1;
        taken.push_back(due.piece);
      }
    if (taken.empty())
      return true;
    const Source &argument = argumentSource(pass);
    size_t span = 2 + decimalText(pass).size();
    std::vector<Inserted> changed;
    for (Piece *site : taken) {
      Piece *before = site->prev;
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
    for (const Inserted &inserted : changed) {
      rekeyWithin(inserted, pass);
      rekeyBefore(inserted.first, pass);
    }
    return true;
  }

  const Source &argumentSource(int32_t pass) {
    std::unique_ptr<Source> &source = sources_[static_cast<size_t>(pass)];
    if (!source)
      source = std::make_unique<Source>(
          sourceOf(rules_, arguments_[static_cast<size_t>(pass) - 1 + shift_]));
    return *source;
  }

  // Links the pieces of `source` after `before`.
  Inserted insert(Piece *before, const Source &source) {
    Piece *after = before->next;
    Inserted inserted{nullptr, before};
    auto add = [&](size_t from, size_t to, bool mark) {
      Piece *piece = newPiece();
      piece->text = source.text.substr(from, to - from);
      piece->upper = std::string_view(source.upper).substr(from, to - from);
      piece->mark = mark;
      piece->pass = 0;
      piece->prev = inserted.last;
      inserted.last->next = piece;
      inserted.last = piece;
      if (inserted.first == nullptr)
        inserted.first = piece;
    };
    size_t size = source.text.size();
    size_t firstMark = source.marks.empty() ? size : source.marks.front();
    if (firstMark > 0 || source.marks.empty())
      add(0, firstMark, false);
    for (size_t i = 0; i < source.marks.size(); ++i)
      add(source.marks[i], i + 1 < source.marks.size() ? source.marks[i + 1] : size, true);
    inserted.last->next = after;
    if (after != nullptr)
      after->prev = inserted.last;
    return inserted;
  }

  // Takes `count` bytes off the front of the command from `piece` on; pieces left empty go.
  void cutFront(Piece *piece, size_t count) {
    piece->mark = false;
    piece->pass = 0;
    while (piece != nullptr && count > 0) {
      size_t cut = std::min(count, piece->text.size());
      piece->text.remove_prefix(cut);
      piece->upper.remove_prefix(cut);
      count -= cut;
      Piece *next = piece->next;
      if (piece->text.empty())
        release(piece);
      piece = next;
    }
  }

  void rekeyWithin(const Inserted &inserted, int32_t since) {
    for (Piece *piece = inserted.first; piece != nullptr; piece = piece->next) {
      if (piece->mark)
        rekey(piece, since);
      if (piece == inserted.last)
        break;
    }
  }

  // A placeholder that begins at most a reading's length before `piece` may read on into it.
  void rekeyBefore(Piece *piece, int32_t since) {
    size_t distance = 0;
    for (Piece *before = piece->prev; before != &head_ && distance < kLongestReading;
         before = before->prev) {
      distance += before->text.size();
      if (before->mark) {
        if (distance < kLongestReading)
          rekey(before, since);
        return;
      }
    }
  }

  // The pass that takes the placeholder at `piece`: the first whose number its digits begin
  // with, of those after `since` (when it was last changed) up to the last pass; 0 for none.
  void rekey(Piece *piece, int32_t since) {
    char reading[kLongestReading];
    size_t length = 0;
    for (const Piece *at = piece; at != nullptr && length < kLongestReading; at = at->next) {
      if (at != piece && at->mark)
        break;
      for (size_t i = 0; i < at->upper.size() && length < kLongestReading; ++i)
        reading[length++] = at->upper[i];
    }
    piece->pass = 0;
    if (length < 2 || reading[1] != 'O')
      return;
    size_t digits = 2;
    while (digits < length && reading[digits] >= '0' && reading[digits] <= '9')
      ++digits;
    piece->pass = passTaking(std::string_view(reading + 2, digits - 2), since, lastPass_);
    if (piece->pass != 0)
      due_[static_cast<size_t>(piece->pass)].push_back({piece, piece->generation});
  }

  Piece *newPiece() {
    if (free_.empty()) {
      pieces_.emplace_back();
      return &pieces_.back();
    }
    Piece *piece = free_.back();
    free_.pop_back();
    return piece;
  }

  void release(Piece *piece) {
    piece->prev->next = piece->next;
    if (piece->next != nullptr)
      piece->next->prev = piece->prev;
    piece->mark = false;
    ++piece->generation;
    free_.push_back(piece);
  }

  const TextRules &rules_;
  const std::vector<std::string> &arguments_;
  size_t shift_;
  int32_t lastPass_;
  size_t limit_;
  size_t budget_;
  bool overBudget_ = false;
  size_t length_ = 0;
  Source command_;
  std::vector<std::unique_ptr<Source>> sources_; // an argument's, once it is brought in
  std::vector<std::vector<Due>> due_;
  Piece head_;
  std::deque<Piece> pieces_;
  std::vector<Piece *> free_;
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
