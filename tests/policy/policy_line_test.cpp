// LoadPolicyLine: normalisation, comments and headers, value parsing of each
// type, repeated lines, composite analysis lines and aliases.
#include <gtest/gtest.h>

#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "policy_test_util.h"

namespace orv {
namespace {

using testing::CapturedSet;

TEST(NormalisePolicyLineTest, CollapsesRunsAndTrims) {
  EXPECT_EQ(NormalisePolicyLine("  Target   Page\t\twidth :  60 \t"), "Target Page\twidth : 60");
  EXPECT_EQ(NormalisePolicyLine("\t \t"), "");
  EXPECT_EQ(NormalisePolicyLine("a \tb"), "a b");
}

TEST(LoadPolicyLineTest, KeysIgnoreCaseAndBlanks) {
  CapturedSet c;
  int category = 0;
  EXPECT_EQ(c.set.LoadPolicyLine("REMOVE all TAGS:no", category, true), 0);
  EXPECT_EQ(category, 4);
  EXPECT_FALSE(c.set.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_EQ(c.Load("  Target    Page   width :   60"), 0);
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 60);
  EXPECT_EQ(c.err.str(), "");
}

struct ValueCase {
  const char* line;
  int result;
  const char* key;           // policy to look at, by key text
  const char* value_text;    // its printed value afterwards
  bool set_after;            // its set flag afterwards
  const char* message;       // a message that must appear ("" none at all)
};

class PolicyValueLineTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PolicyValueLineTest, ParsesOrRefuses) {
  const ValueCase& v = GetParam();
  CapturedSet c;
  std::string result_text;
  int category = 0;
  EXPECT_EQ(c.set.LoadPolicyLine(v.line, category, true, &result_text), v.result);
  std::string value;
  ASSERT_TRUE(c.set.QueryPolicy(v.key, value)) << v.key;
  EXPECT_EQ(value, v.value_text);
  bool set = false;
  if (Policy* engine = c.set.FindEngine(v.key)) {
    set = engine->IsSet();
  } else {
    for (PolicySection& section : c.context.Sections())
      for (size_t i = 0; i < section.Count(); ++i)
        if (section.At(i).Key() == v.key) set = section.At(i).IsSet();
  }
  EXPECT_EQ(set, v.set_after);
  if (*v.message == '\0') {
    EXPECT_EQ(c.err.str(), "");
  } else {
    EXPECT_TRUE(c.Saw(v.message)) << c.err.str();
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PolicyValueLineTest,
    ::testing::Values(
        // Integer
        ValueCase{"Target Page width : 60", 0, "Target Page width", "60", true, ""},
        ValueCase{"Target Page width : 60px", 11, "Target Page width", "72", false, ""},
        ValueCase{"Target Page width : (60)", 0, "Target Page width", "60", true, ""},
        ValueCase{"Target Page width : none", 0, "Target Page width", "-1", true, ""},
        ValueCase{"Short line length : (none)", 0, "Short line length", "(none)", true, ""},
        ValueCase{"Error reporting level : 0", 0, "Error reporting level", "0", true, ""},
        ValueCase{"List markup code : 3", 11, "List markup code", "1", false,
                  "POLICY: Ignored - Value 3 is outside allowed range (0:2)"},
        // The numbers that size the output have ranges.
        ValueCase{"Default table indentation : 2147483647", 11, "Default table indentation", "0",
                  false, "POLICY: Ignored - Value 2147483647 is outside allowed range (0:32767)"},
        ValueCase{"Default table indentation : 32767", 0, "Default table indentation", "32767",
                  true, ""},
        ValueCase{"Target table width : 100000000", 11, "Target table width", "0", false,
                  "POLICY: Ignored - Value 100000000 is outside allowed range (0:32767)"},
        ValueCase{"Target Page width : 40000", 11, "Target Page width", "72", false,
                  "POLICY: Ignored - Value 40000 is outside allowed range (0:32767)"},
        ValueCase{"First line indent for paragraphs : 5000", 11,
                  "First line indent for paragraphs", "0", false,
                  "POLICY: Ignored - Value 5000 is outside allowed range (0:1000)"},
        ValueCase{"Level of header details wanted (0-10) : 11", 11,
                  "Level of header details wanted (0-10)", "0", false,
                  "POLICY: Ignored - Value 11 is outside allowed range (0:10)"},
        ValueCase{"List markup code : 0", 0, "List markup code", "0", true, ""},
        // YesNo
        ValueCase{"Remove all HTML tags : TRUE", 0, "Remove all HTML tags", "Yes", true, ""},
        ValueCase{"Keep deprecated tags : false", 0, "Keep deprecated tags", "No", true, ""},
        ValueCase{"Remove all HTML tags : 1", 11, "Remove all HTML tags", "No", false,
                  "ERROR: Don't understand policy value : 1"},
        ValueCase{"Remove all HTML tags : (none)", 11, "Remove all HTML tags", "No", false,
                  "ERROR: Don't understand policy value : (none)"},
        // Text
        ValueCase{"Start list marker :   -- list --  ", 0, "Start list marker", "-- list --", true, ""},
        ValueCase{"Document Title : (none)", 0, "Document Title", "(none)", true, ""},
        ValueCase{"Text to replace removed links by : a:b", 0, "Text to replace removed links by",
                  "a:b", true, ""},
        // Alignment
        ValueCase{"Text justification : Centre", 0, "Text justification", "center", true, ""},
        ValueCase{"Text justification : r", 0, "Text justification", "right", true, ""},
        ValueCase{"Text justification : Justified", 0, "Text justification", "justified", true, ""},
        ValueCase{"Text justification : middle", 11, "Text justification", "(none)", false, ""},
        ValueCase{"Text justification : none", 0, "Text justification", "(none)", true, ""},
        // Colour
        ValueCase{"Text Colour : #fff", 11, "Text Colour", "#FFF", false,
                  "WARNING: \"#fff\" is not a standard HTML colour"},
        ValueCase{"Text Colour : ffffe0", 0, "Text Colour", "#FFFFE0", true, ""},
        ValueCase{"Text Colour : #FF00FF", 0, "Text Colour", "Fuchsia", true, ""},
        ValueCase{"Text Colour : Magenta", 0, "Text Colour", "Magenta", true, ""},
        ValueCase{"Help title background colour : none", 0, "Help title background colour",
                  "(none)", true, ""},
        // Font
        ValueCase{"Default font : Arial", 0, "Default font", "Arial", true, ""},
        ValueCase{"Default font : Arial, bold italic, 9", 0, "Default font",
                  "Arial, bold italic, 9", true, ""},
        ValueCase{"Default font : Arial, Heavy, 10", 11, "Default font",
                  "Times New Roman, Regular, 12", false,
                  "WARNING: \"Arial, Heavy, 10\" is not a valid font specification"},
        // Choice
        ValueCase{"Paper size : legal", 0, "Paper size", "Legal", true, ""},
        ValueCase{"Paper size : B5", 11, "Paper size", "A4", false, ""},
        ValueCase{"HTML version to be targeted : html  4.0   strict", 0,
                  "HTML version to be targeted", "HTML 4.0 Strict", true, ""},
        ValueCase{"Paper size : (none)", 0, "Paper size", "(none)", true, ""},
        // Special engine policies
        ValueCase{"Input file type : Text Table", 0, "Input file type", "Text Table", true, ""},
        ValueCase{"Input file type : html", 11, "Input file type", "(none)", false,
                  "ERROR: Invalid file type - Input file type : html"},
        ValueCase{"DOS filename root : abcdefgh", 0, "DOS filename root", "abcde", true, ""},
        // Aliases
        ValueCase{"Text substitution file : subs.txt", 0, "Text command file", "subs.txt", true, ""},
        ValueCase{"Background color : ff0000", 0, "Background Colour", "Red", true, ""},
        ValueCase{"Recognize 'o' as a bullet : no", 0, "Recognise 'o' as a bullet", "No", true, ""}));

TEST(LoadPolicyLineTest, CommentsHeadersAndMissingColons) {
  CapturedSet c;
  int category = 7;
  std::string text;
  EXPECT_EQ(c.set.LoadPolicyLine("# Target Page width : 10", category, true, &text), 0);
  EXPECT_EQ(category, 0);
  EXPECT_EQ(text, "LoadPolicyLine - success: # Target Page width : 10");
  EXPECT_EQ(c.Load("#no colon here"), 0);
  EXPECT_EQ(c.Load("! remark"), 0);
  EXPECT_EQ(c.Load("   "), 0);
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 72);
  EXPECT_EQ(c.err.str(), "");

