// Allocator settings on glibc.
#include "platform/memory.h"

#include <algorithm>
#include <climits>
#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orv {

void ConfigureAllocator() {
#if defined(__GLIBC__)
  // A fixed threshold also keeps the allocator from raising it to the size
  // of the largest buffer freed so far, after which text-sized buffers
  // would come from the heap again.
  mallopt(M_MMAP_THRESHOLD, 512 * 1024);
  mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
  mallopt(M_TOP_PAD, 1024 * 1024);
  mallopt(M_ARENA_MAX, 2);
#endif
}

void AllowAllocatorArenas(size_t threads) {
#if defined(__GLIBC__)
  mallopt(M_ARENA_MAX, static_cast<int>(std::clamp<size_t>(threads + 1, 2, INT_MAX)));
#else
  (void)threads;
#endif
}

}  // namespace orv
