// Re-joining the source lines of a converted text whose structure is
// carried by paragraph and break marks: every ordinary line is trimmed and
// appended to one running line after a blank. Statements and lines ending
// in an in-line tag (an alignment marker) keep lines of their own, and
// pre-formatted and heading sections are copied line by line.
#pragma once

#include <string>
#include <string_view>

#include "textout/marks.h"

namespace orv {

struct RejoinResult {
  // Source lines longer than 40 characters: their count and total length.
  long long long_lines_total = 0;
  long long long_lines = 0;
  // The text ended with no line being joined and outside any pre-formatted
  // or heading section, so a text that followed it would be joined exactly
  // as on its own.
  bool ends_between_lines = true;
  // The typical length of the long lines, for the layout step.
  int AverageLength() const {
    return static_cast<int>(long_lines_total / (long_lines + 1) + 1);
  }
};

// Writes the re-joined `text` to `out` (which must not be `text`). Linear.
RejoinResult RejoinLines(std::string_view text, const DetagMarkers& markers, std::string& out);
// Re-joins `text` in place, the same way: the text is not held twice
// (unless the re-joined text comes out longer). Linear.
RejoinResult RejoinLinesInPlace(std::string& text, const DetagMarkers& markers);

}  // namespace orv
