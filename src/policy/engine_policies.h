// The engine policies shared with the sister converters: one enumerator
// per policy (in the order lines are offered to them, which is also the
// writer's order within each section), the writer's sections, and the
// catalogue table that PolicySet::Reset names and defaults them from.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "policy/policy.h"

namespace orv {

enum class EnginePolicy : int {
  // [Messages]
  kErrorReportingLevel,
  kSuppressURLMessages,
  kSuppressINFOMessages,
  kSuppressWARNINGMessages,
  kSuppressProgramERRORMessages,
  kSuppressTAGERRORMessages,
  // [Tarnwell]
  kAddFONTMarkup,
  kAddFONTSizeMarkup,
  kAddFONTStyleMarkup,
  kAddFONTFaceMarkup,
  kAddEmphasisAndBoldMarkup,
  kUseOfMicrosoftEntitiesCode,
  kUseOfHTML40EntitiesCode,
  kIndentationMarkupCode,
  kUseIncrementalIndentationMarkup,
  kListMarkupCode,
  kApplyFONTToEmptyTableCells,
  // [Tagging]
  kAvoidTagBreaks,
  kCommentGenerationCode,
  kRemoveRedundantTags,
  kStartTagDelimiter,
  kEndTagDelimiter,
  kDirectiveDelimiter,
  kMonitorTagGeneration,
  kSuppressHnMarkupForHeadings,
  // [General Analysis]
  kSearchForDefinitions,
  kPageWidth,
  kTABSize,
  kTextJustification,
  kExpectBlankLinesBetweenParas,
  kNewParagraphOffset,
  kPreserveNewParagraphOffset,
  kInputFileContainsJapaneseCharacters,
  kInputFileContainsDOSCharacters,
  kInputFileContainsPCLCodes,
  kInputFileContainsUNICODECharacters,
  kInputFileContainsMIMEEncoding,
  kInputFileIsDoubleSpaced,
  kInputFileHasChangeBars,
  kInputFileHasPageMarkers,
  kPageMarkerSizeInLines,
  kKeepItSimple,
  kMinChapterSize,
  kLookForIndentation,
  kLookForThisAndThatEmphasis,
  kLookForShortLines,
  kLookForBullets,
  kLookForWhiteSpace,
  kLookForMAILAndUSENETHeaders,
  kLookForQuotedText,
  kLookForUnderlinedText,
  kLookForPreformattedText,
  kLookForDiagrams,
  kLookForCharacterEncodings,
  kShortLineLength,
  kExpectCodeSamples,
  kLookForHorizontalRulers,
  kLookForHangingParagraphs,
  kMinimumRulerLength,
  // [Bullets]
  kExpectNumberedBullets,
  kExpectAlphabeticBullets,
  kExpectRomanNumeralBullets,
  kRecogniseDashAsABullet,
  kBulletPointCharacters,
  kRecogniseOAsABullet,
  // [Headings]
  kFirstSectionNumber,
  kExpectNumberedHeadings,
  kExpectUnderlinedHeadings,
  kExpectCapitalisedHeadings,
  kExpectEmbeddedHeadings,
  kCenterFirstHeading,
  kUseNumberedSequenceInFileNames,
  kNumberOfWordsToIncludeInFilename,
  kPreserveUnderliningOfHeadings,
  kCheckIndentationForConsistency,
  kHeadingKeyPhrases,
  kExpectSecondWordHeadings,
  // [Pre-formatted text]
  kMinimumAutomaticPRESize,
  // [Config files]
  kDefinitionsFile,
  kFragmentsFile,
  kTextCommandFile,
  // [Added HTML]
  kDocumentTitle,
  kUseFirstHeadingAsTitle,
  kUseFirstLineAsTitle,
  kUseFirstLineAsHeading,
  kDocumentBaseURL,
  kDocumentKeywords,
  kDocumentDescription,
  kHTMLScriptFile,
  kCharacterEncoding,
  kHTMLHeaderFile,
  kHTMLFooterFile,
  kTextColour,
  kBackgroundColour,
  kBackgroundImage,
  kShortcutIconURL,
  kAuthorURL,
  kBookmarkURL,
  kCopyrightURL,
  kUnvisitedLinkColour,
  kVisitedLinkColour,
  kActiveLinkColour,
  kSuppressAllColourMarkup,
  kSuppressAllFontMarkup,
  // [Added RTF]
  kFirstLineIndentationInBlocks,
  kDocumentSubject,
  kDocumentAuthor,
  kDocumentManager,
  kDocumentCategory,
  kDocumentComments,
  kDocumentCompanyName,
  kLanguageForProofing,
  kUseOfRTFStyles,
  kPaperSize,
  kUseLandscapeMode,
  kTopMarginInCm,
  kBottomMarginInCm,
  kLeftMarginInCm,
  kRightMarginInCm,
  kMirrorMargins,
  kMakeWindowsHelpSourceFile,
  kCharactersToUseForBullets,
  kUseOriginalBulletMarker,
  // [Composition Units]
  kInputFileIsACompositionUnit,
  // [Frames]
  kPlaceDocumentInFrames,
  kOutputFrameName,
  kHeaderFrameDepth,
  kFooterFrameDepth,
  kContentsFrameWidth,
  kUseMainHeaderInHeaderFrame,
  kUseMainFooterInFooterFrame,
  kAddContentsFrameIfPossible,
  kAddFrameBorder,
  kOpenFrameLinksInNewWindow,
  kNewFrameLinkWindowName,
  kAddNOFRAMESLinks,
  kNOFRAMESLinkURL,
  kOnlyAllowPagesToBeViewedInFrames,
  kFirstFramePageNumber,
  kNumberOfLevelsInContentsFrame,
  kHeaderFrameBackgroundColour,
  kHeaderFrameTextColour,
  kContentsFrameBackgroundColour,
  kContentsFrameTextColour,
  kFooterFrameBackgroundColour,
  kFooterFrameTextColour,
  // [Hyperlinks]
  kCreateHyperlinks,
  kCreateMailtoLinks,
  kCreateFTPLinks,
  kCreateNEWSLinks,
  kCreateGopherLinks,
  kCreateTelnetLinks,
  kCheckDomainNameSyntax,
  kOnlyUseKnownGroups,
  kOnlyAllowExplicitFTPLinks,
  kAllowEmailBeginningWithNumbers,
  kOpenLinksInNewBrowserWindow,
  kNewBrowserWindowName,
  kAddBRToLinesWithURLs,
  kMaxLengthOfHeadingLinks,
  kCrossRefsAtLevel,
  // [File generation]
  kHTMLVersionToBeTargeted,
  kInputFileType,
  kUseHTMExtension,
  kOutputFileExtension,
  kUseDOSFilenames,
  kDOSFilenameRoot,
  kSplitLevel,
  kSplitAtPageMarkers,
  kMinHTMLFileSize,
  kConcatenateResultsIntoOneFile,
  kAddNavigationBar,
  kTreatEachLineAsAParagraph,
  kPreserveLineStructure,
  kPreserveFileStructureUsingPRE,
  kMinimiseHTMLFileSize,
  kBreakUpLongHTMLLines,
  kLinesToIgnoreAtStartOfFile,
  kLinesToIgnoreAtEndOfFile,
  kOmitHEADAndBODYFromOutput,
  // [Contents]
  kAddContentsList,
  kExpectContentsList,
  kUseAnyExistingContentsList,
  kGenerateExternalContentsFile,
  kExternalContentsListFilename,
  kHyperlinksOnNumbers,
  kMaximumLevelToShowInContents,
  kContentsStyleCode,
  kAddAnchorsToContentsList,
  kContentsAnchorsLevel,
  kAddMailHeadersToContentsList,
  // [Directory Page]
  kMakeDirectory,
  kDirectoryFilename,
  kShowFileTitlesInDirectory,
  kIndentHeadingsInDirectory,
  kMaximumNumberOfFilesPerIndexPage,
  kDirectoryTitle,
  kDirectoryKeywords,
  kDirectoryDescription,
  kDirectoryReturnHyperlinkText,
  kDirectoryScriptFile,
  kDirectoryHeaderFile,
  kDirectoryFooterFile,
  // [Preprocessor]
  kUsePreprocessor,
  // [Style]
  kDocumentStyleSheet,
  kLabelStyleClasses,
  kCreateEmbeddedStyleSheet,
  kHighlightDefinitionText,
  kUsePMarkupForParagraphs,
  kUseDLMarkupForDefnParas,
  kAllowAutomaticCentring,
  kAutomaticCentringTolerance,
  kSmallestAllowedHnTag,
  kLargestAllowedHnTag,
  kHeadingsColour,
  kStyleFile,
  kDefaultFont,
  kHeadingFont,
  kTableOfContentsFont,
  kTableFont,
  kFixedFont,
  kBaseFONTSizeInPts,
  kDeltaFONTSizeInPts,
  kFontStretchFactorInPercent,
  kScopeForFontTags,
  kUseCSSToImplementFonts,
  kIgnoreMultipleBlankLines,
  kUseEMAndSTRONGMarkup,
  kAllowDefinitionsInsidePRE,
  // [Page Formatting]
  kCENTERWholeDocument,
  kIndentWholeDocument,
  // [Link Dictionary]
  kLinkDictionaryFile,
  // not written to policy files
  kPInsideListUsageCode,
  kShowTagsInOutput,
  kScopeCOLOURTagsGlobally,
  kInputDirectory,
  kOutputDirectory,
  kOutputPolicyFile,
  kOutputPolicyFilename,
  kDisplayMessages,
  kCreateALogFile,
  kOutputLogFilename,
  kGenerateDiagnosticsFiles,
  kAttemptTABLEGeneration,
  kMaxLengthOfCandidateTableLines,
  kCount
};

inline constexpr size_t kEnginePolicyCount = static_cast<size_t>(EnginePolicy::kCount);

// The sections under which the writer puts engine policies, in its order.
enum EngineSection : int {
  kEngineMessages,  // "[Messages]"
  kEngineTarnwell,  // "[Tarnwell]"
  kEngineTagging,  // "[Tagging]"
  kEngineGeneralAnalysis,  // "[General Analysis]"
  kEngineBullets,  // "[Bullets]"
  kEngineHeadings,  // "[Headings]"
  kEnginePreFormattedText,  // "[Pre-formatted text]"
  kEngineConfigFiles,  // "[Config files]"
  kEngineAddedHtml,  // "[Added HTML]"
  kEngineAddedRtf,  // "[Added RTF]"
  kEngineCompositionUnits,  // "[Composition Units]"
  kEngineFrames,  // "[Frames]"
  kEngineHyperlinks,  // "[Hyperlinks]"
  kEngineFileGeneration,  // "[File generation]"
  kEngineContents,  // "[Contents]"
  kEngineDirectoryPage,  // "[Directory Page]"
  kEnginePreprocessor,  // "[Preprocessor]"
  kEngineStyle,  // "[Style]"
  kEnginePageFormatting,  // "[Page Formatting]"
  kEngineLinkDictionary,  // "[Link Dictionary]"
  kEngineNotWritten,  // read, set and merged, but never written
  kEngineSectionCount = kEngineNotWritten
};

struct EngineCatalogueEntry {
  std::string_view key;
  PolicyType type;
  int category;
  int default_number;
  std::string_view default_text;
  std::string_view choices;
  EngineSection section;
  bool prints_none;  // an Integer printed "(none)" for -1
};

// The catalogue, indexed by EnginePolicy.
const std::array<EngineCatalogueEntry, kEnginePolicyCount>& EngineCatalogue();
inline const EngineCatalogueEntry& EngineEntry(EnginePolicy policy) {
  return EngineCatalogue()[static_cast<size_t>(policy)];
}

// The header of a writer section ("[Messages]" ...).
std::string_view EngineSectionHeader(EngineSection section);

// The default of an engine policy: the catalogue's, except for the fonts
// and the base font size, whose defaults are smaller for RTF output.
PolicyValue EngineDefault(EnginePolicy policy, bool rtf_output);

// Every engine section header the policy file reader recognises (27).
const std::array<std::string_view, 27>& EngineSectionHeaders();

}  // namespace orv
