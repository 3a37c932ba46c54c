// The policy set: the engine catalogue, reset, assign and merge, rule
// sets and reporting.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "policy/engine_policies.h"
#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "run/context.h"

namespace orv {
namespace {

struct SectionMembers {
  const char* header;  // "" for the policies that are never written
  std::vector<const char*> keys;
};

// The writer's engine sections with their policies in order.
const std::vector<SectionMembers>& ExpectedSections() {
  static const std::vector<SectionMembers> sections = {
    {"[Messages]",
     {"Error reporting level",
      "Suppress URL messages",
      "Suppress INFO messages",
      "Suppress WARNING messages",
      "Suppress program ERROR messages",
      "Suppress TAG ERROR messages"}},
    {"[Tarnwell]",
     {"Add FONT markup",
      "Add FONT size markup",
      "Add FONT style markup",
      "Add FONT face markup",
      "Add emphasis and bold markup",
      "Use of Microsoft entities code",
      "Use of HTML 4.0 entities code",
      "Indentation markup code",
      "Use incremental indentation markup",
      "List markup code",
      "Apply FONT to empty table cells"}},
    {"[Tagging]",
     {"Avoid Tag breaks",
      "Comment generation code",
      "Remove redundant tags",
      "Start tag delimiter",
      "End tag delimiter",
      "Directive delimiter",
      "Monitor tag generation",
      "Suppress <Hn> markup for headings"}},
    {"[General Analysis]",
     {"Search for definitions",
      "Page Width",
      "TAB size",
      "Text justification",
      "Expect blank lines between paras",
      "New Paragraph Offset",
      "Preserve new paragraph offset",
      "Input file contains Japanese characters",
      "Input file contains DOS characters",
      "Input file contains PCL codes",
      "Input file contains UNICODE characters",
      "Input file contains MIME encoding",
      "Input file is double spaced",
      "Input file has change bars",
      "Input file has page markers",
      "Page marker size (in lines)",
      "Keep it simple",
      "Min chapter size",
      "Look for indentation",
      "Look for *this* and _that_ emphasis",
      "Look for short lines",
      "Look for bullets",
      "Look for white space",
      "Look for MAIL and USENET headers",
      "Look for quoted text",
      "Look for underlined text",
      "Look for preformatted text",
      "Look for diagrams",
      "Look for character encodings",
      "Short line length",
      "Expect code samples",
      "Look for horizontal rulers",
      "Look for hanging paragraphs",
      "Minimum ruler length"}},
    {"[Bullets]",
     {"Expect Numbered bullets",
      "Expect alphabetic bullets",
      "Expect Roman Numeral bullets",
      "Recognise '-' as a bullet",
      "Bullet point characters",
      "Recognise 'o' as a bullet"}},
    {"[Headings]",
     {"First Section Number",
      "Expect Numbered Headings",
      "Expect Underlined Headings",
      "Expect Capitalised Headings",
      "Expect Embedded Headings",
      "Center first heading",
      "Use numbered sequence in file names",
      "Number of words to include in filename",
      "Preserve underlining of headings",
      "Check indentation for consistency",
      "Heading key phrases",
      "Expect Second Word Headings"}},
    {"[Pre-formatted text]",
     {"Minimum automatic <PRE> size"}},
    {"[Config files]",
     {"Definitions file",
      "Fragments file",
      "Text command file"}},
    {"[Added HTML]",
     {"Document Title",
      "Use first heading as Title",
      "Use first line as Title",
      "Use first line as Heading",
      "Document Base URL",
      "Document Keywords",
      "Document Description",
      "HTML Script file",
      "Character encoding",
      "HTML header file",
      "HTML footer file",
      "Text Colour",
      "Background Colour",
      "Background Image",
      "Shortcut icon URL",
      "Author URL",
      "Bookmark URL",
      "Copyright URL",
      "Unvisited Link Colour",
      "Visited Link Colour",
      "Active Link Colour",
      "Suppress all colour markup",
      "Suppress all font markup"}},
    {"[Added RTF]",
     {"First line indentation (in blocks)",
      "Document Subject",
      "Document Author",
      "Document Manager",
      "Document Category",
      "Document Comments",
      "Document Company name",
      "Language (for proofing)",
      "Use of RTF Styles",
      "Paper size",
      "Use Landscape mode",
      "Top margin (in cm)",
      "Bottom margin (in cm)",
      "Left margin (in cm)",
      "Right margin (in cm)",
      "Mirror margins",
      "Make Windows Help source file",
      "Characters to use for bullets",
      "Use original bullet marker"}},
    {"[Composition Units]",
     {"Input file is a composition unit"}},
    {"[Frames]",
     {"Place document in frames",
      "Output frame name",
      "Header frame depth",
      "Footer frame depth",
      "Contents frame width",
      "Use main header in header frame",
      "Use main footer in footer frame",
      "Add contents frame if possible",
      "Add frame border",
      "Open frame links in new window",
      "New frame link window name",
      "Add NOFRAMES links",
      "NOFRAMES link URL",
      "Only allow pages to be viewed in frames",
      "First frame page number",
      "Number of levels in contents frame",
      "Header frame background colour",
      "Header frame text colour",
      "Contents frame background colour",
      "Contents frame text colour",
      "Footer frame background colour",
      "Footer frame text colour"}},
    {"[Hyperlinks]",
     {"Create hyperlinks",
      "Create mailto links",
      "Create FTP links",
      "Create NEWS links",
      "Create Gopher links",
      "Create Telnet links",
      "Check domain name syntax",
      "Only use known groups",
      "Only allow explicit FTP links",
      "Allow email beginning with numbers",
      "Open links in new browser window",
      "New browser window name",
      "Add <BR> to lines with URLs",
      "Max length of heading links",
      "Cross-refs at level"}},
    {"[File generation]",
     {"HTML version to be targeted",
      "Input file type",
      "Use .HTM extension",
      "Output file extension",
      "Use DOS filenames",
      "DOS filename root",
      "Split level",
      "Split at page markers",
      "Min HTML file size",
      "Concatenate results into one file",
      "Add navigation bar",
      "Treat each line as a paragraph",
      "Preserve line structure",
      "Preserve file structure using <PRE>",
      "Minimise HTML file size",
      "Break up long HTML lines",
      "Lines to ignore at start of file",
      "Lines to ignore at end of file",
      "Omit <HEAD> and <BODY> from output"}},
    {"[Contents]",
     {"Add contents list",
      "Expect Contents List",
      "Use any existing contents list",
      "Generate external contents file",
      "External contents list filename",
      "Hyperlinks on numbers",
      "Maximum level to show in contents",
      "Contents style code",
      "Add anchors to contents list",
      "Contents anchors level",
      "Add mail headers to contents list"}},
    {"[Directory Page]",
     {"Make Directory",
      "Directory filename",
      "Show file Titles in Directory",
      "Indent headings in Directory",
      "Maximum number of files per index page",
      "Directory Title",
      "Directory Keywords",
      "Directory Description",
      "Directory return hyperlink text",
      "Directory Script file",
      "Directory header file",
      "Directory footer file"}},
    {"[Preprocessor]",
     {"Use Preprocessor"}},
    {"[Style]",
     {"Document Style Sheet",
      "Label style classes",
      "Create embedded style sheet",
      "Highlight Definition Text",
      "Use <P> markup for paragraphs",
      "Use <DL> markup for defn. paras",
      "Allow automatic centring",
      "Automatic centring tolerance",
      "Smallest allowed <Hn> tag",
      "Largest allowed <Hn> tag",
      "Headings Colour",
      "Style file",
      "Default font",
      "Heading font",
      "Table of Contents font",
      "Table font",
      "Fixed font",
      "Base FONT Size in pts",
      "Delta FONT size in pts",
      "Font stretch factor (in percent)",
      "Scope for font tags",
      "Use CSS to implement fonts",
      "Ignore multiple blank lines",
      "Use <EM> and <STRONG> markup",
      "Allow definitions inside PRE"}},
    {"[Page Formatting]",
     {"CENTER whole document",
      "Indent whole document"}},
    {"[Link Dictionary]",
     {"Link Dictionary file"}},
    {"",
     {"<P> inside list usage code",
      "Show Tags in output",
      "Scope COLOUR tags globally",
      "Input directory",
      "Output directory",
      "Output policy file",
      "Output policy filename",
      "Display messages",
      "Create a log file",
      "Output log filename",
      "Generate diagnostics files",
      "Attempt TABLE generation",
      "Max length of candidate table lines"}},
  };
  return sections;
}

TEST(EngineCatalogueTest, SectionsHoldTheirPoliciesInOrder) {
  size_t index = 0;
  size_t total = 0;
  for (const SectionMembers& expected : ExpectedSections()) {
    for (const char* key : expected.keys) {
      ASSERT_LT(index, kEnginePolicyCount);
      const EngineCatalogueEntry& entry = EngineCatalogue()[index++];
      EXPECT_EQ(entry.key, key);
      EXPECT_EQ(EngineSectionHeader(entry.section), expected.header) << key;
      ++total;
    }
  }
  EXPECT_EQ(total, 245u);
  EXPECT_EQ(kEnginePolicyCount, 245u);
}

TEST(EngineCatalogueTest, TypesCategoriesAndPrinting) {
  PolicySet set;
  struct Case {
    const char* key;
    PolicyType type;
    int category;
  } cases[] = {
      {"Error reporting level", PolicyType::kInteger, 4},
      {"Text justification", PolicyType::kAlignment, 4},
      {"Look for character encodings", PolicyType::kYesNo, 1},
      {"Look for underlined text", PolicyType::kYesNo, 4},
      {"Look for bullets", PolicyType::kYesNo, 2},
      {"Expect Second Word Headings", PolicyType::kYesNo, 2},
      {"Expect Roman Numeral bullets", PolicyType::kYesNo, 2},
      {"Expect Contents List", PolicyType::kYesNo, 2},
      {"Character encoding", PolicyType::kText, 1},
      {"Input directory", PolicyType::kText, 2},
      {"Create Telnet links", PolicyType::kYesNo, 4},
      {"Max length of heading links", PolicyType::kInteger, 4},
      {"New browser window name", PolicyType::kText, 4},
      {"Cross-refs at level", PolicyType::kInteger, 4},
      {"Link Dictionary file", PolicyType::kText, 4},
      {"Text Colour", PolicyType::kColour, 3},
      {"Default font", PolicyType::kFont, 3},
      {"Paper size", PolicyType::kChoice, 3},
      {"Language (for proofing)", PolicyType::kChoice, 3},
      {"Suppress URL messages", PolicyType::kYesNo, 3},
      {"Display messages", PolicyType::kYesNo, 4},
  };
  for (const Case& c : cases) {
    Policy* policy = set.FindEngine(c.key);
    ASSERT_NE(policy, nullptr) << c.key;
    EXPECT_EQ(policy->Type(), c.type) << c.key;
    EXPECT_EQ(policy->Category(), c.category) << c.key;
  }
  int counts[5] = {};
  for (const EngineCatalogueEntry& entry : EngineCatalogue()) ++counts[entry.category];
  EXPECT_EQ(counts[1], 14);

  const char* prints_none[] = {"Error reporting level", "New Paragraph Offset", "Min chapter size",
                               "Short line length", "Minimum ruler length",
                               "Minimum automatic <PRE> size", "Cross-refs at level", "Split level",
                               "Min HTML file size", "Maximum level to show in contents",
                               "Automatic centring tolerance"};
  int printing_none = 0;
  for (const EngineCatalogueEntry& entry : EngineCatalogue()) printing_none += entry.prints_none;
  EXPECT_EQ(printing_none, 11);
  for (const char* key : prints_none) {
    Policy* policy = set.FindEngine(key);
    ASSERT_NE(policy, nullptr);
    policy->AsNumber()->SetValue(-1, true);
    EXPECT_EQ(policy->ValueText(), "(none)") << key;
  }
  set.SetInteger(EnginePolicy::kPageWidth, -1, true);
  EXPECT_EQ(set.Engine(EnginePolicy::kPageWidth).ValueText(), "-1");

  const auto& list_code = static_cast<const IntegerPolicy&>(set.Engine(EnginePolicy::kListMarkupCode));
  EXPECT_TRUE(list_code.HasRange());
  EXPECT_EQ(list_code.Lowest(), 0);
  EXPECT_EQ(list_code.Highest(), 2);
  int ranged = 0;
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    const auto* integer = dynamic_cast<const IntegerPolicy*>(&set.Engine(static_cast<EnginePolicy>(i)));
    if (integer != nullptr && integer->HasRange()) ++ranged;
  }
  EXPECT_EQ(ranged, 1);
}

TEST(EngineCatalogueTest, StatedDefaults) {
  PolicySet set;
  struct Case {
    const char* key;
    const char* value_text;
  } cases[] = {
      {"Error reporting level", "5"},
      {"Suppress URL messages", "Yes"},
      {"Suppress INFO messages", "No"},
      {"Suppress TAG ERROR messages", "No"},
      {"Avoid Tag breaks", "No"},
      {"Comment generation code", "0"},
      {"Start tag delimiter", "[["},
      {"End tag delimiter", "]]"},
      {"Directive delimiter", "$_$_"},
      {"Show Tags in output", "No"},
      {"Paper size", "A4"},
      {"HTML version to be targeted", "HTML 4.0 Transitional"},
      {"Language (for proofing)", "None"},
      {"Document Title", "Converted from \"[[FILENAME]]\" on [[TIMESTAMP]] by [[PROGRAM]]"},
      {"Page Width", "80"},
      {"TAB size", "8"},
      {"Min chapter size", "8"},
      {"Short line length", "(none)"},
      {"New Paragraph Offset", "(none)"},
      {"Minimum ruler length", "4"},
      {"Max length of candidate table lines", "256"},
      {"Automatic centring tolerance", "2"},
      {"Largest allowed <Hn> tag", "2"},
      {"Smallest allowed <Hn> tag", "4"},
      {"Cross-refs at level", "2"},
      {"Split level", "(none)"},
      {"Min HTML file size", "(none)"},
      {"Minimum automatic <PRE> size", "(none)"},
      {"Input file type", "plain text"},
      {"Top margin (in cm)", "2.54"},
      {"Bottom margin (in cm)", "2.54"},
      {"Left margin (in cm)", "3.175"},
      {"Right margin (in cm)", "3.175"},
      {"Header frame depth", "100"},
      {"Footer frame depth", "100"},
      {"Contents frame width", "200"},
      {"Output frame name", "*_frame.html"},
      {"New frame link window name", "_top"},
      {"New browser window name", "other"},
      {"Directory return hyperlink text", "Directory"},
      {"Display messages", "Yes"},
      {"Default font", "Times New Roman, Regular, 12"},
      {"Heading font", "Arial, Regular, 12"},
      {"Table of Contents font", "Arial, Regular, 12"},
      {"Table font", "Times New Roman, Regular, 12"},
      {"Fixed font", "Courier New, Regular, 10"},
      {"Base FONT Size in pts", "12"},
  };
  for (const Case& c : cases) {
    Policy* policy = set.FindEngine(c.key);
    ASSERT_NE(policy, nullptr) << c.key;
    EXPECT_EQ(policy->ValueText(), c.value_text) << c.key;
    EXPECT_FALSE(policy->IsSet()) << c.key;
  }
  const auto& language = static_cast<const ChoicePolicy&>(set.Engine(EnginePolicy::kLanguageForProofing));
  ASSERT_EQ(language.Choices().size(), 78u);
  EXPECT_EQ(language.Choices()[1], "Afrikaans");
  EXPECT_EQ(language.Choices()[77], "Ukrainian");
}

TEST(EngineCatalogueTest, RtfOutputSelectsSmallerFonts) {
  PolicySet set;
  set.SetRtfOutput(true);
  set.Reset();
  EXPECT_EQ(set.GetText(EnginePolicy::kDefaultFont), "Times New Roman, Regular, 10");
  EXPECT_EQ(set.GetText(EnginePolicy::kHeadingFont), "Arial, Regular, 10");
  EXPECT_EQ(set.GetText(EnginePolicy::kTableOfContentsFont), "Arial, Regular, 10");
  EXPECT_EQ(set.GetText(EnginePolicy::kTableFont), "Times New Roman, Regular, 10");
  EXPECT_EQ(set.GetText(EnginePolicy::kFixedFont), "Courier New, Regular, 8");
  EXPECT_EQ(set.GetInteger(EnginePolicy::kBaseFONTSizeInPts), 10);
}

// A run resets one set for every file instead of building a new one: a
// set whose every policy was changed, and one that had RTF defaults, read
// the same as a new set once reset.
TEST(PolicySetTest, ResetSetEqualsANewOne) {
  PolicySet used;
  used.SetRtfOutput(true);
  used.Reset();
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    const auto policy = static_cast<EnginePolicy>(i);
    if (!used.SetText(policy, "changed", true)) used.SetInteger(policy, 3, true);
  }
  used.SetRtfOutput(false);
  used.Reset();
  PolicySet fresh;
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    const Policy& a = used.Engine(static_cast<EnginePolicy>(i));
    const Policy& b = fresh.Engine(static_cast<EnginePolicy>(i));
    EXPECT_EQ(a.ValueText(), b.ValueText()) << b.Key();
    EXPECT_EQ(a.IsSet(), b.IsSet()) << b.Key();
    EXPECT_EQ(a.Key(), b.Key());
  }
  EXPECT_EQ(used.GetText(EnginePolicy::kDefaultFont), fresh.GetText(EnginePolicy::kDefaultFont));
}

