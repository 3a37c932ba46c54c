// The in-band markers of the detag pass and the tag handlers its pattern
// lists call: comments, paragraphs, blocks and rules, META tags, style-sheet
// links, list-item paragraphs and dialogue, with the attribute lookup and
// base-URL resolution they share. detag.cpp builds the lists that call them;
// the list, heading, emphasis, hyperlink, image and table handlers live
// elsewhere and reach the pass through DetagHandlerSlots.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/pattern_list.h"
#include "textout/text_line.h"

namespace orv {

struct DetagOptions;

// The forced-break marker at the start of an output line: the layout step
// ends the pending text there.
inline constexpr std::string_view kForcedBreak =
    "\xBF"
    "BR"
    "\xBF";

// The in-band marks and statement texts of one file. The marks are names
// between pairs of 0xFF bytes, which ordinary text never holds.
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

// Handler data of list entries that carry a code rather than a text: the
// code travels in the data pointer itself.
inline void* CodeData(intptr_t code) { return reinterpret_cast<void*>(code); }
inline intptr_t DataCode(const void* data) { return reinterpret_cast<intptr_t>(data); }

// Codes of the comment list's four entries.
enum CommentCode : intptr_t {
  kScriptStart = 1,
  kScriptEnd = 2,
  kCommentOpen = 3,
  kCommentClose = 4
};
// Codes of the entries whose handlers other parts supply.
enum ListTagCode : intptr_t { kListOpen = 1, kListItem = 2, kListEnd = 3 };
enum HeadingTagCode : intptr_t { kHeadingStart = 1, kHeadingEnd = 2 };

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
  // Parses a copy of the tag up to its first ">". Linear in the tag.
  explicit TagAttributes(std::string_view tag);
  TagAttributes(const TagAttributes&) = delete;
  TagAttributes& operator=(const TagAttributes&) = delete;
  // Sets `value` to the attribute's value (empty when it has none) and
  // returns true, or clears `value` and returns false when there is no such
  // attribute. Linear in the number of attributes.
  bool Get(std::string_view name, std::string& value) const;

 private:
  std::string tag_;
  // Names and values, viewing `tag_`.
  std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};

// The value (trimmed) of `property` in a style text such as
// "text-align: center; tab-stops: right 3in", ignoring case in the name;
// empty when absent.
std::string GetStyleProperty(std::string_view style, std::string_view property);

// Alignment of a tag: its "align" attribute, or when that is absent the
// "text-align" property of its "style" attribute. Anything else is left.
Alignment TagAlignment(std::string_view tag);
Alignment AlignmentFromWord(std::string_view word);
// "[[LEFT]]", "[[CENTER]]", "[[RIGHT]]" or "[[JUSTIFY]]".
std::string_view AlignmentMarker(Alignment alignment);

// Makes `href` absolute against the document's base URL. An href that is
// empty, a jump within the page ("#..."), or contains "://", "javascript:",
// "news:", "@" or "mailto:" is returned as it is, and so is every href when
// the base is empty or "** UNKNOWN **". Otherwise "/x" goes after the
// base's host, "../" steps climb the base's directories, and anything else
// goes after the base's directory.
std::string ResolveUrl(std::string_view href, std::string_view base);

// Comment list state, reset for every chunk: inside a script element, and
// where the last "<!--" began (-1: none).
struct CommentState {
  bool in_script = false;
  long comment_start = -1;
};

// The handlers. Each takes the list, the match [start, end] (inclusive) in
// `text` and what it needs; it returns an ActionResult, and ActionNone for
// offsets out of range.

// Comment list: `code` is a CommentCode. A "-->" outside a script removes
// everything from the remembered "<!--" through itself.
int HandleComment(PatternList& list, long start, long end, const std::string& text, intptr_t code,
                  CommentState& state);
// "<p...>": the paragraph mark, the alignment marker and any tab-stop marker.
int HandleParagraph(PatternList& list, long start, long end, const std::string& text,
                    const DetagMarkers& markers);
// Block tags: the tag, then the statement on a line of its own; the rule
// statement becomes an aligned "$_$_LINE" with its width.
int HandleBlock(PatternList& list, long start, long end, const std::string& text,
                const std::string& statement, const DetagMarkers& markers,
                const DetagOptions& options);
// The width text of a rule: "" or a space and the width ("50%", or columns).
std::string RuleWidth(std::string_view tag, const DetagOptions& options);
// "<meta ...>": records the author and the character set, removes the tag.
int HandleMeta(PatternList& list, long start, long end, const std::string& text,
               std::string& author, std::string& charset);
// "<link ...>": a style-sheet link goes when style sheets are removed.
int HandleStyleLink(PatternList& list, long start, long end, const std::string& text,
                    const DetagOptions& options);
// A list item directly followed by a paragraph mark loses the mark.
int HandleItem(PatternList& list, long start, long end, const std::string& text,
               const DetagMarkers& markers);
// A new quotation starts on a line of its own.
int HandleDialogue(PatternList& list, long start, long end, const std::string& text,
                   const DetagMarkers& markers);

}  // namespace orv
