// The bit masks behind ByteCursor; see byte_cursor.h.
#include "common/byte_cursor.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orv {
namespace {

// Bit k set when data[k] is `byte`, for the first `length` (at most 64)
// bytes of `data`.
uint64_t ByteMask(const char* data, size_t length, unsigned char byte) {
#if defined(__SSE2__)
  if (length == 64) {
    const __m128i needle = _mm_set1_epi8(static_cast<char>(byte));
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, needle))))
              << (16 * part);
    }
    return mask;
  }
#endif
  uint64_t mask = 0;
  for (size_t k = 0; k < length; ++k)
    mask |= static_cast<uint64_t>(static_cast<unsigned char>(data[k]) == byte) << k;
  return mask;
}

}  // namespace

size_t ByteCursor::NextBlock(size_t from) {
  const size_t n = text_.size();
  while (from < n) {
    if (base_ != std::string::npos && from >= base_ && from - base_ < 64) {
      const uint64_t ahead = mask_ & (~uint64_t{0} << (from - base_));
      if (ahead != 0) return base_ + static_cast<size_t>(__builtin_ctzll(ahead));
      from = base_ + 64;
      if (from >= n) break;
      // A stretch of plain text: memchr crosses it faster than masks do.
      if (mask_ == 0) {
        const void* hit = std::memchr(text_.data() + from, byte_, n - from);
        if (hit == nullptr) break;
        from = static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
      }
    }
    base_ = from;
    mask_ = ByteMask(text_.data() + from, std::min<size_t>(64, n - from), byte_);
  }
  return n;
}

}  // namespace orv
