// Finding every offset of one byte in a text, from a bit mask of 64 bytes
// at a time.
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
  ByteCursor(std::string_view text, unsigned char byte) : text_(text), byte_(byte) {}
  // The first offset >= from holding the byte, or the text size when there
  // is none.
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
  unsigned char byte_;
  size_t base_ = std::string::npos;  // the block the mask is of
  uint64_t mask_ = 0;
};

}  // namespace orv