TEST(PolicySetTest, TypedAccessByMember) {
  PolicySet set;
  EXPECT_EQ(set.ErrorReportingLevel(), 5);
  EXPECT_TRUE(set.DisplayMessages());
  EXPECT_FALSE(set.SetText(EnginePolicy::kPageWidth, "x", true));
  EXPECT_FALSE(set.SetInteger(EnginePolicy::kOutputDirectory, 1, true));
  EXPECT_TRUE(set.SetText(EnginePolicy::kOutputDirectory, "/out/", true));
  EXPECT_EQ(set.OutputDirectory(), "/out/");
  EXPECT_TRUE(set.WasSet(EnginePolicy::kOutputDirectory));
  EXPECT_TRUE(set.SetYesNo(EnginePolicy::kCreateALogFile, true, false));
  EXPECT_TRUE(set.CreateLogFile());
  EXPECT_FALSE(set.WasSet(EnginePolicy::kCreateALogFile));
  EXPECT_EQ(set.GetText(EnginePolicy::kPageWidth), "");
  EXPECT_EQ(set.FindEngine("no such policy"), nullptr);
  EXPECT_EQ(set.FindEngine("PAGE WIDTH"), &set.Engine(EnginePolicy::kPageWidth));
}

TEST(PolicySetTest, MergeTakesOnlySetPoliciesAndCarriesFlagsOnRequest) {
  PolicySet a;
  PolicySet b;
  a.SetInteger(EnginePolicy::kPageWidth, 70, false);
  a.Merge(b, true);
  EXPECT_EQ(a.GetInteger(EnginePolicy::kPageWidth), 70);  // unset in b: left alone

  b.SetInteger(EnginePolicy::kPageWidth, 60, true);
  a.Merge(b, false);
  EXPECT_EQ(a.GetInteger(EnginePolicy::kPageWidth), 60);
  EXPECT_FALSE(a.WasSet(EnginePolicy::kPageWidth));
  a.Merge(b, true);
  EXPECT_TRUE(a.WasSet(EnginePolicy::kPageWidth));

  // The last merge wins for each policy it holds as set.
  PolicySet c;
  c.SetInteger(EnginePolicy::kPageWidth, 50, true);
  c.SetText(EnginePolicy::kTextColour, "Red", true);
  a.Merge(c, true);
  a.Merge(b, true);
  EXPECT_EQ(a.GetInteger(EnginePolicy::kPageWidth), 60);
  EXPECT_EQ(a.GetText(EnginePolicy::kTextColour), "Red");
}

