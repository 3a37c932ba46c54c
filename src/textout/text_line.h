// Operations on one line of output text that the line layout step builds on:
// finding where to wrap, cutting pieces, centring, right-aligning, full
// justification and drawing rule lines. layout.cpp strings them together.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// How text is aligned within the layout width. None lays out like left.
enum class Alignment { kNone, kLeft, kCentre, kRight, kJustify };

// Finds where the piece of `text` that starts at `start` ends when at most
// `width` columns fit. Prefers the last blank; when there is none, or it
// lies more than 15 columns short of the limit, it breaks after a closing
// ")]}," or before an opening "([{"; a word that fits nowhere is cut hard.
// Returns the position of the last character of the piece (a blank there
// is dropped); a remainder that fits returns text.size(). With
// `multibyte_guard` a break on a byte 129..159 moves one position left.
// Linear in `width`.
size_t FindLineBreak(std::string_view text, size_t start, size_t width,
                     bool multibyte_guard = false);

// Cuts the next piece of at most `width` columns from `text` at `*start`
// and advances `*start` past it (past the end when the text is used up).
// One space at either cut is dropped; tabs and other blanks stay.
std::string CutPiece(std::string_view text, size_t* start, size_t width);
// The same, returning the piece as a view into `text`.
std::string_view CutPieceView(std::string_view text, size_t* start, size_t width);

// Centres `text` within `width` columns, padding both sides with spaces. A
// text that does not fit even with its blanks collapsed is returned as it
// is. Linear.
std::string CentreLine(std::string_view text, size_t width);

// Right-aligns `text` within `width` columns; a longer text is returned as
// it is. Linear.
std::string RightAlignLine(std::string_view text, size_t width);

// Pads the gaps between words so the trimmed text is exactly `width` long.
// `toggle` is inverted on every call: set, the extra spaces lean towards the
// right of the line; clear, towards the left, so alternate lines balance.
// A space right after a one-character first word (a bullet) is not widened.
// A text longer than `width`, or without gaps, is returned unchanged.
// Linear.
std::string JustifyLine(std::string_view text, size_t width, bool& toggle);

// Whether `line` only holds runs of one of "-", "=" or "_" (with blanks
// between runs) and at least two of them stand together.
bool IsRuleText(std::string_view line);

// The rule drawn for a "$_$_LINE" statement whose text after the keyword is
// `argument`: a leading number gives its length (at most `width`), a
// number followed by "%" that share of `width`, else it is `width` long; centred for centre and justify, right-aligned for right.
std::string DrawRuleLine(std::string_view argument, size_t width, Alignment alignment);

}  // namespace orv
