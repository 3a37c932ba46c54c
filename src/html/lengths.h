// HTML lengths in text columns. A width attribute's number is read from its
// leading digits (at most nine, so it never overflows), and a pixel count
// is taken on an 800-pixel page as wide as the text page. No length is
// wider than the widest page (kMaxOutputColumns): a page's "width=900000%"
// must not make every table row a line of millions of blanks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

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

// `columns`, at most as wide as the widest page.
inline int64_t BoundedColumns(int64_t columns) {
  return columns < kMaxOutputColumns ? columns : kMaxOutputColumns;
}

// `pixels` in columns of a page `page_columns` wide.
inline int64_t PixelsToColumns(int64_t pixels, int64_t page_columns) {
  return BoundedColumns(pixels * page_columns / kPixelPageWidth);
}

// `percent` percent of `columns`.
inline int64_t PercentOfColumns(int64_t percent, int64_t columns) {
  return BoundedColumns(percent * columns / 100);
}

}  // namespace orv
