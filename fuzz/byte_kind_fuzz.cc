// byteKindAt counts lead-set bytes backwards; reading the text forwards from its start must
// give the same class at every position.
#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FakePlatform fake;
  bool farEast = input.ConsumeBool();
  useLocale(fake, farEast);
  std::string text = withoutNul(input.ConsumeRemainingBytesAsString());
  std::vector<ByteKind> kinds = forwardKinds(text, leadByteSet(), farEast);
  for (size_t i = 0; i < text.size(); ++i)
    FUZZ_CHECK(byteKindAt(text, static_cast<int32_t>(i + 1)) == kinds[i]);
  FUZZ_CHECK(byteKindAt(text, 0) == ByteKind::SingleByte);
  FUZZ_CHECK(byteKindAt(text, static_cast<int32_t>(text.size() + 1)) == ByteKind::SingleByte);
  return 0;
}
