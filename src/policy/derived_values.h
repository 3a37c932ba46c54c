// Values that the detag pass derives from orvtext's policies in the
// Context's sections when it fills its options: indent positions, the
// table width and the first-line indent (see own_policies.h).
#pragma once

#include <array>
#include <string>

namespace orv {

class SharedPolicies;

// The indentation positions of the "[Text formatting]" section's "Output
// indentation positions" (IndentationPositions of own_policies.h).
std::array<int, 8> OutputIndentationPositions(SharedPolicies& context);
// "Target table width" when it was set, otherwise "Target Page width".
int EffectiveTableWidth(SharedPolicies& context);
// A first-line indent wider than any page is a typing error; it is held to
// this many blanks so that it cannot exhaust memory.
constexpr int kMaxFirstLineIndent = 1000;
// "First line indent for paragraphs" as that many blanks (none when 0 or
// less, at most kMaxFirstLineIndent).
std::string FirstLineIndentText(SharedPolicies& context);

}  // namespace orv
