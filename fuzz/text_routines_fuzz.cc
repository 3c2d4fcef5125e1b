// The text routines against slow references written here from their rules.
#include "fuzz/fuzz_support.h"
#include "text/text_routines.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

namespace {

std::string referenceUpper(std::string text, const LeadByteSet &leads) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (leads.test(static_cast<unsigned char>(text[i])))
      ++i;
    else if (text[i] >= 'a' && text[i] <= 'z')
      text[i] = static_cast<char>(text[i] - 32);
  }
  return text;
}

// Every occurrence in the upper-cased text, left to right, without overlap, that does not begin
// on a trail byte as read from the start of what remains after the previous one.
std::string referenceReplace(const std::string &text, const std::string &oldText,
                             const std::string &newText, const LeadByteSet &leads, bool farEast) {
  if (oldText.empty())
    return text;
  std::string upper = referenceUpper(text, leads);
  std::string pattern = referenceUpper(oldText, leads);
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

  std::string replaced = referenceReplace(text, oldText, newText, fake.leadBytes, farEast);
  FUZZ_CHECK(replaceAllIgnoreCase(fake, text, oldText, newText) == replaced);
  // A bound gives the whole result or nothing, never a part.
  size_t limit = static_cast<size_t>(static_cast<uint32_t>(index) % (text.size() * 2 + 2));
  std::optional<std::string> bounded =
      replaceAllIgnoreCaseWithin(fake, text, oldText, newText, limit);
  FUZZ_CHECK(bounded ? *bounded == replaced : replaced.size() > limit);
  FUZZ_CHECK(containsIgnoreCase(fake, text, oldText) ==
             (!oldText.empty() && !text.empty() &&
              referenceReplace(text, oldText, "", fake.leadBytes, farEast) != text));

  size_t found = text.find(oldText);
  int32_t expectedIndex =
      oldText.empty() || found == std::string::npos ? 0 : static_cast<int32_t>(found + 1);
  FUZZ_CHECK(indexOf(oldText, text) == expectedIndex);

  int64_t start = index < 1 ? 1 : index;
  std::string expected;
  if (count > 0 && start <= static_cast<int64_t>(text.size()))
    expected = text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
  FUZZ_CHECK(substring(text, index, count) == expected);
  FUZZ_CHECK(upperCaseText(fake, text) == referenceUpper(text, fake.leadBytes));
  return 0;
}
