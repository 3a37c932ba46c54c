// One HTML tag split into its name and attributes, keeping every
// attribute's separator, quoting and value text as written so that the tag
// rewriter can drop attributes or change the case of names and put the rest
// back exactly. The rewriter asks the element table (element_table.h) about
// the parts.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/text.h"

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

// The ">" that ends the tag whose "<" is at `open`, or npos when there is
// none: the first ">", except that a quoted attribute value (a quote right
// after "=" and blanks, closed by the same quote before any "<") is
// skipped, so that `<a title="a>b">` ends at its last ">". Reads no more
// than the tag when it holds no quote before its first ">".
size_t FindTagEnd(std::string_view text, size_t open);

struct ParsedTag {
  std::string leading;    // text before the "<" (normally empty)
  bool has_open = false;  // a "<" was found
  std::string name;       // from after "<" to the first blank
  std::vector<TagAttribute> attributes;
  std::string tail;        // trailing blanks and a final "/" before ">"
  bool has_close = false;  // the tag ended with ">"
  std::string trailing;    // text after the ">" (normally empty)

  // Splits a tag. Text before the first "<" is kept in `leading`; the tag
  // ends at its ">" (FindTagEnd) or at the end of the text. The name ends at a
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

// One attribute of a tag as written: the blanks before it, its name, and its
// value as written after "=" (quotes kept; blanks around "=" are not part of
// it). Views into the tag body.
struct AttributeSpan {
  std::string_view separator;
  std::string_view name;
  bool has_value = false;
  std::string_view value;
};

// Walks the attributes of a tag body (the text between "<" and ">") that
// follow the tag name, calling visit(span) for each until visit returns true.
// Returns the offset where the stretch after the last attribute begins
// (trailing blanks, or the "/" of an empty-element tag), or the body's size.
// This is the one reading of attributes: ParsedTag and the attribute lookups
// of the handlers both use it. Linear in the body; allocates nothing.
template <typename Visit>
size_t ScanTagAttributes(std::string_view body, Visit visit) {
  const size_t n = body.size();
  size_t i = 0;
  while (i < n && !IsBlank(body[i])) ++i;  // the tag name
  while (i < n) {
    const size_t separator_start = i;
    while (i < n && IsBlank(body[i])) ++i;
    if (i == n || (body[i] == '/' && i + 1 == n)) return separator_start;
    AttributeSpan span;
    span.separator = body.substr(separator_start, i - separator_start);
    const size_t name_start = i;
    while (i < n && !IsBlank(body[i]) && body[i] != '=') ++i;
    span.name = body.substr(name_start, i - name_start);
    size_t j = i;
    while (j < n && IsBlank(body[j])) ++j;
    if (j < n && body[j] == '=') {
      ++j;
      while (j < n && IsBlank(body[j])) ++j;
      const size_t value_start = j;
      if (j < n && (body[j] == '"' || body[j] == '\'')) {
        const size_t end_quote = body.find(body[j], j + 1);
        j = end_quote == std::string_view::npos ? n : end_quote + 1;
      } else {
        while (j < n && !IsBlank(body[j])) ++j;
      }
      span.has_value = true;
      span.value = body.substr(value_start, j - value_start);
      i = j;
    }
    // Without "=" the blanks after the name become the next separator.
    if (visit(span)) return n;
  }
  return n;
}

// The value of attribute `name` (compared ignoring case) of the tag that
// starts `tag`, without its "=" and quotes; false and empty when the tag has
// no such attribute. Only the first ">" ends the tag; a quote that is never
// closed runs to that ">" (or the end), an attribute without "=" has an
// empty value, and the first of two attributes of one name wins. Linear.
bool GetTagAttribute(std::string_view tag, std::string_view name, std::string& value);

// The attributes of one tag, parsed once, for a caller that looks up
// several of them: Get answers as GetTagAttribute would for the same tag.
class TagAttributes {
 public:
  // Parses the tag up to its first ">". Linear in the tag. The names and
  // values view `tag`, which must outlive this object.
  explicit TagAttributes(std::string_view tag);
  TagAttributes(const TagAttributes&) = delete;
  TagAttributes& operator=(const TagAttributes&) = delete;
  // Sets `value` to the attribute's value (empty when it has none) and
  // returns true, or clears `value` and returns false when there is no such
  // attribute. Linear in the number of attributes.
  bool Get(std::string_view name, std::string& value) const;
  // The attribute's value as a view of the tag, or nothing when the tag
  // has no such attribute.
  std::optional<std::string_view> Find(std::string_view name) const;
  // Calls visit(name, value) for each attribute in the order written, two
  // of one name included; the views stay valid as long as the tag.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (size_t k = 0; k < count_; ++k) {
      const Attribute& attribute = k < kInPlace ? in_place_[k] : more_[k - kInPlace];
      visit(attribute.first, attribute.second);
    }
  }

 private:
  using Attribute = std::pair<std::string_view, std::string_view>;
  // Names and values, viewing the tag: most tags' fit in place, and only
  // those of a tag with more take the vector.
  static constexpr size_t kInPlace = 6;
  std::array<Attribute, kInPlace> in_place_{};
  size_t count_ = 0;
  std::vector<Attribute> more_;
};

// The value (trimmed) of `property` in a style text such as
// "text-align: center; tab-stops: right 3in", ignoring case in the name;
// empty when absent.
std::string GetStyleProperty(std::string_view style, std::string_view property);

}  // namespace orv
