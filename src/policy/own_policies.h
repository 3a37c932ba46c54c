// orvtext's own policies: the ten sections ("[Detag]" ... "[Text
// conversion]") with their identifiers, key texts, types and defaults, as
// created for the policies every set of a run shares (shared_policies.h).
// The values derived from them are in derived_values.h; the engine
// policies shared with the sister converters are in engine_policies.h.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/text.h"  // kMaxOutputColumns
#include "policy/policy_section.h"

namespace orv {

constexpr int kPolicySectionCount = 10;
using PolicySections = std::array<PolicySection, kPolicySectionCount>;

// Section numbers (1-based; index into PolicySections is number - 1).
enum OrvSection : int {
  kSectionDetag = 1,
  kSectionDetagTables = 2,
  kSectionTagManipulation = 3,
  kSectionMailTidy = 4,
  kSectionRtfHelpFiles = 5,
  kSectionTextFormatting = 6,
  kSectionTextHeadersFooters = 7,
  kSectionTextHyperlinks = 8,
  kSectionTextTables = 9,
  kSectionTextConversion = 10,
};

// Identifiers of orvtext's policies (unique across all ten sections).
enum OrvPolicy : int {
  // [Detag]
  kRemoveAllTags = 10,
  kRemoveAllHtmlTags = 11,
  kRemoveHead = 12,
  kRemoveComments = 13,
  kRemoveScript = 14,
  kRemoveObject = 15,
  kRemoveFontTags = 16,
  kRemoveFormTags = 17,
  kRemoveSpan = 18,
  kRemoveEmphasisTags = 19,
  kReplaceHyperlinksByDisplayValue = 20,
  kRemoveNonStandardTags = 21,
  kKeepDeprecatedTags = 22,
  kRemoveNonStandardAttributes = 23,
  kKeepDeprecatedAttributes = 24,
  kRemoveAllNonHtmlTags = 30,
  kRemoveMailXTags = 31,
  kRemoveOfficeTags = 32,
  kRemoveStyleSheet = 40,
  kRemoveImgTags = 41,
  // [Detag tables]
  kRemoveTableTags = 25,
  kRemovePFromTables = 26,
  kRemoveTableAlignment = 27,
  kRemoveTableColour = 28,
  kRemoveTableSize = 29,
  // [Tag Manipulation]
  kTagsToUpperCase = 50,
  kTagsToLowerCase = 51,
  kReplaceEntitiesByText = 52,
  kAllow8BitAnsi = 53,
  kAllowAnsiAlternatives = 54,
  // [Text formatting]
  kPreserveWhiteSpace = 100,
  kImposePageWidth = 105,
  kTargetPageWidth = 106,
  kRightJustify = 107,
  kOutputIndentationPositions = 108,
  kParagraphOnSingleLine = 110,
  kPreserveShortLines = 111,
  kShortLinesEndParagraphs = 112,
  kFirstLineIndent = 113,
  kGapBetweenSentences = 114,
  kLookForDialogue = 120,
  kExtraDialogueChecks = 121,
  kBreakAtDialogue = 122,
  kRemoveRules = 125,
  kHighlightBoldItalic = 126,
  kMayAddUnicodeMarker = 127,
  kHeadingUnderlineCharacters = 128,
  kTextBulletCharacters = 129,
  kStartListMarker = 151,
  kEndListMarker = 152,
  // [Text headers/footers]
  kAllowByLineForAuthor = 175,
  // [Text hyperlinks]
  kOmitEmailHyperlinks = 130,
  kOmitLocalHyperlinks = 131,
  kRemovedLinkText = 132,
  kAddUrlReferences = 133,
  kDisplayLinkUrls = 134,
  kReplaceImgByMarker = 135,
  kUseAltForImg = 136,
  // [Text tables]
  kParseTables = 140,
  kOutputTableFormat = 141,
  kInnermostTablesOnly = 142,
  kAddDelimitedTableMarkers = 143,
  kAllowBlankRowSeparators = 144,
  kBorderOnAllTables = 145,
  kNoBordersOnNestedTables = 146,
  kAdjustTableToPageWidth = 147,
  kTargetTableWidth = 148,
  kStartTableMarker = 149,
  kEndTableMarker = 150,
  kAllowHeadingsInTables = 153,
  kDefaultTableIndentation = 154,
  // [Mail Tidy]
  kMailSeparator = 200,
  kMailNotesFromHtml = 201,
  kMailNotesDiscarded = 202,
  kSimplifyMailHeaders = 203,
  kMailHeaderDetailLevel = 204,
  kDiscardNonAnsiMessages = 205,
  // [RTF Help files]
  kGenerateWinHelpProject = 210,
  kWinHelpResourceFile = 211,
  kHelpCopyrightNotice = 212,
  kHelpCitation = 213,
  kHelpTitleBackground = 214,
  kHelpBodyBackground = 215,
  // [Text conversion]
  kXeTagPrefix = 220,
  kXeTagPostfix = 221,
};

// One entry of orvtext's catalogue.
struct OrvCatalogueEntry {
  int section;          // the section that holds, offers and writes it
  int created_section;  // the section number the policy records
  int identifier;
  PolicyType type;
  int default_number;
  std::string_view default_text;
  std::string_view key;
};

// All of orvtext's policies, section by section in ascending identifiers.
const std::array<OrvCatalogueEntry, 85>& OwnPolicyCatalogue();

// The header of section `number` (1..10), "[Unknown]" otherwise.
std::string_view OrvSectionHeader(int number);

// Section numbers in the order LoadPolicyLine offers lines and the writer
// writes sections; the writer uses the caller's write-all flag for the
// first seven and changed-only mode for the last three.
inline constexpr int kSectionOrder[kPolicySectionCount] = {1, 2, 3, 6, 7, 8, 9, 4, 5, 10};
inline constexpr int kWriteAllSectionCount = 7;

// The number of the section that holds identifier `id`, or 0.
int OrvSectionOf(int id);

// Builds the ten sections: headers, numbers and every policy at its
// default.
void CreateOwnSections(PolicySections& sections);

// "Output indentation positions" as eight non-decreasing positions: the
// text is split at commas into at most eight fields; a field that is
// missing or not an integer repeats the previous position (0 before the
// first); each position is at least every earlier one.
std::array<int, 8> IndentationPositions(std::string_view text);

}  // namespace orv
