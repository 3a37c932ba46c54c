// Finding every offset of one byte, or of any of a few bytes, in a text,
// from a bit mask of 64 bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// The offsets of one byte in a text, in increasing order, taken from a bit
// mask of 64 bytes at a time: in dense markup the next `<` costs a few
// operations rather than a library call. The text must not change while
// the cursor is in use.
class ByteCursor {
 public:
  ByteCursor(std::string_view text, unsigned char byte) : text_(text), bytes_{byte}, count_(1) {}
  // The offsets of any of `bytes` (one to four of them).
  ByteCursor(std::string_view text, std::string_view bytes);
  // The first offset >= from holding the byte (one of the bytes), or the
  // text size when there is none.
  size_t Next(size_t from) {
    if (from - base_ < 64) {  // base_ is npos before the first block
      const uint64_t ahead = mask_ & (~uint64_t{0} << (from - base_));
      if (ahead != 0) return base_ + static_cast<size_t>(__builtin_ctzll(ahead));
    }
    return NextBlock(from);
  }

 private:
  size_t NextBlock(size_t from);
  std::string_view text_;
  unsigned char bytes_[4];
  int count_;
  size_t base_ = std::string::npos;  // the block the mask is of
  uint64_t mask_ = 0;
};

}  // namespace orv
