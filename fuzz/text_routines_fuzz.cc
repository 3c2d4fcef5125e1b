// The text routines against slow references written here from their rules.
#include "fuzz/fuzz_support.h"
#include "text/text_routines.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

namespace {

// Upper-casing by what it must do, not by how: the same length; a byte changes only when it is
// a lower-case ASCII letter that stands as a character of its own, and then to its capital.
bool isUpperCasingOf(const std::string &text, const std::string &upper, bool farEast) {
  if (upper.size() != text.size())
    return false;
  std::vector<ByteKind> kinds = forwardKinds(text, leadByteSet(), farEast);
  for (size_t i = 0; i < text.size(); ++i) {
    bool letter = kinds[i] != ByteKind::TrailByte && text[i] >= 'a' && text[i] <= 'z';
    if (upper[i] != (letter ? static_cast<char>(text[i] - 'a' + 'A') : text[i]))
      return false;
  }
  return true;
}

// Every occurrence in the upper-cased text, left to right, without overlap, that does not begin
// on a trail byte as read from the start of what remains after the previous one.
std::string referenceReplace(const FakePlatform &fake, const std::string &text,
                             const std::string &oldText, const std::string &newText,
                             const LeadByteSet &leads, bool farEast) {
  if (oldText.empty())
    return text;
  // The upper-casing itself is checked on its own, below.
  std::string upper = upperCaseText(fake, text);
  std::string pattern = upperCaseText(fake, oldText);
  std::string result;
  size_t rest = 0;
  while (rest < text.size()) {
    std::vector<ByteKind> kinds =
        forwardKinds(std::string_view(upper).substr(rest), leads, farEast);
    size_t found = std::string::npos;
    for (size_t j = rest; j + pattern.size() <= upper.size(); ++j) {
      if (kinds[j - rest] != ByteKind::TrailByte &&
          upper.compare(j, pattern.size(), pattern) == 0) {
        found = j;
        break;
      }
    }
    if (found == std::string::npos) {
      result += text.substr(rest);
      break;
    }
    result += text.substr(rest, found - rest) + newText;
    rest = found + pattern.size();
  }
  return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FakePlatform fake;
  bool farEast = input.ConsumeBool();
  useLocale(fake, farEast);
  int32_t index = input.ConsumeIntegral<int32_t>();
  int32_t count = input.ConsumeIntegral<int32_t>();
  std::string oldText = withoutNul(input.ConsumeRandomLengthString(8));
  std::string newText = withoutNul(input.ConsumeRandomLengthString(16));
  std::string text = withoutNul(input.ConsumeRemainingBytesAsString());

  std::string replaced = referenceReplace(fake, text, oldText, newText, leadByteSet(), farEast);
  FUZZ_CHECK(replaceAllIgnoreCase(fake, text, oldText, newText) == replaced);
  // A bound gives the whole result or nothing, never a part.
  size_t limit = static_cast<size_t>(static_cast<uint32_t>(index) % (text.size() * 2 + 2));
  std::optional<std::string> bounded =
      replaceAllIgnoreCaseWithin(fake, text, oldText, newText, limit);
  FUZZ_CHECK(bounded ? *bounded == replaced : replaced.size() > limit);
  FUZZ_CHECK(containsIgnoreCase(fake, text, oldText) ==
             (!oldText.empty() && !text.empty() &&
              referenceReplace(fake, text, oldText, "", leadByteSet(), farEast) != text));

  size_t found = text.find(oldText);
  int32_t expectedIndex =
      oldText.empty() || found == std::string::npos ? 0 : static_cast<int32_t>(found + 1);
  FUZZ_CHECK(indexOf(oldText, text) == expectedIndex);

  int64_t start = index < 1 ? 1 : index;
  std::string expected;
  if (count > 0 && start <= static_cast<int64_t>(text.size()))
    expected = text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
  FUZZ_CHECK(substring(text, index, count) == expected);
  FUZZ_CHECK(isUpperCasingOf(text, upperCaseText(fake, text), farEast));
  return 0;
}
