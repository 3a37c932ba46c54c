// orvtext's ten policy sections: the catalogue table and the creation of
// the sections that every policy set of a run shares (shared_policies.h).
// The values derived from them are in derived_values.cpp.
#include "policy/own_policies.h"

#include "common/text.h"
#include "policy/policy_values.h"

namespace orv {

namespace {

constexpr std::string_view kCopyrightNotice = "Copyright (c) 2026 the orvtext developers. All rights reserved.";
constexpr std::string_view kCitation =
    "This help file may be used freely for personal purposes, but it may not be used "
    "commercially without the written permission of the orvtext developers.";

constexpr std::string_view kSectionHeaders[kPolicySectionCount] = {
    "[Detag]",           "[Detag tables]",         "[Tag Manipulation]", "[Mail Tidy]",
    "[RTF Help files]",  "[Text formatting]",      "[Text headers/footers]",
    "[Text hyperlinks]", "[Text tables]",          "[Text conversion]"};

// Category of every orvtext policy.
constexpr int kOrvCategory = 4;

}  // namespace

const std::array<OrvCatalogueEntry, 85>& OwnPolicyCatalogue() {
  // In creation order. The sections keep their policies in ascending
  // identifiers whatever this order is ("[Tag Manipulation]" creates the
  // lower-case policy first); the one "[Text headers/footers]" policy
  // records section number 6 but lives in section 7.
  static const std::array<OrvCatalogueEntry, 85> catalogue = {{
      {kSectionDetag, 1, kRemoveAllTags, PolicyType::kYesNo, 1, "", "Remove all tags"},
      {kSectionDetag, 1, kRemoveAllHtmlTags, PolicyType::kYesNo, 0, "", "Remove all HTML tags"},
      {kSectionDetag, 1, kRemoveHead, PolicyType::kYesNo, 0, "", "Remove HTML <HEAD> section"},
      {kSectionDetag, 1, kRemoveComments, PolicyType::kYesNo, 0, "", "Remove HTML-style comments"},
      {kSectionDetag, 1, kRemoveScript, PolicyType::kYesNo, 0, "", "Remove HTML <SCRIPT> section"},
      {kSectionDetag, 1, kRemoveObject, PolicyType::kYesNo, 0, "", "Remove HTML <OBJECT> section"},
      {kSectionDetag, 1, kRemoveFontTags, PolicyType::kYesNo, 0, "", "Remove HTML <FONT> tags"},
      {kSectionDetag, 1, kRemoveFormTags, PolicyType::kYesNo, 0, "", "Remove HTML <FORM>..</FORM> tags"},
      {kSectionDetag, 1, kRemoveSpan, PolicyType::kYesNo, 0, "", "Remove HTML <SPAN> section"},
      {kSectionDetag, 1, kRemoveEmphasisTags, PolicyType::kYesNo, 0, "", "Remove emphasis tags"},
      {kSectionDetag, 1, kReplaceHyperlinksByDisplayValue, PolicyType::kYesNo, 0, "", "Replace hyperlinks by the display value"},
      {kSectionDetag, 1, kRemoveNonStandardTags, PolicyType::kYesNo, 0, "", "Remove non-standard tags"},
      {kSectionDetag, 1, kKeepDeprecatedTags, PolicyType::kYesNo, 1, "", "Keep deprecated tags"},
      {kSectionDetag, 1, kRemoveNonStandardAttributes, PolicyType::kYesNo, 0, "", "Remove non-standard tag attributes"},
      {kSectionDetag, 1, kKeepDeprecatedAttributes, PolicyType::kYesNo, 1, "", "Keep deprecated tag attributes"},
      {kSectionDetag, 1, kRemoveAllNonHtmlTags, PolicyType::kYesNo, 1, "", "Remove all non-HTML tags"},
      {kSectionDetag, 1, kRemoveMailXTags, PolicyType::kYesNo, 1, "", "Remove all x-tags used in mail messages"},
      {kSectionDetag, 1, kRemoveOfficeTags, PolicyType::kYesNo, 1, "", "Remove Microsoft Office tags"},
      {kSectionDetag, 1, kRemoveStyleSheet, PolicyType::kYesNo, 0, "", "Remove style sheet"},
      {kSectionDetag, 1, kRemoveImgTags, PolicyType::kYesNo, 0, "", "Remove HTML <IMG> tags"},
      {kSectionDetagTables, 2, kRemoveTableTags, PolicyType::kYesNo, 0, "", "Remove HTML table tags"},
      {kSectionDetagTables, 2, kRemovePFromTables, PolicyType::kYesNo, 0, "", "Remove HTML <P> tags from tables"},
      {kSectionDetagTables, 2, kRemoveTableAlignment, PolicyType::kYesNo, 0, "", "Remove HTML alignment attributes from tables"},
      {kSectionDetagTables, 2, kRemoveTableColour, PolicyType::kYesNo, 0, "", "Remove HTML color attributes from tables"},
      {kSectionDetagTables, 2, kRemoveTableSize, PolicyType::kYesNo, 0, "", "Remove HTML size attributes from tables"},
      {kSectionTagManipulation, 3, kTagsToLowerCase, PolicyType::kYesNo, 0, "", "Convert tags to lower case"},
      {kSectionTagManipulation, 3, kTagsToUpperCase, PolicyType::kYesNo, 0, "", "Convert tags to upper case"},
      {kSectionTagManipulation, 3, kReplaceEntitiesByText, PolicyType::kYesNo, 0, "", "Replace entities by text"},
      {kSectionTagManipulation, 3, kAllow8BitAnsi, PolicyType::kYesNo, 1, "", "Allow 8-bit ANSI values in output"},
      {kSectionTagManipulation, 3, kAllowAnsiAlternatives, PolicyType::kYesNo, 1, "", "Allow ANSI alternatives (e.g. space for &nbsp;)"},
      {kSectionMailTidy, 4, kMailSeparator, PolicyType::kYesNo, 0, "", "Insert separator between email messages"},
      {kSectionMailTidy, 4, kMailNotesFromHtml, PolicyType::kYesNo, 0, "", "Add notes when email converted from HTML"},
      {kSectionMailTidy, 4, kMailNotesDiscarded, PolicyType::kYesNo, 0, "", "Add notes when components are discarded"},
      {kSectionMailTidy, 4, kSimplifyMailHeaders, PolicyType::kYesNo, 0, "", "Simplify the mail headers"},
      {kSectionMailTidy, 4, kMailHeaderDetailLevel, PolicyType::kInteger, 0, "", "Level of header details wanted (0-10)"},
      {kSectionMailTidy, 4, kDiscardNonAnsiMessages, PolicyType::kYesNo, 0, "", "Discard any non-ANSI messages (e.g. Chinese)"},
      {kSectionRtfHelpFiles, 5, kGenerateWinHelpProject, PolicyType::kYesNo, 0, "", "Generate WinHelp project file"},
      {kSectionRtfHelpFiles, 5, kWinHelpResourceFile, PolicyType::kText, 0, "", "WinHelp Resource File"},
      {kSectionRtfHelpFiles, 5, kHelpCopyrightNotice, PolicyType::kText, 0, kCopyrightNotice, "Help file copyright notice"},
      {kSectionRtfHelpFiles, 5, kHelpCitation, PolicyType::kText, 0, kCitation, "Help file citation"},
      {kSectionRtfHelpFiles, 5, kHelpTitleBackground, PolicyType::kColour, 0, "Silver", "Help title background colour"},
      {kSectionRtfHelpFiles, 5, kHelpBodyBackground, PolicyType::kColour, 0, "FFFFE0", "Help body background colour"},
      {kSectionTextFormatting, 6, kPreserveWhiteSpace, PolicyType::kYesNo, 0, "", "Preserve all white space from the original source"},
      {kSectionTextFormatting, 6, kImposePageWidth, PolicyType::kYesNo, 1, "", "Impose a page width on the output"},
      {kSectionTextFormatting, 6, kTargetPageWidth, PolicyType::kInteger, 72, "", "Target Page width"},
      {kSectionTextFormatting, 6, kRightJustify, PolicyType::kYesNo, 0, "", "Right justify the output text"},
      {kSectionTextFormatting, 6, kOutputIndentationPositions, PolicyType::kText, 0, "0,4,8,12,16,20,24,28", "Output indentation positions"},
      {kSectionTextFormatting, 6, kParagraphOnSingleLine, PolicyType::kYesNo, 0, "", "Output each paragraph on a single line"},
      {kSectionTextFormatting, 6, kPreserveShortLines, PolicyType::kYesNo, 1, "", "Preserve short lines"},
      {kSectionTextFormatting, 6, kShortLinesEndParagraphs, PolicyType::kYesNo, 1, "", "Treat short lines as paragraph endings"},
      {kSectionTextFormatting, 6, kFirstLineIndent, PolicyType::kInteger, 0, "", "First line indent for paragraphs"},
      {kSectionTextFormatting, 6, kGapBetweenSentences, PolicyType::kYesNo, 0, "", "Insert gap between sentences"},
      {kSectionTextFormatting, 6, kLookForDialogue, PolicyType::kYesNo, 0, "", "Look for dialogue lines"},
      {kSectionTextFormatting, 6, kExtraDialogueChecks, PolicyType::kYesNo, 0, "", "Apply extra dialogue checks"},
      {kSectionTextFormatting, 6, kBreakAtDialogue, PolicyType::kYesNo, 0, "", "Break lines where dialogue starts in the middle"},
      {kSectionTextFormatting, 6, kRemoveRules, PolicyType::kYesNo, 0, "", "Remove all horizontal rules and lines"},
      {kSectionTextFormatting, 6, kHighlightBoldItalic, PolicyType::kYesNo, 1, "", "Highlight *bold* and _italic_ text"},
      {kSectionTextFormatting, 6, kMayAddUnicodeMarker, PolicyType::kYesNo, 0, "", "May add Unicode marker to output file"},
      {kSectionTextFormatting, 6, kHeadingUnderlineCharacters, PolicyType::kText, 0, "*,=,-,~,.,,", "Heading underline characters"},
      {kSectionTextFormatting, 6, kTextBulletCharacters, PolicyType::kText, 0, "middot,middot,middot,middot,middot,middot", "Text bullet characters"},
      {kSectionTextFormatting, 6, kStartListMarker, PolicyType::kText, 0, "", "Start list marker"},
      {kSectionTextFormatting, 6, kEndListMarker, PolicyType::kText, 0, "", "End list marker"},
      {kSectionTextHeadersFooters, 6, kAllowByLineForAuthor, PolicyType::kYesNo, 0, "", "Allow by-line to be used for Author field"},
      {kSectionTextHyperlinks, 8, kOmitEmailHyperlinks, PolicyType::kYesNo, 0, "", "Omit email hyperlinks from the output"},
      {kSectionTextHyperlinks, 8, kOmitLocalHyperlinks, PolicyType::kYesNo, 0, "", "Omit local hyperlinks from the output"},
      {kSectionTextHyperlinks, 8, kRemovedLinkText, PolicyType::kText, 0, "[removed link]", "Text to replace removed links by"},
      {kSectionTextHyperlinks, 8, kAddUrlReferences, PolicyType::kYesNo, 1, "", "Add URL references at end of file"},
      {kSectionTextHyperlinks, 8, kDisplayLinkUrls, PolicyType::kYesNo, 0, "", "Display link URLs"},
      {kSectionTextHyperlinks, 8, kReplaceImgByMarker, PolicyType::kYesNo, 0, "", "Replace <IMG> tags by a text marker"},
      {kSectionTextHyperlinks, 8, kUseAltForImg, PolicyType::kYesNo, 0, "", "Use the ALT attribute to replace <IMG> tags"},
      {kSectionTextTables, 9, kParseTables, PolicyType::kYesNo, 1, "", "Attempt to parse tables"},
      {kSectionTextTables, 9, kOutputTableFormat, PolicyType::kInteger, 1, "", "Output table format"},
      {kSectionTextTables, 9, kInnermostTablesOnly, PolicyType::kYesNo, 1, "", "Convert only innermost tables"},
      {kSectionTextTables, 9, kAddDelimitedTableMarkers, PolicyType::kYesNo, 1, "", "Add delimited table markers"},
      {kSectionTextTables, 9, kAllowBlankRowSeparators, PolicyType::kYesNo, 0, "", "Allow blank row separator lines"},
      {kSectionTextTables, 9, kBorderOnAllTables, PolicyType::kYesNo, 0, "", "Add border to all tables"},
      {kSectionTextTables, 9, kNoBordersOnNestedTables, PolicyType::kYesNo, 1, "", "Suppress borders on nested tables"},
      {kSectionTextTables, 9, kAdjustTableToPageWidth, PolicyType::kYesNo, 1, "", "Adjust table to page width"},
      {kSectionTextTables, 9, kTargetTableWidth, PolicyType::kInteger, 0, "", "Target table width"},
      {kSectionTextTables, 9, kStartTableMarker, PolicyType::kText, 0, "", "Start table marker"},
      {kSectionTextTables, 9, kEndTableMarker, PolicyType::kText, 0, "", "End table marker"},
      {kSectionTextTables, 9, kAllowHeadingsInTables, PolicyType::kYesNo, 1, "", "Allow headings inside tables"},
      {kSectionTextTables, 9, kDefaultTableIndentation, PolicyType::kInteger, 0, "", "Default table indentation"},
      {kSectionTextConversion, 10, kXeTagPrefix, PolicyType::kText, 0, "<si>", "XE tag prefix"},
      {kSectionTextConversion, 10, kXeTagPostfix, PolicyType::kText, 0, "<xi>", "XE tag postfix"},
  }};
  return catalogue;
}

std::string_view OrvSectionHeader(int number) {
  if (number < 1 || number > kPolicySectionCount) return "[Unknown]";
  return kSectionHeaders[number - 1];
}

int OrvSectionOf(int id) {
  for (const OrvCatalogueEntry& entry : OwnPolicyCatalogue())
    if (entry.identifier == id) return entry.section;
  return 0;
}

void CreateOwnSections(PolicySections& sections) {
  for (int number = 1; number <= kPolicySectionCount; ++number)
    sections[number - 1].SetHeader(number, kSectionHeaders[number - 1]);
  for (const OrvCatalogueEntry& entry : OwnPolicyCatalogue()) {
    PolicyValue default_value{entry.default_number, std::string(entry.default_text)};
    sections[entry.section - 1].AddPolicy(entry.identifier, static_cast<int>(entry.type),
                                          entry.created_section, kOrvCategory, default_value, "",
                                          entry.key);
  }
}

std::array<int, 8> IndentationPositions(std::string_view text) {
  std::array<int, 8> positions{};
  std::vector<std::string> fields;
  if (!text.empty()) fields = Split(text, ',');
  int previous = 0;
  for (size_t i = 0; i < positions.size(); ++i) {
    int value = previous;
    if (i < fields.size()) {
      int parsed = 0;
      if (ParseInteger(Trim(fields[i]), parsed)) value = parsed;
    }
    if (value < previous) value = previous;
    positions[i] = value;
    previous = value;
  }
  return positions;
}

}  // namespace orv