  EXPECT_EQ(c.set.LoadPolicyLine("[detag]", category, true), 0);
  EXPECT_EQ(category, 2);
  EXPECT_EQ(c.set.LoadPolicyLine("[Messages]", category, true), 0);
  EXPECT_EQ(category, 0);
  EXPECT_EQ(c.Load("----- General -----"), 0);
  EXPECT_EQ(c.err.str(), "");
  EXPECT_EQ(c.set.LoadPolicyLine("[Nothing known]", category, true, &text), 10);
  EXPECT_EQ(text, "LoadPolicyLine - unknown policy: [Nothing known]");
  EXPECT_EQ(c.err.str(), "");

  EXPECT_EQ(c.set.LoadPolicyLine("Remove all tags", category, true, &text), 11);
  EXPECT_EQ(text, "LoadPolicyLine - invalid value: ");
  EXPECT_EQ(c.err.str(),
            "POLICY: Ignored - Missing colon in \"Remove all tags\"\n"
            "ERROR: Don't understand policy value : \n");
  EXPECT_EQ(c.set.LoadPolicyLine("Nobody's key : 3", category, true, &text), 10);
  EXPECT_EQ(text, "LoadPolicyLine - unknown policy: Nobody's key : 3");
}

TEST(LoadPolicyLineTest, RepeatedLines) {
  CapturedSet c;
  EXPECT_EQ(c.Load("Target Page width : 60"), 0);
  EXPECT_EQ(c.Load("Target Page width : 50"), 11);
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 60);
  EXPECT_EQ(c.err.str(), "POLICY: Ignoring repeated policy \\Target Page width\\\n");

