// The "%O" passes against the rule they follow, written out pass by pass over the whole text
// (substituteArgumentsPassByPass): pass n replaces every "%O<n>" of the command so far, in
// ascending order, and a command that grows past the limit gives nothing.
#include "fuzz/fuzz_support.h"
#include "launcher/argument_passes_reference.h"
#include "launcher/template_expansion.h"
#include "text/argument_list.h"

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
  bool stopped = false;
  std::optional<std::string> result =
      substituteArguments(command, arguments, settingsOption, limit, &stopped);
  ReferencePasses expected =
      substituteArgumentsPassByPass(fake, command, all, settingsOption, limit);
  if (!stopped) {
    FUZZ_CHECK(result == expected.command);
  } else {
    // A stop must be earned: the replacements would have brought in more than four times the
    // command, the arguments and the limit.
    size_t budget = limit + command.size();
    for (const std::string &argument : all)
      budget += argument.size();
    FUZZ_CHECK(!result && expected.broughtIn > 4 * budget);
  }
  return 0;
}