TEST(PolicySetTest, AssignCopiesEverythingAndResetClears) {
  PolicySet a;
  PolicySet b;
  int category = 0;
  b.SetInteger(EnginePolicy::kTABSize, 4, true);
  b.SetYesNo(EnginePolicy::kKeepItSimple, true, false);
  b.LoadPolicyLine("Rule set to be used : SEC", category, true);
  b.LoadPolicyLine("Indent position(s) : 2 6", category, true);
  a.SetInteger(EnginePolicy::kPageWidth, 33, true);
  a.Assign(b);
  EXPECT_EQ(a.GetInteger(EnginePolicy::kPageWidth), 80);
  EXPECT_FALSE(a.WasSet(EnginePolicy::kPageWidth));
  EXPECT_EQ(a.GetInteger(EnginePolicy::kTABSize), 4);
  EXPECT_TRUE(a.WasSet(EnginePolicy::kTABSize));
  EXPECT_TRUE(a.GetYesNo(EnginePolicy::kKeepItSimple));
  EXPECT_FALSE(a.WasSet(EnginePolicy::kKeepItSimple));
  EXPECT_EQ(a.RuleSet(), kRuleSetSec);
  EXPECT_EQ(a.Analysis().indent_positions, (std::vector<int>{2, 6}));

  a.Reset();
  EXPECT_EQ(a.GetInteger(EnginePolicy::kTABSize), 8);
  EXPECT_FALSE(a.WasSet(EnginePolicy::kTABSize));
  EXPECT_EQ(a.RuleSet(), kRuleSetNone);
  EXPECT_FALSE(a.RuleSetGiven());
  EXPECT_FALSE(a.Analysis().indent_given);
}

