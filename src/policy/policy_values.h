// Parsing and checking of policy values that more than one policy type (and
// other subsystems) rely on: integers with blanks or brackets around them,
// HTML colour names and values, and font specifications.
// The policy types of policy.h call these when they read a policy line.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Reads a decimal integer. Leading and trailing characters that are neither
// digits nor letters (blanks, brackets) are skipped, a sign may stand before
// the first digit; any letter, inner blank or overflow makes the text
// invalid. "(72)" and " 72 " give 72; "72px", "x72" and "7 2" are refused.
// Returns false (and leaves `value` alone) when the text is not an integer.
bool ParseInteger(std::string_view text, int& value);

// Checks an HTML colour and gives its normal form in `normal`: "" stays "";
// "#rrggbb" is upper-cased; one of the seventeen colour names is kept as
// written; six hexadecimal digits get a "#" in front. A value that is one of
// the sixteen standard colours is replaced by its name ("#FF0000" -> "Red",
// "#ff00ff" -> "Fuchsia"). Returns whether the text is a valid colour; an
// invalid text is given back as far as it was changed (upper-cased).
bool NormaliseColour(std::string_view text, std::string& normal);

// Three fractions from 0 to 1 as six upper-case hexadecimal digits (no
// "#"). Each fraction is scaled by 256 and truncated into 0..255.
std::string ColourFromFractions(double red, double green, double blue);

// Checks a font specification "face[, style[, size]]". Commas inside double
// quotes do not separate fields. Styles: "normal", "regular", "bold",
// "italic", "bold italic", "italic bold" (any letter case); the size is an
// integer and 12 when left out. Returns whether the text is valid and, if
// so, gives the face, the bold and italic flags and the size.
bool CheckFont(std::string_view text, std::string& face, bool& bold, bool& italic, int& size);

// The seventeen colour names in their order of testing.
inline constexpr std::string_view kColourNames[] = {
    "Black", "Silver", "Gray", "White", "Maroon", "Red",  "Purple", "Fuchsia", "Magenta",
    "Green", "Lime",   "Olive", "Yellow", "Navy", "Blue", "Teal",   "Aqua"};

}  // namespace orv
