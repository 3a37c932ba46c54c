// The statement keyword table, statement recognition and the parsing of
// in-line tags against the tag vocabulary.
#include "textout/directives.h"

#include "common/text.h"

namespace orv {
namespace {

// In the order of the Keyword enumeration.
constexpr std::array<std::string_view, kKeywordCount> kKeywordNames = {
    "ALARM_DEFINITION",
    "BASEHREF",
    "BEGIN_ASCII",
    "BEGIN_CODE",
    "BEGIN_CONTENTS",
    "BEGIN_COMMA_DELIMITED_TABLE",
    "BEGIN_DELIMITED_TABLE",
    "BEGIN_DIAGRAM",
    "BEGIN_HTML",
    "BEGIN_IGNORE",
    "BEGIN_INV_PYRAMID",
    "BEGIN_LIST",
    "BEGIN_PRE",
    "BEGIN_TABLE",
    "BEGIN_TAGGED_TABLE",
    "BEGIN_USER_TABLE",
    "BEGIN_UNDERWRITER",
    "AUTHOR_URL",
    "BOOKMARK_URL",
    "COPYRIGHT_URL",
    "CHANGE_INDENT",
    "CHANGE_POLICY",
    "COL_DEFN",
    "COMPOSITION_UNIT",
    "CONTENTS_LIST",
    "DATA_CELL",
    "DEFINE_BLOCK",
    "DEFINE_HTML_FRAGMENT",
    "DEFINE_TEXT_FRAGMENT",
    "DEFINE_VARIABLE",
    "DESCRIPTION",
    "ALLOW",
    "DISALLOW",
    "EMBED_BLOCK",
    "END_ASCII",
    "END_BLOCK",
    "END_CODE",
    "END_CONTENTS",
    "END_COMMA_DELIMITED_TABLE",
    "END_DELIMITED_TABLE",
    "END_DIAGRAM",
    "END_HTML",
    "END_IGNORE",
    "END_INV_PYRAMID",
    "END_LIST",
    "END_PRE",
    "END_TABLE",
    "END_TAGGED_TABLE",
    "END_USER_TABLE",
    "END_UNDERWRITER",
    "FILENAME",
    "FORMAT_DEFINITION",
    "GRAPH_DEFINITION",
    "HEAD_CELL",
    "HELP_CHAPTER",
    "HELP_SUBJECT",
    "HELP_TOPIC_ID",
    "HTML_LINE",
    "INCLUDE",
    "INSERT_BLOCK",
    "KEYWORDS",
    "LINERULE",
    "LINKPOINT",
    "LIST_ITEM",
    "META_TAG",
    "NAVIGATION_BAR",
    "NEWFILE",
    "PAGE",
    "PARA",
    "RESET_BLOCK",
    "RESET_HTML_FRAGMENT",
    "RESET_TEXT_FRAGMENT",
    "RESTORE_CONTEXT",
    "SAVE_CONTEXT",
    "SECTION",
    "SHORTCUT_ICON",
    "STYLE_SHEET",
    "TABLE_ADD_TOTAL_WIDTH",
    "TABLE_ALIGN",
    "TABLE_BGCOLOR",
    "TABLE_BORDER",
    "TABLE_BORDERCOLOR",
    "TABLE_CAPTION",
    "TABLE_DATA_DEFINITION",
    "TABLE_DELIMITER",
    "TABLE_CELLPADDING",
    "TABLE_CELLSPACING",
    "TABLE_CELL_ALIGN",
    "TABLE_COLOR_ROWS",
    "TABLE_COLOUR_ROWS",
    "TABLE_CONVERT_XREFS",
    "TABLE_COLUMN_HEADERS",
    "TABLE_COLUMN_FORMATS",
    "TABLE_EVEN_ROW_COLOR",
    "TABLE_EVEN_ROW_COLOUR",
    "TABLE_HEADER_COLS",
    "TABLE_HEADER_ROWS",
    "TABLE_HIDE_COLUMN",
    "TABLE_LAYOUT",
    "TABLE_MAY_BE_SPARSE",
    "TABLE_MIN_COLUMN_SEPARATION",
    "TABLE_ODD_ROW_COLOR",
    "TABLE_ODD_ROW_COLOUR",
    "TABLE_OF_CONTENTS",
    "TABLE_SHOW_COLUMNS",
    "TABLE_USE_PERCENTAGES",
    "TABLE_WIDTH",
    "NEW_ROW",
    "NEW_CELL",
    "COLUMN_DETAILS",
    "TITLE",
};

// clang-format off
constexpr std::string_view kTagVocabulary[] = {
    "BEGIN_USER_TABLE", "BOOKMARK_URL", "BR", "CHANGE_INDENT", "COLOR", "COLOUR",
    "DEFINE_VARIABLE", "EMBED_BLOCK", "ENTITY", "END_HEADING", "FILENAME", "FO", "FONT",
    "FRACTION", "GOTO", "HEADING", "HEADING_KEYPHRASES", "HTML", "HTML_COMMENT", "HYPERLINK",
    "INSERT_BLOCK", "IGNORE_THIS", "LINERULE", "LINKPOINT", "NB", "META_TAG", "NEW_PAGE", "PAGE",
    "NEW_ROW", "NEW_CELL", "COLUMN_DETAILS", "PAGE_MARKER", "POPUP", "RESTORE_CONTEXT", "RULESET",
    "SAVE_CONTEXT", "SHORTCUT_ICON", "SPACES", "SOURCE_FILE", "STUB_INDENT", "STYLE", "SUPER",
    "SUB", "TABLE_LAYOUT", "TEXT", "TABLE_COLUMN_FORMATS", "TABLE_COLUMN_HEADERS",
    "TABLE_SHOW_COLUMNS", "TIMESTAMP", "VARIABLE", "VERSION", "CONTENTS_LIST", "NAVIGATION_BAR",
    "OT", "CT", "DEBUG",
};

constexpr std::string_view kFragmentTags[] = {
    "NEXT_PAGE",  "CURRENT_PAGE", "PREV_PAGE", "CONTENTS_TOP", "CONTENTS_NEXT_SECTION",
    "RULEWIDTH",  "RULEWIDTHPC",  "RULEHEIGHT", "RULEALIGN",   "NOFRAMES_URL",
    "TEXT_HEADER",
};
// clang-format on

bool ContinuesKeyword(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

template <size_t N>
bool InList(const std::string_view (&list)[N], std::string_view name) {
  for (std::string_view entry : list)
    if (EqualsNoCase(entry, name)) return true;
  return false;
}

// Splits argument text into fields at blanks and commas. A field in double
// quotes keeps its blanks and commas and loses its quotes; an unclosed quote
// runs to the end of the text.
std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string> fields;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (IsBlank(text[i]) || text[i] == ',')) ++i;
    if (i >= text.size()) break;
    std::string field;
    if (text[i] == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) close = text.size();
      field.assign(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end]) && text[end] != ',') ++end;
      field.assign(text.substr(i, end - i));
      i = end;
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace

