// The in-band marks that the conversion puts into its intermediate text and
// the layout step reads back: names between pairs of 0xFF bytes, which
// the text itself never holds (its own 0xFF bytes are held as kHeldFF of
// html/entities.h), the forced-break marker, and the statement texts built
// from them.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The forced-break marker at the start of an output line: the layout step
// ends the pending text there. A text's own 0xFF bytes are held as another
// byte until its lines are written (kHeldFF), so no text spells it.
inline constexpr std::string_view kForcedBreak =
    "\xFF"
    "BR"
    "\xFF";

// The in-band marks and statement texts of one file.
struct DetagMarkers {
  std::string paragraph;      // paragraph break
  std::string line_break;     // forced line break
  std::string statement;      // line boundary around a statement or list item
  std::string paragraph_end;  // single-line-paragraph mode only, else empty
  std::string break_mark;     // paragraph_end + line_break, used for <br>
  // Statement texts: the statement mark, the keyword, the statement mark.
  std::string start_list, end_list;
  std::string start_heading, end_heading;
  std::string start_pre, end_pre;
  std::string start_block, end_block;
  std::string list_item;  // the statement mark and "[[LI]]"
  std::string rule;       // "$_$_LINE", without marks
};

// Builds the markers; `single_line` is "Output each paragraph on a single
// line", which alone gives the paragraph-end mark a value.
DetagMarkers MakeDetagMarkers(bool single_line);

// Pads a numbered list's shorter labels on the left to the width of its
// widest one ("\x1F\x1F" "9)" beside "10)"), so that the layout step, which
// hangs each label left of the item text, puts every item's text in the
// same column. It survives the joining of blanks; the layout step and the
// text table turn it into spaces.
inline constexpr char kLabelPad = '\x1F';

// The paragraph-end mark of single-line-paragraph mode.
inline constexpr std::string_view kParagraphEndMarker =
    "\xFF\xFF"
    "OPPL"
    "\xFF\xFF";

}  // namespace orv
