// Any argument vector: the built command line splits back into the arguments that can be
// carried, in order, none merged or split.
#include "fuzz/fuzz_support.h"
#include "host/posix/command_line_builder.h"
#include "text/argument_list.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FakePlatform fake;
  useLocale(fake, input.ConsumeBool());
  std::vector<std::string> argv;
  while (input.remaining_bytes() > 0 && argv.size() < 64)
    argv.push_back(withoutNul(input.ConsumeRandomLengthString(32)));
  if (argv.empty())
    return 0;
  std::vector<std::string_view> views(argv.begin(), argv.end());
  std::string line = buildCommandLine(views, leadByteSet());
  std::vector<std::string> tokens = splitCommandLine(fake, line.c_str());

  std::vector<std::string> expected;
  for (size_t i = 1; i < argv.size(); ++i) {
    std::string carried = carriedArgument(argv[i], leadByteSet()).bytes;
    if (!carried.empty())
      expected.push_back(carried);
  }
  FUZZ_CHECK(!tokens.empty());
  tokens.erase(tokens.begin());
  FUZZ_CHECK(tokens == expected);
  return 0;
}
