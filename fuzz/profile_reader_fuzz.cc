// Any settings file: no value is longer than the reader's buffer allows or holds a NUL, and an
// ASCII file reads the same when it is stored as UTF-16LE with its mark.
#include "fuzz/fuzz_support.h"
#include "host/posix/profile_reader.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::string key = input.ConsumeRandomLengthString(12);
  std::string contents = input.ConsumeRemainingBytesAsString();
  bool ascii = std::all_of(contents.begin(), contents.end(),
                           [](char c) { return c > 0 && static_cast<unsigned char>(c) < 0x80; });
  std::string utf16 = "\xFF\xFE";
  for (char c : contents) {
    utf16 += c;
    utf16 += '\0';
  }
  for (const std::string &name : {std::string("default"), std::string("X2"), key}) {
    std::string value = profileValue(contents, "Path", name, "");
    FUZZ_CHECK(value.size() <= kProfileValueLimit);
    FUZZ_CHECK(value.find('\0') == std::string::npos);
    if (ascii)
      FUZZ_CHECK(profileValue(utf16, "Path", name, "") == value);
  }
  return 0;
}
