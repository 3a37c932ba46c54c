// The bit masks behind ByteCursor; see byte_cursor.h.
#include "common/byte_cursor.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orv {
namespace {

// Bit k set when data[k] is one of the `kCount` bytes of `bytes`, for the
// first `length` (at most 64) bytes of `data`.
template <int kCount>
uint64_t ByteMask(const char* data, size_t length, const unsigned char* bytes) {
#if defined(__SSE2__)
  if (length == 64) {
    __m128i needles[kCount];
    for (int b = 0; b < kCount; ++b) needles[b] = _mm_set1_epi8(static_cast<char>(bytes[b]));
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * part));
      __m128i hits = _mm_cmpeq_epi8(block, needles[0]);
      for (int b = 1; b < kCount; ++b) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, needles[b]));
      mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hits))) << (16 * part);
    }
    return mask;
  }
#endif
  uint64_t mask = 0;
  for (size_t k = 0; k < length; ++k) {
    const unsigned char c = static_cast<unsigned char>(data[k]);
    bool hit = false;
    for (int b = 0; b < kCount; ++b) hit |= c == bytes[b];
    mask |= static_cast<uint64_t>(hit) << k;
  }
  return mask;
}

uint64_t ByteMask(const char* data, size_t length, const unsigned char* bytes, int count) {
  switch (count) {
    case 1: return ByteMask<1>(data, length, bytes);
    case 2: return ByteMask<2>(data, length, bytes);
    case 3: return ByteMask<3>(data, length, bytes);
    default: return ByteMask<4>(data, length, bytes);
  }
}

}  // namespace

ByteCursor::ByteCursor(std::string_view text, std::string_view bytes)
    : text_(text), bytes_{}, count_(static_cast<int>(std::clamp<size_t>(bytes.size(), 1, 4))) {
  for (size_t b = 0; b < bytes.size() && b < 4; ++b)
    bytes_[b] = static_cast<unsigned char>(bytes[b]);
}

size_t ByteCursor::NextBlock(size_t from) {
  const size_t n = text_.size();
  while (from < n) {
    if (base_ != std::string::npos && from >= base_ && from - base_ < 64) {
      const uint64_t ahead = mask_ & (~uint64_t{0} << (from - base_));
      if (ahead != 0) return base_ + static_cast<size_t>(__builtin_ctzll(ahead));
      from = base_ + 64;
      if (from >= n) break;
      // A stretch of plain text: memchr crosses it faster than masks do.
      if (mask_ == 0 && count_ == 1) {
        const void* hit = std::memchr(text_.data() + from, bytes_[0], n - from);
        if (hit == nullptr) break;
        from = static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
      }
    }
    base_ = from;
    mask_ = ByteMask(text_.data() + from, std::min<size_t>(64, n - from), bytes_, count_);
  }
  return n;
}

}  // namespace orv
