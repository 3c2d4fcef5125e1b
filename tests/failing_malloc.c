/* Test helper, loaded with LD_PRELOAD: every allocation of at least VELMORA_FAIL_ALLOCATIONS_FROM
   bytes fails, as it would on a machine whose memory has run out. */
#include <errno.h>
#include <stddef.h>
#include <stdlib.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *old, size_t size);

static size_t failFrom(void) {
  static size_t limit;
  static int known;
  if (!known) {
    const char *text = getenv("VELMORA_FAIL_ALLOCATIONS_FROM");
    limit = text != NULL ? (size_t)strtoull(text, NULL, 10) : (size_t)-1;
    known = 1;
  }
  return limit;
}

void *malloc(size_t size) {
  if (size >= failFrom()) {
    errno = ENOMEM;
    return NULL;
  }
  return __libc_malloc(size);
}

void *calloc(size_t count, size_t size) {
  if (size != 0 && count >= failFrom() / size) {
    errno = ENOMEM;
    return NULL;
  }
  return __libc_calloc(count, size);
}

void *realloc(void *old, size_t size) {
  if (size >= failFrom()) {
    errno = ENOMEM;
    return NULL;
  }
  return __libc_realloc(old, size);
}
