// The tag handlers the detag pass's pattern lists call: comments, paragraphs, blocks and rules, META tags, style-sheet
// links and dialogue, with the alignment and base-URL
// resolution they share. detag.cpp builds the lists that call them;
// the list, heading, emphasis, hyperlink, image and table handlers live
// elsewhere and reach the pass through DetagHandlerSlots.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/parsed_tag.h"
#include "html/pattern_list.h"
#include "textout/marks.h"
#include "textout/text_line.h"

namespace orv {

struct DetagOptions;

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
enum AlignedBlockCode : intptr_t { kDivOpen = 1, kCenterOpen = 2, kAlignedBlockEnd = 3 };

// Alignment of a tag: its "align" attribute, or when that is absent the
// "text-align" property of its "style" attribute. Anything else is left.
Alignment TagAlignment(std::string_view tag);
// The same, but kNone when the tag declares no alignment at all.
Alignment DeclaredAlignment(std::string_view tag);
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

// False when ResolveUrl would return `href` as it is for want of a base or
// of an href to resolve (empty, or a jump within the page).
inline bool NeedsBase(std::string_view href, std::string_view base) {
  return !href.empty() && href.front() != '#' && !base.empty() && base != "** UNKNOWN **";
}

// Comment list state, reset for every chunk: inside a script element, and
// where the last "<!--" began (-1: none).
struct CommentState {
  bool in_script = false;
  long comment_start = -1;
};

// The alignment of the open <div> and <center> blocks, innermost last
// (kNone for a block that sets none). Kept for a whole file; blocks nested
// deeper than kMaxDepth are only counted.
struct AlignedBlockState {
  static constexpr size_t kMaxDepth = 256;
  std::vector<Alignment> open;
  size_t too_deep = 0;
  // The innermost alignment that a block sets, or kNone.
  Alignment Current() const;
  void Reset() {
    open.clear();
    too_deep = 0;
  }
};

// The handlers. Each takes the list, the match [start, end] (inclusive) in
// `text` and what it needs; it returns an ActionResult, and ActionNone for
// offsets out of range.

// Comment list: `code` is a CommentCode. A "-->" outside a script removes
// everything from the remembered "<!--" through itself.
int HandleComment(PatternList& list, long start, long end, const std::string& text, intptr_t code,
                  CommentState& state);
// "<!--[if" up to "<![endif]-->": an Office conditional comment (its
// condition names "mso" or "vml") is removed whole; a revealed one, whose
// opening comment closes at once ("<!--[if !mso]><!-->"), loses only its
// two comments. Other conditional comments stay (ActionNone).
int HandleOfficeComment(PatternList& list, long start, long end, const std::string& text);
// "<p...>": the paragraph mark, the alignment marker and any tab-stop marker.
// A paragraph that declares no alignment takes that of the enclosing block
// (`enclosing`, kNone: left).
int HandleParagraph(PatternList& list, long start, long end, const std::string& text,
                    const DetagMarkers& markers, Alignment enclosing = Alignment::kNone);
// "<div ...>", "<center>" and their end tags (`code` an AlignedBlockCode): a
// block that sets an alignment is followed by its alignment marker, and its
// end tag by the marker of the enclosing block (left when none). The tags
// stay for the breaks list and the remaining-tag pass.
int HandleAlignedBlock(PatternList& list, long start, long end, const std::string& text,
                       intptr_t code, AlignedBlockState& state);
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
// True for the name of an element that the HTML standard renders as a
// block (div, p, h1, li, td, section...), in any case.
bool IsBlockTagName(std::string_view name);
// Puts `mark` before every start and end tag of the elements that the HTML
// standard renders as blocks and that no list of the pass lays out (div,
// center, address, HTML5's sectioning elements, details, dialog...), except
// "</div>", which the breaks list marks, and tags that a mark already stands
// next to (blanks aside). Returns the number of marks put in. One pass over
// the text; it is copied only when a mark goes in.
int InsertBlockBreaks(std::string& text, const std::string& mark);
// A new quotation starts on a line of its own.
int HandleDialogue(PatternList& list, long start, long end, const std::string& text,
                   const DetagMarkers& markers);

}  // namespace orv