TEST(PolicySetTest, MergeCarriesRuleSetAndAnalysisGroups) {
  PolicySet a;
  PolicySet b;
  int category = 0;
  b.LoadPolicyLine("Rule set to be used : Tarnwell", category, true);
  b.LoadPolicyLine("Recognised USENET groups : comp.lang.c alt.test", category, true);
  a.LoadPolicyLine("Include document section(s) : intro", category, true);
  a.Merge(b, true);
  EXPECT_EQ(a.RuleSet(), kRuleSetTarnwell);
  EXPECT_TRUE(a.RuleSetGiven());
  EXPECT_EQ(a.Analysis().usenet_groups, (std::vector<std::string>{"comp.lang.c", "alt.test"}));
  EXPECT_EQ(a.Analysis().document_sections, (std::vector<std::string>{"intro"}));
}

TEST(PolicySetTest, SetsOnOneContextShareItsSections) {
  Context context;
  PolicySet a;
  PolicySet b;
  a.AttachContext(&context);
  b.AttachContext(&context);
  int category = 0;
  EXPECT_EQ(a.LoadPolicyLine("Target Page width : 60", category, false), 0);
  EXPECT_EQ(category, 4);
  EXPECT_EQ(b.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 60);

  PolicySet fresh;
  a.Merge(fresh, true);
  a.Assign(fresh);
  a.Reset();
  EXPECT_EQ(b.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 60);
  context.ResetAllSections();
  EXPECT_EQ(b.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 72);

  PolicySet detached;
  EXPECT_EQ(detached.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), -1);
  EXPECT_FALSE(detached.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_EQ(detached.GetSectionText(kSectionTextHyperlinks, kRemovedLinkText), "**void**");
}