  c.err.str("");
  for (const char* key : {"Remove all tags", "Directory filename", "Use .HTM extension",
                          "Concatenate results into one file", "Make Directory"}) {
    EXPECT_EQ(c.Load(std::string(key) + " : yes"), 0) << key;
    EXPECT_EQ(c.Load(std::string(key) + " : no"), 0) << key;
  }
  EXPECT_TRUE(c.set.GetSectionYesNo(kSectionDetag, kRemoveAllTags));
  EXPECT_TRUE(c.set.GetYesNo(EnginePolicy::kMakeDirectory));
  EXPECT_EQ(c.err.str(), "");

  // Without the repeat check every line overrides, silently.
  EXPECT_EQ(c.Load("Target Page width : 40", false), 0);
  EXPECT_EQ(c.set.GetSectionInteger(kSectionTextFormatting, kTargetPageWidth), 40);
  EXPECT_EQ(c.err.str(), "");
}

TEST(LoadPolicyLineTest, CategoriesAndResultTexts) {
  CapturedSet c;
  struct Case {
    const char* line;
    int category;
  } cases[] = {{"Look for bullets : yes", 2},        {"Input file is double spaced : no", 1},
               {"Suppress URL messages : no", 3},     {"Error reporting level : 4", 4},
               {"Indent position(s) : 4", 1},         {"Rule set to be used : none", 3},
               {"Recognised USENET groups : a.b", 4}, {"Include document section(s) : x", 3},
               {"Allow by-line to be used for Author field : yes", 4},
               {"Hanging paragraph position(s) : 6", 1},  {"Definition Char : '-' (weak)", 1},
               {"Bullet char : '*'", 1},              {"We have 2 recognised headings", 1},
               {"Heading level 0 = CHAPTER n", 1},     {"Contents level 1 = n.n", 1},
               {"Input file type : text table", 3},  {"Text color : Red", 3},
               {"[Text tables]", 2}};
  for (const Case& k : cases) {
    int category = -1;
    std::string text;
    EXPECT_EQ(c.set.LoadPolicyLine(k.line, category, true, &text), 0) << k.line;
    EXPECT_EQ(category, k.category) << k.line;
    EXPECT_EQ(text, std::string("LoadPolicyLine - success: ") + k.line);
  }
}

