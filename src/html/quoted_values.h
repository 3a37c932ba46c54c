// '<' and '>' inside quoted attribute values ("<div ng-if="n > 0">",
// data-html="<iframe ...>"). A browser reads such a value as part of its
// tag; the pattern lists end a tag at its first '>' and would leave the
// rest of the value in the text. Text mode writes these characters as
// entities before the lists run, so that every later step sees the tag
// whole; the entity step gives them back wherever a value reaches the
// text (alternative texts, link addresses). Markup removal writes the tags
// it keeps as they came, so it holds these characters in bytes of their own
// until its last step.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// How a '<' and a '>' inside a value are written.
struct QuotedMarkupForm {
  std::string_view less;
  std::string_view greater;
};

// As entities, which the entity step gives back.
inline constexpr QuotedMarkupForm kMarkupAsEntities{"&lt;", "&gt;"};

// Held: a carriage return, which the line reader never leaves in a text,
// and a bracket. RestoreHeldMarkup puts the characters back.
inline constexpr QuotedMarkupForm kMarkupHeld{"\r(", "\r)"};

// Rewrites each '<' and '>' inside a quoted attribute value of a start tag
// in `text` in the given form, where the value is sure to be one:
// - its quote follows the attribute's '=' and closes within
//   kMaxQuotedTagLength bytes of the tag's '<';
// - the tag goes on from a closing quote as a tag does (a blank, '/' or
//   '>' right after it) and reaches its '>' with no '<' outside a value.
// Anything else (an unclosed quote, text after a stray one) keeps the first
// '>' as the tag's end, as before. A '<' with a blank before it and a
// letter after it inside a start tag that ends ("<td <table>") is an
// attribute name to a browser and is rewritten too, so that no list
// takes it for a tag of its own (a table that would swallow the cell).
// Comments and the content of script, style and the other elements whose
// content holds no tags are passed over, and a value that holds "-->" or a
// script or style end tag is left alone, so that no comment or script ends
// elsewhere than it did. Returns the number of values and such '<'
// rewritten; the text is copied only when there is one. Cost: linear in
// the text.
size_t EscapeMarkupInQuotedValues(std::string& text,
                                  const QuotedMarkupForm& form = kMarkupAsEntities);

// Turns the held forms of kMarkupHeld in `text` back into '<' and '>', in
// place; a carriage return left alone (a step that took one byte of a pair)
// becomes the blank the reader would have made of it.
void RestoreHeldMarkup(std::string& text);

// The longest tag whose quoted values are rewritten.
inline constexpr size_t kMaxQuotedTagLength = size_t{1} << 16;

}  // namespace orv
