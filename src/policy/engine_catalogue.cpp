// The 245 engine policies as a data table: key text, type, category,
// default, choices, writer section and printing of "(none)".
#include "policy/engine_policies.h"

#include <string>

namespace orv {

namespace {

// "Document Title": an in-line tag for the file name in double quotes, the
// time stamp and the program, written with the default tag delimiters.
constexpr std::string_view kDocumentTitle =
    "Converted from \"[[FILENAME]]\" on [[TIMESTAMP]] by [[PROGRAM]]";

constexpr std::string_view kPaperSizes = "A4,Letter,Legal,Executive";
constexpr std::string_view kHtmlVersions = "HTML 3.2,HTML 4.0 Transitional,HTML 4.0 Strict";
// Languages in the order RTF proofing numbers them.
constexpr std::string_view kLanguages =
    "None,"
    "Afrikaans,"
    "Albanian,"
    "Basque,"
    "Belarusian,"
    "Bulgarian,"
    "Catalan,"
    "Croatian,"
    "Czech,"
    "Danish,"
    "Dutch (Belgian),"
    "Dutch (Standard),"
    "English (Australia),"
    "English (Canada),"
    "English (Carribean),"
    "English (Ireland),"
    "English (Jamaica),"
    "English (New Zealand),"
    "English (South Africa),"
    "English (United Kingdom),"
    "English (United States),"
    "Estonian,"
    "Finnish,"
    "French (Belgian),"
    "French (Canadia),"
    "French (Luxembourg),"
    "French (Standard),"
    "French (Swiss),"
    "German (Austria),"
    "German (Liechtenstein),"
    "German (Luxembourg),"
    "German (Standard),"
    "German (Swiss),"
    "Greek,"
    "Hungarian,"
    "Icelandic,"
    "Indonesian,"
    "Italian (Standard),"
    "Italian (Swiss),"
    "Japanese,"
    "Korean,"
    "Latvian,"
    "Lithuanian,"
    "Macedonian (FYROM),"
    "Malay (Malaysia),"
    "Norwegian (Bokmal),"
    "Norwegian (Nynorsk),"
    "Polish,"
    "Portuguese (Brazilian),"
    "Portuguese (Standard),"
    "Romanian,"
    "Russian,"
    "Serbian (Cyrillic),"
    "Slovak,"
    "Slovenian,"
    "Spanish (Argentina),"
    "Spanish (Bolivia),"
    "Spanish (Chile),"
    "Spanish (Colombia),"
    "Spanish (Costa Rica),"
    "Spanish (Dominican Republic),"
    "Spanish (Ecuador),"
    "Spanish (El Salvador),"
    "Spanish (Guatemala),"
    "Spanish (Honduras),"
    "Spanish (International Sort),"
    "Spanish (Mexico),"
    "Spanish (Nicaragua),"
    "Spanish (Panama),"
    "Spanish (Paraguay),"
    "Spanish (Peru),"
    "Spanish (Peurto Rico),"
    "Spanish (Traditional Sort),"
    "Spanish (Uruguay),"
    "Spanish (Venezuela),"
    "Swedish,"
    "Turkish,"
    "Ukrainian";

constexpr std::string_view kSectionHeaders[kEngineSectionCount] = {
    "[Messages]",         "[Tarnwell]",     "[Tagging]",          "[General Analysis]",
    "[Bullets]",          "[Headings]",     "[Pre-formatted text]", "[Config files]",
    "[Added HTML]",       "[Added RTF]",    "[Composition Units]", "[Frames]",
    "[Hyperlinks]",       "[File generation]", "[Contents]",      "[Directory Page]",
    "[Preprocessor]",     "[Style]",        "[Page Formatting]",  "[Link Dictionary]"};

}  // namespace

const std::array<EngineCatalogueEntry, kEnginePolicyCount>& EngineCatalogue() {
  // Where no default is needed by orvtext, the sister converters' usual
  // choice is kept: plain-text analysis on, link creation on.
  static const std::array<EngineCatalogueEntry, kEnginePolicyCount> catalogue = {{
    {"Error reporting level", PolicyType::kInteger, 4, 5, "", "", kEngineMessages, true},
    {"Suppress URL messages", PolicyType::kYesNo, 3, 1, "", "", kEngineMessages, false},
    {"Suppress INFO messages", PolicyType::kYesNo, 3, 0, "", "", kEngineMessages, false},
    {"Suppress WARNING messages", PolicyType::kYesNo, 3, 0, "", "", kEngineMessages, false},
    {"Suppress program ERROR messages", PolicyType::kYesNo, 3, 0, "", "", kEngineMessages, false},
    {"Suppress TAG ERROR messages", PolicyType::kYesNo, 3, 0, "", "", kEngineMessages, false},
    {"Add FONT markup", PolicyType::kYesNo, 3, 1, "", "", kEngineTarnwell, false},
    {"Add FONT size markup", PolicyType::kYesNo, 3, 0, "", "", kEngineTarnwell, false},
    {"Add FONT style markup", PolicyType::kYesNo, 3, 0, "", "", kEngineTarnwell, false},
    {"Add FONT face markup", PolicyType::kYesNo, 3, 0, "", "", kEngineTarnwell, false},
    {"Add emphasis and bold markup", PolicyType::kYesNo, 3, 1, "", "", kEngineTarnwell, false},
    {"Use of Microsoft entities code", PolicyType::kInteger, 3, 0, "", "", kEngineTarnwell, false},
    {"Use of HTML 4.0 entities code", PolicyType::kInteger, 3, 0, "", "", kEngineTarnwell, false},
    {"Indentation markup code", PolicyType::kInteger, 3, 1, "", "", kEngineTarnwell, false},
    {"Use incremental indentation markup", PolicyType::kYesNo, 3, 0, "", "", kEngineTarnwell, false},
    {"List markup code", PolicyType::kInteger, 3, 1, "", "", kEngineTarnwell, false},
    {"Apply FONT to empty table cells", PolicyType::kYesNo, 3, 0, "", "", kEngineTarnwell, false},
    {"Avoid Tag breaks", PolicyType::kYesNo, 3, 0, "", "", kEngineTagging, false},
    {"Comment generation code", PolicyType::kInteger, 3, 0, "", "", kEngineTagging, false},
    {"Remove redundant tags", PolicyType::kYesNo, 4, 0, "", "", kEngineTagging, false},
    {"Start tag delimiter", PolicyType::kText, 2, 0, "[[", "", kEngineTagging, false},
    {"End tag delimiter", PolicyType::kText, 2, 0, "]]", "", kEngineTagging, false},
    {"Directive delimiter", PolicyType::kText, 2, 0, "$_$_", "", kEngineTagging, false},
    {"Monitor tag generation", PolicyType::kYesNo, 3, 0, "", "", kEngineTagging, false},
    {"Suppress <Hn> markup for headings", PolicyType::kYesNo, 3, 0, "", "", kEngineTagging, false},
    {"Search for definitions", PolicyType::kYesNo, 2, 0, "", "", kEngineGeneralAnalysis, false},
    {"Page Width", PolicyType::kInteger, 2, 80, "", "", kEngineGeneralAnalysis, false},
    {"TAB size", PolicyType::kInteger, 2, 8, "", "", kEngineGeneralAnalysis, false},
    {"Text justification", PolicyType::kAlignment, 4, 1, "", "", kEngineGeneralAnalysis, false},
    {"Expect blank lines between paras", PolicyType::kYesNo, 2, 0, "", "", kEngineGeneralAnalysis, false},
    {"New Paragraph Offset", PolicyType::kInteger, 2, -1, "", "", kEngineGeneralAnalysis, true},
    {"Preserve new paragraph offset", PolicyType::kYesNo, 4, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file contains Japanese characters", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file contains DOS characters", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file contains PCL codes", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file contains UNICODE characters", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file contains MIME encoding", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file is double spaced", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file has change bars", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Input file has page markers", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Page marker size (in lines)", PolicyType::kInteger, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Keep it simple", PolicyType::kYesNo, 2, 0, "", "", kEngineGeneralAnalysis, false},
    {"Min chapter size", PolicyType::kInteger, 2, 8, "", "", kEngineGeneralAnalysis, true},
    {"Look for indentation", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for *this* and _that_ emphasis", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for short lines", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for bullets", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for white space", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for MAIL and USENET headers", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for quoted text", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for underlined text", PolicyType::kYesNo, 4, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for preformatted text", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for diagrams", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for character encodings", PolicyType::kYesNo, 1, 0, "", "", kEngineGeneralAnalysis, false},
    {"Short line length", PolicyType::kInteger, 2, -1, "", "", kEngineGeneralAnalysis, true},
    {"Expect code samples", PolicyType::kYesNo, 2, 0, "", "", kEngineGeneralAnalysis, false},
    {"Look for horizontal rulers", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Look for hanging paragraphs", PolicyType::kYesNo, 2, 1, "", "", kEngineGeneralAnalysis, false},
    {"Minimum ruler length", PolicyType::kInteger, 2, 4, "", "", kEngineGeneralAnalysis, true},
    {"Expect Numbered bullets", PolicyType::kYesNo, 2, 1, "", "", kEngineBullets, false},
    {"Expect alphabetic bullets", PolicyType::kYesNo, 2, 1, "", "", kEngineBullets, false},
    {"Expect Roman Numeral bullets", PolicyType::kYesNo, 2, 0, "", "", kEngineBullets, false},
    {"Recognise '-' as a bullet", PolicyType::kYesNo, 2, 1, "", "", kEngineBullets, false},
    {"Bullet point characters", PolicyType::kText, 2, 0, "", "", kEngineBullets, false},
    {"Recognise 'o' as a bullet", PolicyType::kYesNo, 2, 1, "", "", kEngineBullets, false},
    {"First Section Number", PolicyType::kInteger, 2, 1, "", "", kEngineHeadings, false},
    {"Expect Numbered Headings", PolicyType::kYesNo, 2, 1, "", "", kEngineHeadings, false},
    {"Expect Underlined Headings", PolicyType::kYesNo, 2, 1, "", "", kEngineHeadings, false},
    {"Expect Capitalised Headings", PolicyType::kYesNo, 2, 1, "", "", kEngineHeadings, false},
    {"Expect Embedded Headings", PolicyType::kYesNo, 2, 0, "", "", kEngineHeadings, false},
    {"Center first heading", PolicyType::kYesNo, 3, 0, "", "", kEngineHeadings, false},
    {"Use numbered sequence in file names", PolicyType::kYesNo, 2, 0, "", "", kEngineHeadings, false},
    {"Number of words to include in filename", PolicyType::kInteger, 3, 0, "", "", kEngineHeadings, false},
    {"Preserve underlining of headings", PolicyType::kYesNo, 4, 0, "", "", kEngineHeadings, false},
    {"Check indentation for consistency", PolicyType::kYesNo, 2, 1, "", "", kEngineHeadings, false},
    {"Heading key phrases", PolicyType::kText, 2, 0, "", "", kEngineHeadings, false},
    {"Expect Second Word Headings", PolicyType::kYesNo, 2, 0, "", "", kEngineHeadings, false},
    {"Minimum automatic <PRE> size", PolicyType::kInteger, 2, -1, "", "", kEnginePreFormattedText, true},
    {"Definitions file", PolicyType::kText, 3, 0, "", "", kEngineConfigFiles, false},
    {"Fragments file", PolicyType::kText, 3, 0, "", "", kEngineConfigFiles, false},
    {"Text command file", PolicyType::kText, 3, 0, "", "", kEngineConfigFiles, false},
    {"Document Title", PolicyType::kText, 3, 0, kDocumentTitle, "", kEngineAddedHtml, false},
    {"Use first heading as Title", PolicyType::kYesNo, 3, 1, "", "", kEngineAddedHtml, false},
    {"Use first line as Title", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedHtml, false},
    {"Use first line as Heading", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedHtml, false},
    {"Document Base URL", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Document Keywords", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Document Description", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"HTML Script file", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Character encoding", PolicyType::kText, 1, 0, "", "", kEngineAddedHtml, false},
    {"HTML header file", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"HTML footer file", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Text Colour", PolicyType::kColour, 3, 0, "", "", kEngineAddedHtml, false},
    {"Background Colour", PolicyType::kColour, 3, 0, "", "", kEngineAddedHtml, false},
    {"Background Image", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Shortcut icon URL", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Author URL", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Bookmark URL", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Copyright URL", PolicyType::kText, 3, 0, "", "", kEngineAddedHtml, false},
    {"Unvisited Link Colour", PolicyType::kColour, 3, 0, "", "", kEngineAddedHtml, false},
    {"Visited Link Colour", PolicyType::kColour, 3, 0, "", "", kEngineAddedHtml, false},
    {"Active Link Colour", PolicyType::kColour, 3, 0, "", "", kEngineAddedHtml, false},
    {"Suppress all colour markup", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedHtml, false},
    {"Suppress all font markup", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedHtml, false},
    {"First line indentation (in blocks)", PolicyType::kInteger, 4, 0, "", "", kEngineAddedRtf, false},
    {"Document Subject", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Document Author", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Document Manager", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Document Category", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Document Comments", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Document Company name", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Language (for proofing)", PolicyType::kChoice, 3, 1, "", kLanguages, kEngineAddedRtf, false},
    {"Use of RTF Styles", PolicyType::kInteger, 3, 1, "", "", kEngineAddedRtf, false},
    {"Paper size", PolicyType::kChoice, 3, 1, "", kPaperSizes, kEngineAddedRtf, false},
    {"Use Landscape mode", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedRtf, false},
    {"Top margin (in cm)", PolicyType::kText, 3, 0, "2.54", "", kEngineAddedRtf, false},
    {"Bottom margin (in cm)", PolicyType::kText, 3, 0, "2.54", "", kEngineAddedRtf, false},
    {"Left margin (in cm)", PolicyType::kText, 3, 0, "3.175", "", kEngineAddedRtf, false},
    {"Right margin (in cm)", PolicyType::kText, 3, 0, "3.175", "", kEngineAddedRtf, false},
    {"Mirror margins", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedRtf, false},
    {"Make Windows Help source file", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedRtf, false},
    {"Characters to use for bullets", PolicyType::kText, 3, 0, "", "", kEngineAddedRtf, false},
    {"Use original bullet marker", PolicyType::kYesNo, 3, 0, "", "", kEngineAddedRtf, false},
    {"Input file is a composition unit", PolicyType::kYesNo, 1, 0, "", "", kEngineCompositionUnits, false},
    {"Place document in frames", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"Output frame name", PolicyType::kText, 3, 0, "*_frame.html", "", kEngineFrames, false},
    {"Header frame depth", PolicyType::kText, 3, 0, "100", "", kEngineFrames, false},
    {"Footer frame depth", PolicyType::kText, 3, 0, "100", "", kEngineFrames, false},
    {"Contents frame width", PolicyType::kText, 3, 0, "200", "", kEngineFrames, false},
    {"Use main header in header frame", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"Use main footer in footer frame", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"Add contents frame if possible", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"Add frame border", PolicyType::kYesNo, 3, 1, "", "", kEngineFrames, false},
    {"Open frame links in new window", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"New frame link window name", PolicyType::kText, 3, 0, "_top", "", kEngineFrames, false},
    {"Add NOFRAMES links", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"NOFRAMES link URL", PolicyType::kText, 3, 0, "", "", kEngineFrames, false},
    {"Only allow pages to be viewed in frames", PolicyType::kYesNo, 3, 0, "", "", kEngineFrames, false},
    {"First frame page number", PolicyType::kInteger, 3, 1, "", "", kEngineFrames, false},
    {"Number of levels in contents frame", PolicyType::kInteger, 3, 1, "", "", kEngineFrames, false},
    {"Header frame background colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Header frame text colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Contents frame background colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Contents frame text colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Footer frame background colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Footer frame text colour", PolicyType::kColour, 3, 0, "", "", kEngineFrames, false},
    {"Create hyperlinks", PolicyType::kYesNo, 4, 1, "", "", kEngineHyperlinks, false},
    {"Create mailto links", PolicyType::kYesNo, 4, 1, "", "", kEngineHyperlinks, false},
    {"Create FTP links", PolicyType::kYesNo, 4, 1, "", "", kEngineHyperlinks, false},
    {"Create NEWS links", PolicyType::kYesNo, 4, 1, "", "", kEngineHyperlinks, false},
    {"Create Gopher links", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Create Telnet links", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Check domain name syntax", PolicyType::kYesNo, 4, 1, "", "", kEngineHyperlinks, false},
    {"Only use known groups", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Only allow explicit FTP links", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Allow email beginning with numbers", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Open links in new browser window", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"New browser window name", PolicyType::kText, 4, 0, "other", "", kEngineHyperlinks, false},
    {"Add <BR> to lines with URLs", PolicyType::kYesNo, 4, 0, "", "", kEngineHyperlinks, false},
    {"Max length of heading links", PolicyType::kInteger, 4, 0, "", "", kEngineHyperlinks, false},
    {"Cross-refs at level", PolicyType::kInteger, 4, 2, "", "", kEngineHyperlinks, true},
    {"HTML version to be targeted", PolicyType::kChoice, 3, 2, "", kHtmlVersions, kEngineFileGeneration, false},
    {"Input file type", PolicyType::kText, 3, 0, "plain text", "", kEngineFileGeneration, false},
    {"Use .HTM extension", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Output file extension", PolicyType::kText, 3, 0, "", "", kEngineFileGeneration, false},
    {"Use DOS filenames", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"DOS filename root", PolicyType::kText, 3, 0, "", "", kEngineFileGeneration, false},
    {"Split level", PolicyType::kInteger, 3, -1, "", "", kEngineFileGeneration, true},
    {"Split at page markers", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Min HTML file size", PolicyType::kInteger, 3, -1, "", "", kEngineFileGeneration, true},
    {"Concatenate results into one file", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Add navigation bar", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Treat each line as a paragraph", PolicyType::kYesNo, 2, 0, "", "", kEngineFileGeneration, false},
    {"Preserve line structure", PolicyType::kYesNo, 2, 0, "", "", kEngineFileGeneration, false},
    {"Preserve file structure using <PRE>", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Minimise HTML file size", PolicyType::kYesNo, 3, 0, "", "", kEngineFileGeneration, false},
    {"Break up long HTML lines", PolicyType::kYesNo, 4, 0, "", "", kEngineFileGeneration, false},
    {"Lines to ignore at start of file", PolicyType::kInteger, 3, 0, "", "", kEngineFileGeneration, false},
    {"Lines to ignore at end of file", PolicyType::kInteger, 3, 0, "", "", kEngineFileGeneration, false},
    {"Omit <HEAD> and <BODY> from output", PolicyType::kYesNo, 1, 0, "", "", kEngineFileGeneration, false},
    {"Add contents list", PolicyType::kYesNo, 3, 0, "", "", kEngineContents, false},
    {"Expect Contents List", PolicyType::kYesNo, 2, 0, "", "", kEngineContents, false},
    {"Use any existing contents list", PolicyType::kYesNo, 3, 0, "", "", kEngineContents, false},
    {"Generate external contents file", PolicyType::kYesNo, 1, 0, "", "", kEngineContents, false},
    {"External contents list filename", PolicyType::kText, 3, 0, "", "", kEngineContents, false},
    {"Hyperlinks on numbers", PolicyType::kYesNo, 3, 1, "", "", kEngineContents, false},
    {"Maximum level to show in contents", PolicyType::kInteger, 3, 0, "", "", kEngineContents, true},
    {"Contents style code", PolicyType::kInteger, 3, 1, "", "", kEngineContents, false},
    {"Add anchors to contents list", PolicyType::kYesNo, 3, 0, "", "", kEngineContents, false},
    {"Contents anchors level", PolicyType::kInteger, 3, 1, "", "", kEngineContents, false},
    {"Add mail headers to contents list", PolicyType::kYesNo, 3, 0, "", "", kEngineContents, false},
    {"Make Directory", PolicyType::kYesNo, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory filename", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Show file Titles in Directory", PolicyType::kYesNo, 3, 1, "", "", kEngineDirectoryPage, false},
    {"Indent headings in Directory", PolicyType::kYesNo, 3, 1, "", "", kEngineDirectoryPage, false},
    {"Maximum number of files per index page", PolicyType::kInteger, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory Title", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory Keywords", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory Description", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory return hyperlink text", PolicyType::kText, 4, 0, "Directory", "", kEngineDirectoryPage, false},
    {"Directory Script file", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory header file", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Directory footer file", PolicyType::kText, 3, 0, "", "", kEngineDirectoryPage, false},
    {"Use Preprocessor", PolicyType::kYesNo, 2, 0, "", "", kEnginePreprocessor, false},
    {"Document Style Sheet", PolicyType::kText, 3, 0, "", "", kEngineStyle, false},
    {"Label style classes", PolicyType::kYesNo, 4, 1, "", "", kEngineStyle, false},
    {"Create embedded style sheet", PolicyType::kYesNo, 3, 0, "", "", kEngineStyle, false},
    {"Highlight Definition Text", PolicyType::kYesNo, 4, 0, "", "", kEngineStyle, false},
    {"Use <P> markup for paragraphs", PolicyType::kYesNo, 4, 1, "", "", kEngineStyle, false},
    {"Use <DL> markup for defn. paras", PolicyType::kYesNo, 4, 0, "", "", kEngineStyle, false},
    {"Allow automatic centring", PolicyType::kYesNo, 2, 0, "", "", kEngineStyle, false},
    {"Automatic centring tolerance", PolicyType::kInteger, 2, 2, "", "", kEngineStyle, true},
    {"Smallest allowed <Hn> tag", PolicyType::kInteger, 3, 4, "", "", kEngineStyle, false},
    {"Largest allowed <Hn> tag", PolicyType::kInteger, 3, 2, "", "", kEngineStyle, false},
    {"Headings Colour", PolicyType::kColour, 3, 0, "", "", kEngineStyle, false},
    {"Style file", PolicyType::kText, 3, 0, "", "", kEngineStyle, false},
    {"Default font", PolicyType::kFont, 3, 0, "Times New Roman, Regular, 12", "", kEngineStyle, false},
    {"Heading font", PolicyType::kFont, 3, 0, "Arial, Regular, 12", "", kEngineStyle, false},
    {"Table of Contents font", PolicyType::kFont, 3, 0, "Arial, Regular, 12", "", kEngineStyle, false},
    {"Table font", PolicyType::kFont, 3, 0, "Times New Roman, Regular, 12", "", kEngineStyle, false},
    {"Fixed font", PolicyType::kFont, 3, 0, "Courier New, Regular, 10", "", kEngineStyle, false},
    {"Base FONT Size in pts", PolicyType::kInteger, 3, 12, "", "", kEngineStyle, false},
    {"Delta FONT size in pts", PolicyType::kInteger, 3, 0, "", "", kEngineStyle, false},
    {"Font stretch factor (in percent)", PolicyType::kInteger, 3, 0, "", "", kEngineStyle, false},
    {"Scope for font tags", PolicyType::kInteger, 3, 1, "", "", kEngineStyle, false},
    {"Use CSS to implement fonts", PolicyType::kYesNo, 3, 0, "", "", kEngineStyle, false},
    {"Ignore multiple blank lines", PolicyType::kYesNo, 4, 1, "", "", kEngineStyle, false},
    {"Use <EM> and <STRONG> markup", PolicyType::kYesNo, 3, 1, "", "", kEngineStyle, false},
    {"Allow definitions inside PRE", PolicyType::kYesNo, 4, 0, "", "", kEngineStyle, false},
    {"CENTER whole document", PolicyType::kYesNo, 3, 0, "", "", kEnginePageFormatting, false},
    {"Indent whole document", PolicyType::kYesNo, 3, 0, "", "", kEnginePageFormatting, false},
    {"Link Dictionary file", PolicyType::kText, 4, 0, "", "", kEngineLinkDictionary, false},
    {"<P> inside list usage code", PolicyType::kInteger, 3, 1, "", "", kEngineNotWritten, false},
    {"Show Tags in output", PolicyType::kYesNo, 4, 0, "", "", kEngineNotWritten, false},
    {"Scope COLOUR tags globally", PolicyType::kYesNo, 3, 0, "", "", kEngineNotWritten, false},
    {"Input directory", PolicyType::kText, 2, 0, "", "", kEngineNotWritten, false},
    {"Output directory", PolicyType::kText, 3, 0, "", "", kEngineNotWritten, false},
    {"Output policy file", PolicyType::kYesNo, 3, 0, "", "", kEngineNotWritten, false},
    {"Output policy filename", PolicyType::kText, 3, 0, "", "", kEngineNotWritten, false},
    {"Display messages", PolicyType::kYesNo, 4, 1, "", "", kEngineNotWritten, false},
    {"Create a log file", PolicyType::kYesNo, 3, 0, "", "", kEngineNotWritten, false},
    {"Output log filename", PolicyType::kText, 3, 0, "", "", kEngineNotWritten, false},
    {"Generate diagnostics files", PolicyType::kYesNo, 3, 0, "", "", kEngineNotWritten, false},
    {"Attempt TABLE generation", PolicyType::kYesNo, 4, 0, "", "", kEngineNotWritten, false},
    {"Max length of candidate table lines", PolicyType::kInteger, 2, 256, "", "", kEngineNotWritten, false},
  }};
  return catalogue;
}

std::string_view EngineSectionHeader(EngineSection section) {
  if (section < 0 || section >= kEngineSectionCount) return "";
  return kSectionHeaders[section];
}

PolicyValue EngineDefault(EnginePolicy policy, bool rtf_output) {
  const EngineCatalogueEntry& entry = EngineEntry(policy);
  PolicyValue value{entry.default_number, std::string(entry.default_text)};
  if (!rtf_output) return value;
  switch (policy) {
    case EnginePolicy::kDefaultFont: value.text = "Times New Roman, Regular, 10"; break;
    case EnginePolicy::kHeadingFont: value.text = "Arial, Regular, 10"; break;
    case EnginePolicy::kTableOfContentsFont: value.text = "Arial, Regular, 10"; break;
    case EnginePolicy::kTableFont: value.text = "Times New Roman, Regular, 10"; break;
    case EnginePolicy::kFixedFont: value.text = "Courier New, Regular, 8"; break;
    case EnginePolicy::kBaseFONTSizeInPts: value.number = 10; break;
    default: break;
  }
  return value;
}

const std::array<std::string_view, 27>& EngineSectionHeaders() {
  static const std::array<std::string_view, 27> headers = {
      "[General Analysis]", "[Analysis]",         "[Bullets]",          "[Config files]",
      "[Contents]",         "[Debug]",            "[Directory Page]",   "[Headings]",
      "[Added HTML]",       "[Added RTF]",        "[Composition Units]", "[Hyperlinks]",
      "[File generation]",  "[Frames]",           "[Tarnwell]",         "[Messages]",
      "[Page Formatting]",  "[Pre-formatted text]", "[Preprocessor]",   "[Rule Set]",
      "[Style]",            "[Tagging]",          "[Text Commands]",    "[Text Substitution]",
      "[Link Dictionary]",  "[Switch to file]",   "[Table generation]"};
  return headers;
}

}  // namespace orv
