// Allocator settings on glibc.
#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orv {

void KeepFreedMemory() {
#if defined(__GLIBC__)
  // Buffers up to 32 MB (the largest the allocator allows) come from the
  // heap rather than from their own mappings, and the heap is not trimmed.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  mallopt(M_TOP_PAD, 16 * 1024 * 1024);
#endif
}

}  // namespace orv
