// The list handlers of the detag pass: "<ul>", "<ol>" and "<dl>" open a
// nesting level, "<li>", "<dt>" and "<dd>" become list-item lines with a
// number or bullet, the end tags close levels. They write the list
// statements and the list-item text of DetagMarkers; the layout step
// (layout.h) indents the levels and hangs the labels. headings.h holds the
// heading and emphasis handlers that the pass installs beside these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/report.h"
#include "html/pattern_list.h"

namespace orv {

class DetagPass;
struct DetagMarkers;
struct ListState;

// Kinds of a list level, as kept in ListState::kinds.
enum ListKind : int {
  kBulletedList = 0,
  kDecimalList = 1,
  kLowerLetterList = 2,
  kUpperLetterList = 3,
  kLowerRomanList = 4,
  kUpperRomanList = 5,
  // The extra level that a definition description opens inside a <dl>.
  kDefinitionIndent = 6,
};

// Deepest list nesting; further opening tags are refused.
inline constexpr int kMaxListDepth = 99;

// The kind an "<ol>" type attribute asks for, compared exactly: "1" or no
// attribute decimal, "a"/"A" letters, "i"/"I" roman, anything else decimal.
ListKind OrderedListKind(const std::optional<std::string>& type);

// `text` as an integer: optional blanks, an optional sign and at most nine
// digits, nothing else. Empty when it does not parse.
std::optional<int> ParseListInteger(std::string_view text);

// "a".."z", "aa".. in bijective base 26, at most three letters ("zzz" is
// 18278); upper case when asked. Empty for numbers outside 1..18278.
std::string LetterNumber(int number, bool upper);
// Roman numerals, "m" to "mmm" for the thousands, subtractive forms for 4
// and 9; upper case when asked. Empty for numbers outside 1..3999.
std::string RomanNumber(int number, bool upper);
// The label of item `number` in a list of `kind`, without its ") ":
// decimal, letters or roman. A number that letters or roman numerals
// cannot write (0, negative, too large) is written in decimal digits.
std::string ListNumberLabel(int number, int kind);

// The widest label (number and ")") of each numbered list in `text`, by
// the offset of its "<ol" tag, in text order: the list tags are followed
// as the list handler meets them, the items of nested lists counting for
// their own list. With `end` given, stops where the lists opened in the
// text have all been closed and sets `end` there (else to the text's
// size). Linear in the text.
std::vector<std::pair<long, int>> MeasureListLabels(std::string_view text,
                                                    size_t* end = nullptr);

// The bullet of nesting depth `depth` (counting from 1) with its trailing
// blank: entry `depth` of the comma list `bullet_characters`, trimmed,
// where "middot" (any case) is the middle dot (code 183); "- " when the
// list has no such entry or it is empty.
std::string ListBullet(std::string_view bullet_characters, int depth);

// The list handler for one matched tag. `code` is a ListTagCode (open,
// item, end). Replaces the tag by the list statements and, for "<li>", the
// list-item text and label; "<dt>" and "<dd>" get a line of their own.
// Keeps `state` up to date; nesting errors are reported through `report`
// as program errors, and the tag then vanishes. Returns an ActionResult.
int HandleListTag(PatternList& list, long start, long end, const std::string& text, intptr_t code,
                  ListState& state, const DetagMarkers& markers, std::string_view bullet_characters,
                  const ReportFunction& report);

// Joins each list item to a paragraph that opens it: where a list-item
// label is followed by nothing but white space and a paragraph mark
// ("<li><p>Text", however the source breaks its lines), the white space
// and the mark go (the paragraph's alignment marker moves in front of the
// item) and one blank follows the label, so that the label and
// the item's first line stand together; so does white space holding a line
// feed between the label and the item's text. Returns the number joined.
// Linear in the text.
int JoinItemParagraphs(std::string& text, const DetagMarkers& markers);

// Fills the pass's list slot with HandleListTag, reading the pass's list
// state, markers, options and reporter at each call.
void InstallListHandlers(DetagPass& pass);

}  // namespace orv
