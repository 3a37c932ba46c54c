// The heading and emphasis handlers of the detag pass. A heading element
// becomes an aligned heading section ("$_$_START_HEADING" .. "$_$_END_HEADING")
// holding its text and an underline chosen by level, and may name the
// document; "<b>", "<strong>", "<i>" and "<em>" spans become *bold* and
// _italic_. The layout step (layout.h) lays heading sections out verbatim.
// lists.h holds the list handlers installed beside these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "html/pattern_list.h"
#include "html/tag_catalogue.h"
#include "textout/text_line.h"

namespace orv {

class DetagPass;
struct DetagMarkers;
struct DetagOptions;

// Plain heading texts this long or longer are not laid out as headings.
inline constexpr size_t kMaxHeadingLength = 120;
// Emphasis spans longer than this keep their tags (removed later as tags).
inline constexpr size_t kMaxEmphasisSpan = 512;

// The heading being read: where its opening tag starts in the scanned text
// and what that tag said. `start` is -1 when no heading is open.
struct HeadingState {
  long start = -1;
  std::string tag;  // the opening tag as written
  int level = 0;
  Alignment alignment = Alignment::kLeft;
};

// The alignment of a heading's opening tag: its align attribute ("left",
// "center", "right", ignoring case), or when that names none the
// "text-align" property of its style ("left", "center", "right",
// "justify"); left otherwise.
Alignment HeadingAlignment(std::string_view tag);

// The underline of a heading of `level` whose plain text is `length`
// characters long: entry `level` (1 to 6) of the comma list `underlines`,
// trimmed, repeated to at least 60 characters ("=" and "-" give 60 of
// themselves), then cut to `length`. Empty for an empty or missing entry
// and for levels outside 1 to 6.
std::string HeadingUnderline(std::string_view underlines, int level, size_t length);

// The visible text of a heading: `heading` without tags and in-band marks,
// entities replaced, blanks collapsed. `catalogue` serves the tag removal;
// `utf8`, when given, tells whether entities were written as UTF-8.
std::string PlainHeadingText(std::string_view heading, const DetagOptions& options,
                             const TagCatalogue& catalogue, bool* utf8 = nullptr);

// What a heading handler needs besides the match.
struct HeadingContext {
  HeadingState& state;
  const DetagMarkers& markers;
  const DetagOptions& options;
  const TagCatalogue& catalogue;
  std::string& title;  // the document title, set from the first heading
};

// The heading handler for one matched tag; `code` is a HeadingTagCode.
// An opening tag is remembered and left in place; the closing tag replaces
// everything from that opening tag through itself by the heading section
// (or, for a plain text of kMaxHeadingLength or more, by the text between
// line breaks). A closing tag without an opening tag is left alone.
// Returns an ActionResult.
int HandleHeadingTag(PatternList& list, long start, long end, const std::string& text,
                     intptr_t code, const HeadingContext& context);

// The emphasis handler for one "<tag>..</tag>" span, `tag` being "b",
// "strong", "i" or "em": bold becomes "*..*", italic "_.._", with a blank
// just inside either tag moved outside it. A span with nothing but blanks
// (and tags) between its marks keeps only those. When the span holds a
// second opening tag of the element, only the span from the last plain
// opening tag is marked. Spans longer than kMaxEmphasisSpan are left alone.
// Returns an ActionResult.
int HandleEmphasis(PatternList& list, long start, long end, const std::string& text,
                   std::string_view tag);

// Fills the pass's heading and highlighting slots. The heading state lives
// with the installed handler; each call reads the pass's markers, options
// and document title.
void InstallHeadingHandlers(DetagPass& pass);

}  // namespace orv
