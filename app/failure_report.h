// The message shown when a failure escapes the run: only running out of memory does.
#ifndef VELMORA_APP_FAILURE_REPORT_H
#define VELMORA_APP_FAILURE_REPORT_H

#include <cstddef>

namespace velmora {

struct Platform;

constexpr char kFailureTitle[] = "アプリケーション エラー";

// "<class>がモジュール <module> の <address> で発生しました。\n<message>" plus "." when the
// message does not end with one. Writes into `buffer` without allocating: by the time this runs,
// the heap may be exhausted.
void composeFailureText(char *buffer, size_t capacity, const char *className,
                        const char *moduleName, const void *address, const char *message);

// Shows the out-of-memory failure for the program's own module.
void reportOutOfMemory(const Platform &platform, const void *address);

} // namespace velmora

#endif