TEST(RuleSetTest, ValuesGoOnlyToUnsetPoliciesAndMarkThem) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  context.SetReportRuleSetOverrides(true);
  PolicySet set;
  set.AttachContext(&context);
  int category = 0;
  set.LoadPolicyLine("Page Width : 100", category, true);
  EXPECT_EQ(set.LoadPolicyLine("Rule set to be used : Tarnwell", category, true), 0);
  EXPECT_EQ(category, 3);
  EXPECT_EQ(context.RuleSet(), kRuleSetTarnwell);
  set.ApplyRuleSet();

  EXPECT_EQ(set.GetInteger(EnginePolicy::kPageWidth), 100);  // the user's value stays
  EXPECT_NE(err.str().find("INFO: Ruleset overrided - Page Width : 100"), std::string::npos);
  EXPECT_EQ(set.GetInteger(EnginePolicy::kTextJustification), kAlignJustified);
  EXPECT_TRUE(set.WasSet(EnginePolicy::kTextJustification));
  EXPECT_TRUE(set.Engine(EnginePolicy::kTextJustification).RuleSetVisited());
  EXPECT_EQ(set.GetInteger(EnginePolicy::kListMarkupCode), 2);
  EXPECT_EQ(set.GetText(EnginePolicy::kDefaultFont), "Times New Roman, Regular, 11");
  EXPECT_EQ(set.Analysis().indent_positions, std::vector<int>{0});
  EXPECT_FALSE(set.WasSet(EnginePolicy::kTABSize));

  // A rule set does not come back to a policy it visited; a later policy
  // line overrides its value with a report instead of being refused.
  set.SetInteger(EnginePolicy::kListMarkupCode, 0, false);
  set.ApplyRuleSet();
  EXPECT_EQ(set.GetInteger(EnginePolicy::kListMarkupCode), 0);
  err.str("");
  EXPECT_EQ(set.LoadPolicyLine("List markup code : 1", category, true), 0);
  EXPECT_EQ(set.GetInteger(EnginePolicy::kListMarkupCode), 1);
  EXPECT_NE(err.str().find("INFO: Ruleset overrided : List markup code : 1"), std::string::npos);
}

