// One HTML tag split into its name and attributes, keeping every
// attribute's separator, quoting and value text as written so that the tag
// rewriter can drop attributes or change the case of names and put the rest
// back exactly. The rewriter asks the element table (element_table.h) about
// the parts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One attribute as written.
struct TagAttribute {
  std::string separator;   // the white space before it (empty when none)
  std::string name;        // up to white space or "="
  std::string value_text;  // "=" and the value with its quotes, or empty

  // The value without its "=" and surrounding quotes.
  std::string_view Value() const;
};

// How Reassemble writes the tag and attribute names.
enum class NameCase { kAsWritten, kUpper, kLower };

struct ParsedTag {
  std::string leading;    // text before the "<" (normally empty)
  bool has_open = false;  // a "<" was found
  std::string name;       // from after "<" to the first blank
  std::vector<TagAttribute> attributes;
  std::string tail;        // trailing blanks and a final "/" before ">"
  bool has_close = false;  // the tag ended with ">"
  std::string trailing;    // text after the ">" (normally empty)

  // Splits a tag. Text before the first "<" is kept in `leading`; the tag
  // ends at the first ">" or at the end of the text. The name ends at a
  // space, tab, carriage return or line feed. An attribute value starting
  // with a quote runs to the next equal quote (or the end of the tag when
  // the quote is never closed); an unquoted one to the next blank. Blanks
  // around "=" are dropped. Linear in the length of the text.
  static ParsedTag Parse(std::string_view text);

  // True for tags the rewriter must pass through unchanged: comments, the
  // document type declaration, numbered tags such as "<3>", and text with
  // no "<".
  bool IsLeftAlone() const;

  // Writes the tag back: "<", the name, each attribute as its separator (one
  // space when it had none), its name and its value text, the tail, and ">"
  // when the tag had one. Names are case-converted as asked; values never
  // change. Text around the tag is kept.
  std::string Reassemble(NameCase name_case = NameCase::kAsWritten) const;
};

}  // namespace orv
