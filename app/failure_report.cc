#include "app/failure_report.h"

#include "platform/platform.h"
#include "text/path_split.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace velmora {

void composeFailureText(char *buffer, size_t capacity, const char *className,
                        const char *moduleName, const void *address, const char *message) {
  size_t messageLength = std::strlen(message);
  const char *stop = messageLength > 0 && message[messageLength - 1] != '.' ? "." : "";
  // The address as the platform's pointer width in upper-case hex: 8 digits in a 32-bit build.
  std::snprintf(buffer, capacity, "%sがモジュール %s の %0*" PRIXPTR " で発生しました。\n%s%s",
                className, moduleName, static_cast<int>(sizeof(void *) * 2),
                reinterpret_cast<uintptr_t>(address), message, stop);
}

void reportOutOfMemory(const Platform &platform, const void *address) {
  // Nothing here may touch the heap: it has just run out.
  constexpr int kLongestPath = 4096;
  char module[kLongestPath + 1] = {};
  int capacity = std::min(platform.command.modulePathCapacity(), kLongestPath);
  int length = platform.command.moduleFileName(module, capacity);
  module[length > 0 && length <= capacity ? length : 0] = '\0';
  std::string_view path(module);
  // The module name is in the ANSI code page, the rest of the text is UTF-8.
  char moduleName[1024];
  platform.text.ansiToUtf8(module + lastPathDelimiter(platform.text, path), moduleName,
                           sizeof moduleName);
  char text[2048];
  composeFailureText(text, sizeof text, "EOutOfMemory", moduleName, address, "メモリが足りません");
  platform.process.showFailure(kFailureTitle, text);
}

} // namespace velmora
