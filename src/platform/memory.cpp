// Allocator settings on glibc.
#include "platform/memory.h"

#include <algorithm>
#include <climits>
#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#include <cstdint>

namespace orv {

namespace {

// The whole blocks of `block` bytes (a power of two), aligned to their
// size, inside [begin, begin + length): where they start and how long they
// are together; a length of 0 when there is none.
struct BlockSpan {
  void* first = nullptr;
  size_t length = 0;
};
[[maybe_unused]] BlockSpan WholeBlocksInside(const char* begin, size_t length, uintptr_t block) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(begin);
  const uintptr_t first = (start + block - 1) & ~(block - 1);
  const uintptr_t last = (start + length) & ~(block - 1);
  if (length == 0 || last <= first) return {};
  return {reinterpret_cast<void*>(first), static_cast<size_t>(last - first)};
}

}  // namespace

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

void ReturnFreeMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

void ReleasePages(char* begin, size_t length) {
#if defined(__unix__) && defined(MADV_DONTNEED)
  static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  if (page == 0 || (page & (page - 1)) != 0) return;
  const BlockSpan span = WholeBlocksInside(begin, length, page);
  if (span.length > 0) madvise(span.first, span.length, MADV_DONTNEED);
#else
  (void)begin;
  (void)length;
#endif
}

void ReserveLargeText(std::string& text, size_t room) {
  text.reserve(room);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr size_t kLargeText = size_t{8} << 20;
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (text.capacity() < kLargeText) return;
  const BlockSpan span = WholeBlocksInside(text.data(), text.capacity(), kHugePage);
  if (span.length > 0) madvise(span.first, span.length, MADV_HUGEPAGE);
#endif
}

}  // namespace orv
