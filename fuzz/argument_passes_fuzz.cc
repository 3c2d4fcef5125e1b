// The "%O" passes against the rule they follow, written out pass by pass over the whole text:
// pass n replaces every "%O<n>" of the command so far, in ascending order, and a command that
// grows past the limit gives nothing.
#include "fuzz/fuzz_support.h"
#include "launcher/template_expansion.h"
#include "text/argument_list.h"
#include "text/text_routines.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

namespace {

// Bytes below 0x80 become the ones placeholders are made of, so that most inputs hold some;
// the others stay, as lead and trail bytes.
std::string placeholderText(std::string bytes) {
  static constexpr char kAlphabet[] = "%Oo1234567890x";
  for (char &byte : bytes)
    if (static_cast<unsigned char>(byte) < 0x80)
      byte = kAlphabet[static_cast<unsigned char>(byte) % (sizeof kAlphabet - 1)];
  return bytes;
}

// Also counts what the replacements bring in: one for each, and the argument's bytes.
std::optional<std::string> referencePasses(const FakePlatform &fake, const std::string &command,
                                           const std::vector<std::string> &arguments, size_t shift,
                                           size_t limit, size_t &cost) {
  cost = 0;
  if (command.size() > limit)
    return std::nullopt;
  std::string result = command;
  for (size_t n = 1; n + shift < arguments.size(); ++n) {
    std::string placeholder = "%O" + std::to_string(n);
    const std::string &argument = arguments[n - 1 + shift];
    size_t found = (result.size() - replaceAllIgnoreCase(fake, result, placeholder, "").size()) /
                   placeholder.size();
    cost += found * (1 + argument.size());
    std::optional<std::string> next =
        replaceAllIgnoreCaseWithin(fake, result, placeholder, argument, limit);
    if (!next)
      return std::nullopt;
    result = std::move(*next);
  }
  return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FakePlatform fake;
  useLocale(fake, input.ConsumeBool());
  bool settingsOption = input.ConsumeBool();
  size_t limit = input.ConsumeIntegralInRange<size_t>(0, 4096);
  std::string line = "p";
  for (int count = input.ConsumeIntegralInRange(1, 14); count > 0; --count)
    line += " \"" + placeholderText(withoutNul(input.ConsumeRandomLengthString(12))) + "\"";
  fake.commandLineText = line + " t";
  std::string command = placeholderText(withoutNul(input.ConsumeRemainingBytesAsString()));

  ArgumentList arguments(fake, fake);
  std::vector<std::string> all = arguments.allArguments();
  size_t shift = settingsOption ? 1 : 0;
  bool stopped = false;
  std::optional<std::string> result =
      substituteArguments(command, arguments, settingsOption, limit, &stopped);
  size_t cost = 0;
  std::optional<std::string> expected = referencePasses(fake, command, all, shift, limit, cost);
  if (!stopped) {
    FUZZ_CHECK(result == expected);
  } else {
    // A stop must be earned: the replacements would have brought in more than four times the
    // command, the arguments and the limit.
    size_t budget = limit + command.size();
    for (const std::string &argument : all)
      budget += argument.size();
    FUZZ_CHECK(!result && cost > 4 * budget);
  }
  return 0;
}
