// '<' and '>' inside quoted attribute values ("<div ng-if="n > 0">",
// data-html="<iframe ...>"). A browser reads such a value as part of its
// tag; the pattern lists end a tag at its first '>' and would leave the
// rest of the value in the text. Text mode writes these characters as
// entities before the lists run, so that every later step sees the tag
// whole; the entity step gives them back wherever a value reaches the
// text (alternative texts, link addresses).
#pragma once

#include <cstddef>
#include <string>

namespace orv {

// Rewrites each '<' and '>' inside a quoted attribute value of a start tag
// in `text` as "&lt;" or "&gt;", where the value is sure to be one:
// - its quote follows the attribute's '=' and closes within
//   kMaxQuotedTagLength bytes of the tag's '<';
// - the tag goes on from a closing quote as a tag does (a blank, '/' or
//   '>' right after it) and reaches its '>' with no '<' outside a value.
// Anything else (an unclosed quote, text after a stray one) keeps the first
// '>' as the tag's end, as before. A '<' with a blank before it and a
// letter after it inside a start tag that ends ("<td <table>") is an
// attribute name to a browser and becomes "&lt;" too, so that no list
// takes it for a tag of its own (a table that would swallow the cell).
// Comments and the content of script, style and the other elements whose
// content holds no tags are passed over, and a value that holds "-->" or a
// script or style end tag is left alone, so that no comment or script ends
// elsewhere than it did. Returns the number of values and such '<'
// rewritten; the text is copied only when there is one. Cost: linear in
// the text.
size_t EscapeMarkupInQuotedValues(std::string& text);

// The longest tag whose quoted values are rewritten.
inline constexpr size_t kMaxQuotedTagLength = size_t{1} << 16;

}  // namespace orv
