// The directive language: statements that fill a whole line and begin with
// the directive delimiter, and in-line tags between the start and end tag
// delimiters. fragments.h builds the definition list and the text header on
// top of this; statement_writer.h applies the block rules when writing.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The statement keywords, in the order of the keyword table.
enum class Keyword : int {
  kAlarmDefinition,
  kBaseHref,
  kBeginAscii,
  kBeginCode,
  kBeginContents,
  kBeginCommaDelimitedTable,
  kBeginDelimitedTable,
  kBeginDiagram,
  kBeginHtml,
  kBeginIgnore,
  kBeginInvPyramid,
  kBeginList,
  kBeginPre,
  kBeginTable,
  kBeginTaggedTable,
  kBeginUserTable,
  kBeginUnderwriter,
  kAuthorUrl,
  kBookmarkUrl,
  kCopyrightUrl,
  kChangeIndent,
  kChangePolicy,
  kColDefn,
  kCompositionUnit,
  kContentsList,
  kDataCell,
  kDefineBlock,
  kDefineHtmlFragment,
  kDefineTextFragment,
  kDefineVariable,
  kDescription,
  kAllow,
  kDisallow,
  kEmbedBlock,
  kEndAscii,
  kEndBlock,
  kEndCode,
  kEndContents,
  kEndCommaDelimitedTable,
  kEndDelimitedTable,
  kEndDiagram,
  kEndHtml,
  kEndIgnore,
  kEndInvPyramid,
  kEndList,
  kEndPre,
  kEndTable,
  kEndTaggedTable,
  kEndUserTable,
  kEndUnderwriter,
  kFilename,
  kFormatDefinition,
  kGraphDefinition,
  kHeadCell,
  kHelpChapter,
  kHelpSubject,
  kHelpTopicId,
  kHtmlLine,
  kInclude,
  kInsertBlock,
  kKeywords,
  kLinerule,
  kLinkpoint,
  kListItem,
  kMetaTag,
  kNavigationBar,
  kNewfile,
  kPage,
  kPara,
  kResetBlock,
  kResetHtmlFragment,
  kResetTextFragment,
  kRestoreContext,
  kSaveContext,
  kSection,
  kShortcutIcon,
  kStyleSheet,
  kTableAddTotalWidth,
  kTableAlign,
  kTableBgcolor,
  kTableBorder,
  kTableBordercolor,
  kTableCaption,
  kTableDataDefinition,
  kTableDelimiter,
  kTableCellpadding,
  kTableCellspacing,
  kTableCellAlign,
  kTableColorRows,
  kTableColourRows,
  kTableConvertXrefs,
  kTableColumnHeaders,
  kTableColumnFormats,
  kTableEvenRowColor,
  kTableEvenRowColour,
  kTableHeaderCols,
  kTableHeaderRows,
  kTableHideColumn,
  kTableLayout,
  kTableMayBeSparse,
  kTableMinColumnSeparation,
  kTableOddRowColor,
  kTableOddRowColour,
  kTableOfContents,
  kTableShowColumns,
  kTableUsePercentages,
  kTableWidth,
  kNewRow,
  kNewCell,
  kColumnDetails,
  kTitle,
};

inline constexpr size_t kKeywordCount = static_cast<size_t>(Keyword::kTitle) + 1;

// The keyword's own text ("DEFINE_TEXT_FRAGMENT").
std::string_view KeywordName(Keyword keyword);

// Layout statements: written by the detag pass and the table writer and
// read by the layout step. They always use this prefix, whatever the
// directive delimiter is.
inline constexpr std::string_view kLayoutPrefix = "$_$_";
inline constexpr std::string_view kStartListStatement = "$_$_START_LIST";
inline constexpr std::string_view kEndListStatement = "$_$_END_LIST";
inline constexpr std::string_view kStartBlockStatement = "$_$_START_BLOCK";
inline constexpr std::string_view kEndBlockStatement = "$_$_END_BLOCK";
inline constexpr std::string_view kStartPreStatement = "$_$_START_PRE";
inline constexpr std::string_view kEndPreStatement = "$_$_END_PRE";
inline constexpr std::string_view kStartHeadingStatement = "$_$_START_HEADING";
inline constexpr std::string_view kEndHeadingStatement = "$_$_END_HEADING";
inline constexpr std::string_view kTextBlockStatement = "$_$_TEXTBLOCK";
inline constexpr std::string_view kLineStatement = "$_$_LINE";
inline constexpr std::string_view kBeginCommaDelimitedTableStatement =
    "$_$_BEGIN_COMMA_DELIMITED_TABLE";
inline constexpr std::string_view kBeginDelimitedTableStatement = "$_$_BEGIN_DELIMITED_TABLE";
inline constexpr std::string_view kEndTableStatement = "$_$_END_TABLE";

// The statement table: every keyword's full statement text (delimiter +
// keyword), rebuilt whenever the delimiter changes.
class DirectiveKeywords {
 public:
  explicit DirectiveKeywords(std::string_view delimiter = "$_$_");

  // Rebuilds every statement text for a new delimiter.
  void SetDelimiter(std::string_view delimiter);
  const std::string& Delimiter() const { return delimiter_; }

  // The full statement text of `keyword` ("$_$_END_BLOCK").
  const std::string& Statement(Keyword keyword) const {
    return statements_[static_cast<size_t>(keyword)];
  }

  // The keyword whose statement begins `line`, letter case ignored. The
  // statement must end the line or be followed by a character that cannot
  // continue a keyword (not a letter, digit or "_"), so "TABLE_BORDER" does
  // not claim "TABLE_BORDERCOLOR". Cost: one comparison per keyword.
  std::optional<Keyword> Match(std::string_view line) const;

  // Whether `line` begins with the directive delimiter at all.
  bool IsStatementLine(std::string_view line) const;

 private:
  std::string delimiter_;
  std::array<std::string, kKeywordCount> statements_;
};

// The three delimiters of the directive language, from the engine's
// "Directive delimiter", "Start tag delimiter" and "End tag delimiter".
struct Delimiters {
  std::string directive = "$_$_";
  std::string start_tag = "[[";
  std::string end_tag = "]]";
};

// One in-line tag taken apart.
struct InlineTag {
  std::string name;       // as written
  std::string arguments;  // the text after the name (and its separator)
  std::vector<std::string> fields;
  std::string error;  // empty when the tag parsed
};

// Parses a tag text such as "[[TEXT_HEADER BOX_TOP]]". The text is trimmed
// and the delimiters (start and end tag delimiter, or a leading directive
// delimiter) stripped; the name ends at the first space, comma or "=". For
// HTML and HTML_COMMENT the arguments are the rest of the text verbatim;
// for all other tags they are trimmed and split into fields at blanks and
// commas, a double-quoted field keeping its blanks. `in_fragment` admits
// the tags that only mean something inside a fragment. The error texts:
// a nested start delimiter, a name outside the vocabulary, a DEFINE_VARIABLE
// without a name.
InlineTag ParseInlineTag(std::string_view tag_text, const Delimiters& delimiters,
                         bool in_fragment = false);

// Whether `name` is in the in-line tag vocabulary (letter case ignored);
// `in_fragment` adds the fragment tags.
bool IsInlineTagName(std::string_view name, bool in_fragment);

// Whether `name` is one of the tags recognised only inside fragments
// (NEXT_PAGE, ..., TEXT_HEADER).
bool IsFragmentTagName(std::string_view name);

}  // namespace orv
