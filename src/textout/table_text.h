// Small rewrites of a table cell's text that the text table (text_table.h)
// applies while it prepares, measures, wraps and draws its cells.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The alignment tags a cell's lines may carry, in the order they are taken
// out.
inline constexpr std::string_view kAlignmentTags[] = {"[[LEFT]]", "[[CENTER]]", "[[RIGHT]]",
                                                      "[[JUSTIFY]]"};

// Replaces every occurrence of `what` by `with`, in one pass from the start
// (an occurrence the replacing makes is not replaced). When `with` is no
// longer than `what` the text is rewritten in place: a large cell is not
// held twice.
void ReplaceAll(std::string& text, std::string_view what, std::string_view with);

// Removes every occurrence of `what` from `text`, as ReplaceAll does.
inline void RemoveAll(std::string& text, std::string_view what) { ReplaceAll(text, what, {}); }

// Removes the alignment tags from `text`: every "[[LEFT]]", then every
// "[[CENTER]]" of what is left, and so on through kAlignmentTags. Text with
// at most one "[[" is done in one look.
void RemoveAlignmentTags(std::string& text);

// When the only "[[" in `line` (overlapping ones counted) opens one of
// kAlignmentTags, exactly as written there, at its start: that tag's
// alignment (1 left, 2 centre, 3 right, 4 justify) and its length, and
// RemoveAlignmentTags would leave the rest of the line. Else 0 and 0.
int OnlyLeadingAlignmentTag(std::string_view line, size_t& length);

}  // namespace orv