std::string_view KeywordName(Keyword keyword) {
  return kKeywordNames[static_cast<size_t>(keyword)];
}

DirectiveKeywords::DirectiveKeywords(std::string_view delimiter) { SetDelimiter(delimiter); }

void DirectiveKeywords::SetDelimiter(std::string_view delimiter) {
  delimiter_.assign(delimiter);
  for (size_t i = 0; i < kKeywordCount; ++i) {
    statements_[i] = delimiter_;
    statements_[i] += kKeywordNames[i];
  }
}

bool DirectiveKeywords::IsStatementLine(std::string_view line) const {
  return !delimiter_.empty() && StartsWithNoCase(line, delimiter_);
}

std::optional<Keyword> DirectiveKeywords::Match(std::string_view line) const {
  if (!IsStatementLine(line)) return std::nullopt;
  for (size_t i = 0; i < kKeywordCount; ++i) {
    const std::string& statement = statements_[i];
    if (!StartsWithNoCase(line, statement)) continue;
    if (line.size() > statement.size() && ContinuesKeyword(line[statement.size()])) continue;
    return static_cast<Keyword>(i);
  }
  return std::nullopt;
}

bool IsFragmentTagName(std::string_view name) { return InList(kFragmentTags, name); }

bool IsInlineTagName(std::string_view name, bool in_fragment) {
  return InList(kTagVocabulary, name) || (in_fragment && IsFragmentTagName(name));
}

InlineTag ParseInlineTag(std::string_view tag_text, const Delimiters& delimiters,
                         bool in_fragment) {
  InlineTag tag;
  std::string_view text = TrimView(tag_text);
  const std::string_view start = delimiters.start_tag;
  const std::string_view end = delimiters.end_tag;
  if (!start.empty() && StartsWithNoCase(text, start)) {
    text.remove_prefix(start.size());
  } else if (!delimiters.directive.empty() && StartsWithNoCase(text, delimiters.directive)) {
    text.remove_prefix(delimiters.directive.size());
  }
  if (!end.empty() && EndsWithNoCase(text, end)) text.remove_suffix(end.size());
  text = TrimView(text);

  if (!start.empty() && FindNoCase(text, start) != std::string_view::npos) {
    tag.error = "Incomplete tag, or nested tag - \"" + std::string(tag_text) + "\"";
    return tag;
  }

  size_t name_end = 0;
  while (name_end < text.size() && text[name_end] != ' ' && text[name_end] != ',' &&
         text[name_end] != '=')
    ++name_end;
  tag.name.assign(text.substr(0, name_end));
  std::string_view rest = name_end < text.size() ? text.substr(name_end + 1) : std::string_view();

  if (!IsInlineTagName(tag.name, in_fragment)) {
    tag.error = "Unrecognised tag \"" + tag.name + "\" : " + std::string(tag_text);
    return tag;
  }
  if (EqualsNoCase(tag.name, "HTML") || EqualsNoCase(tag.name, "HTML_COMMENT")) {
    tag.arguments.assign(rest);
    return tag;
  }
  tag.arguments = Trim(rest);
  tag.fields = SplitFields(tag.arguments);
  if (EqualsNoCase(tag.name, "DEFINE_VARIABLE") && tag.fields.empty())
    tag.error = "TAG_ERROR: Failed to parse DEFINE_VARIABLE tag";
  return tag;
}

}  // namespace orv