TEST(CompositeLineTest, PositionsDefinitionsGroupsAndSections) {
  CapturedSet c;
  const AnalysisSettings& a = c.set.Analysis();
  EXPECT_EQ(c.Load("Indent position(s) : 2 4 x 8"), 0);
  EXPECT_EQ(a.indent_positions, (std::vector<int>{2, 4}));
  EXPECT_EQ(c.Load("Indent position(s) : 1 2 3 4 5 6 7"), 0);
  EXPECT_EQ(a.indent_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(c.Load("Indent position(s) : (none)"), 0);
  EXPECT_TRUE(a.indent_positions.empty());
  EXPECT_FALSE(a.indent_given);
  EXPECT_EQ(c.Load("Hanging paragraph position(s) : 6 12"), 0);
  EXPECT_EQ(a.hanging_positions, (std::vector<int>{6, 12}));

  EXPECT_EQ(c.Load("Definition Char : ':' (strong)"), 0);
  EXPECT_TRUE(a.colon_definition);
  EXPECT_TRUE(a.colon_strong);
  EXPECT_EQ(c.Load("Definition Char : '-' (weak)"), 0);
  EXPECT_TRUE(a.dash_definition);
  EXPECT_FALSE(a.dash_strong);
  EXPECT_EQ(c.Load("Definition Char : (none)"), 0);
  EXPECT_FALSE(a.colon_definition || a.dash_definition);

  EXPECT_EQ(c.Load("Recognised USENET groups : comp.lang.c  rec.arts"), 0);
  EXPECT_EQ(a.usenet_groups, (std::vector<std::string>{"comp.lang.c", "rec.arts"}));
  EXPECT_EQ(c.Load("Include document section(s) : intro  body"), 0);
  EXPECT_EQ(a.document_sections, (std::vector<std::string>{"intro", "body"}));
  EXPECT_EQ(c.Load("Link definition : anything"), 0);
  EXPECT_EQ(c.err.str(), "");
}

TEST(CompositeLineTest, BulletCharactersAndHeadingLevels) {
  CapturedSet c;
  const AnalysisSettings& a = c.set.Analysis();
  c.set.SetYesNo(EnginePolicy::kRecogniseOAsABullet, false, false);
  EXPECT_EQ(c.Load("Bullet char : 'o'"), 0);
  EXPECT_TRUE(c.set.GetYesNo(EnginePolicy::kRecogniseOAsABullet));
  EXPECT_TRUE(c.set.WasSet(EnginePolicy::kRecogniseOAsABullet));
  EXPECT_EQ(c.Load("Bullet char : '-'"), 0);
  EXPECT_TRUE(c.set.WasSet(EnginePolicy::kRecogniseDashAsABullet));
  for (const char* bullet : {"'*'", "'+'", "'>'", "'#'", "'='"}) c.Load(std::string("Bullet char : ") + bullet);
  EXPECT_EQ(a.bullet_characters, "o-*+>#=");
  EXPECT_EQ(c.Load("Bullet char : '~'"), 10);  // seven are held already
  EXPECT_EQ(a.bullet_characters, "o-*+>#=");
  EXPECT_EQ(c.Load("Bullet char : none"), 0);
  EXPECT_EQ(a.bullet_characters, "");

  EXPECT_EQ(c.Load("We have 2  recognised headings"), 0);
  EXPECT_EQ(a.recognised_headings, 2);
  EXPECT_EQ(c.Load("    Heading level 0 = CHAPTER n"), 0);
  EXPECT_EQ(c.Load("    Contents level 1 = n.n Title"), 0);
  EXPECT_EQ(a.heading_levels.at(0), "CHAPTER n");
  EXPECT_EQ(a.contents_levels.at(1), "n.n Title");
  EXPECT_FALSE(c.set.WasSet(EnginePolicy::kExpectSecondWordHeadings));
  EXPECT_EQ(c.Load("Heading level 1 = Part n, second word"), 0);
  EXPECT_TRUE(c.set.GetYesNo(EnginePolicy::kExpectSecondWordHeadings));
  EXPECT_EQ(c.Load("Heading level 12 = too deep"), 11);
  EXPECT_EQ(c.err.str(), "");  // none of these lines lacks its colon in a way worth reporting
}

TEST(LoadPolicyLineTest, QueryFormAndDetachedSet) {
  PolicySet set;
  std::string value;
  EXPECT_TRUE(set.QueryPolicy("page  width", value));
  EXPECT_EQ(value, "80");
  EXPECT_FALSE(set.QueryPolicy("Target Page width", value));  // no Context: no sections
  int category = 0;
  EXPECT_EQ(set.LoadPolicyLine("Target Page width : 50", category, true), 10);
}

}  // namespace
}  // namespace orv