TEST(RuleSetTest, SecAndBadValuesAndChanges) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  PolicySet set;
  set.AttachContext(&context);
  int category = 0;
  set.LoadPolicyLine("Rule set to be used : none", category, true);
  EXPECT_EQ(set.LoadPolicyLine("Rule set to be used : SEC", category, true), 0);
  EXPECT_EQ(err.str().find("WARNING: Changing rule set"), std::string::npos);
  set.ApplyRuleSet();
  EXPECT_EQ(set.GetText(EnginePolicy::kTextColour), "Black");
  EXPECT_TRUE(set.GetYesNo(EnginePolicy::kSuppressAllColourMarkup));
  EXPECT_EQ(set.GetText(EnginePolicy::kFixedFont), "Courier New, Regular, 9");

  EXPECT_EQ(set.LoadPolicyLine("Rule set to be used : Tarnwell", category, true), 0);
  EXPECT_NE(err.str().find("WARNING: Changing rule set - Rule set to be used : Tarnwell"),
            std::string::npos);
  EXPECT_EQ(set.LoadPolicyLine("Rule set to be used : Mine", category, true), 11);
  EXPECT_EQ(set.RuleSet(), kRuleSetTarnwell);
  EXPECT_FALSE(set.RuleSetGiven());
}

TEST(RuleSetTest, ColourAndFontValuesThatFailTheirChecks) {
  PolicySet set;
  std::ostringstream out, err;
  set.SetStreams(&out, &err);
  Policy& colour = set.Engine(EnginePolicy::kBackgroundColour);
  colour.ApplyRuleSetValue(PolicyValue{0, "bluish"}, false, &set, false);
  EXPECT_EQ(set.GetText(EnginePolicy::kBackgroundColour), "bluish");
  EXPECT_TRUE(colour.IsSet());
  EXPECT_NE(err.str().find("WARNING: \"bluish\" is not a standard HTML colour"), std::string::npos);

  Policy& font = set.Engine(EnginePolicy::kTableFont);
  font.ApplyRuleSetValue(PolicyValue{0, "Arial, Heavy"}, false, &set, false);
  EXPECT_EQ(set.GetText(EnginePolicy::kTableFont), "Times New Roman, Regular, 12");
  EXPECT_TRUE(font.IsSet());
  EXPECT_NE(err.str().find("WARNING: \"Arial, Heavy\" is not a valid font specification"),
            std::string::npos);

  // Forced values replace a user's value.
  set.SetInteger(EnginePolicy::kTABSize, 3, true);
  set.Engine(EnginePolicy::kTABSize).ApplyRuleSetValue(PolicyValue{4, ""}, true, &set, false);
  EXPECT_EQ(set.GetInteger(EnginePolicy::kTABSize), 4);
}

