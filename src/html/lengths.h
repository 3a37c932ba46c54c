// HTML lengths in text columns. A width attribute's number is read from its
// leading digits (at most nine, so it never overflows), and a pixel count
// is taken on an 800-pixel page as wide as the text page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv {

inline constexpr int64_t kPixelPageWidth = 800;

// The number formed by the leading digits of `text` (at most nine of them);
// 0 when it starts with no digit. `digits` gets how many were read.
inline int64_t LeadingNumber(std::string_view text, size_t* digits = nullptr) {
  int64_t value = 0;
  size_t i = 0;
  for (; i < text.size() && i < 9 && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + (text[i] - '0');
  if (digits != nullptr) *digits = i;
  return value;
}

// `pixels` in columns of a page `page_columns` wide.
inline int64_t PixelsToColumns(int64_t pixels, int64_t page_columns) {
  return pixels * page_columns / kPixelPageWidth;
}

}  // namespace orv
