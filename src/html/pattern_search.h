// Finding the first match of one pattern in a text that is only read: the
// search a one-entry pattern list makes when its handler stops at the first
// match, without the list's copy of the text and its rewrite. The pattern
// language and its matcher are in pattern_matcher.h; pattern_list.h scans
// with many patterns and rewrites.
#pragma once

#include <cstddef>
#include <string_view>

namespace orv {

// The first match of `pattern` (letter case ignored) in `text`, found as a
// one-entry list's scan finds it: its inclusive offsets in `start` and
// `end`. Returns false when there is none or the pattern is not valid.
// Cost: linear in the text; bytes that cannot begin a match are skipped
// with memchr when the pattern begins with a literal.
bool FindFirstMatch(std::string_view text, std::string_view pattern, size_t& start, size_t& end);

// The text between the first match of `start_pattern` and the next match of
// `end_pattern` that begins after it, without either match, as a view into
// `text`. Returns false with an empty result when either is missing. Both
// patterns ignore case. Cost: linear in the text; nothing is copied.
bool ExtractBetween(std::string_view text, std::string_view start_pattern,
                    std::string_view end_pattern, std::string_view& result);

}  // namespace orv