TEST(PolicySetReportTest, ThroughTheContextSinkWithTheSetsSettings) {
  Context context;
  std::ostringstream out, err;
  context.Sink().SetStreams(&out, &err);
  PolicySet set;
  set.AttachContext(&context);
  set.Report("WARNING: shown", 7);
  set.Report("INFO: too minor", 2);
  set.SetYesNo(EnginePolicy::kSuppressWARNINGMessages, true, true);
  set.Report("WARNING: suppressed", 10);
  set.ReportPlain("Processing : \"x\"");
  EXPECT_EQ(err.str(), "WARNING: shown\n");
  EXPECT_EQ(out.str(), "Processing : \"x\"\n");
  EXPECT_TRUE(context.Sink().Settings().suppress_warning);
}

TEST(PolicySetReportTest, WithoutContextOnlyWhileDisplayIsOn) {
  PolicySet set;
  std::ostringstream out, err;
  set.SetStreams(&out, &err);
  set.Report("ERROR: one", 10);
  set.ReportPlain("plain one");
  set.SetYesNo(EnginePolicy::kDisplayMessages, false, true);
  set.Report("ERROR: two", 10);
  set.ReportPlain("plain two");
  EXPECT_EQ(err.str(), "ERROR: one\n");
  EXPECT_EQ(out.str(), "plain one\n");
}

}  // namespace
}  // namespace orv
