// Any command line, single-byte or with lead bytes 81-9F and E0-FC: every argument is non-empty
// and holds a quotation mark only as the second byte of a double-byte character; the count,
// the entries and the whole-line split agree.
#include "fuzz/fuzz_support.h"
#include "text/argument_list.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FakePlatform fake;
  bool farEast = input.ConsumeBool();
  useLocale(fake, farEast);
  fake.commandLineText = withoutNul(input.ConsumeRemainingBytesAsString());

  ArgumentList arguments(fake, fake);
  int32_t count = arguments.argumentCount();
  std::vector<std::string> tokens = splitCommandLine(fake, fake.commandLineText.c_str());
  FUZZ_CHECK(count == 0 || tokens.size() == static_cast<size_t>(count) + 1);
  for (int32_t k = 1; k <= count; ++k) {
    std::string argument = arguments.argumentAt(k);
    FUZZ_CHECK(!argument.empty());
    FUZZ_CHECK(argument == tokens[static_cast<size_t>(k)]);
    FUZZ_CHECK(argument.size() <= fake.commandLineText.size());
    std::vector<ByteKind> kinds = forwardKinds(argument, leadByteSet(), farEast);
    for (size_t i = 0; i < argument.size(); ++i)
      FUZZ_CHECK(argument[i] != '"' || kinds[i] == ByteKind::TrailByte);
  }
  FUZZ_CHECK(arguments.argumentAt(count + 1).empty());
  FUZZ_CHECK(arguments.argumentAt(-1).empty());
  return 0;
}
