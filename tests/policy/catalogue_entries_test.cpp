// Every catalogue entry checked against tables kept here, independent of
// the catalogue code: orvtext's 85 policies with identifier, key, type and
// default, and the engine policies' types and categories.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "policy/engine_policies.h"
#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "run/context.h"

namespace orv {
namespace {

struct orvtextRow {
  int section;
  int identifier;
  const char* key;
  PolicyType type;
  const char* value_text;  // the default as printed; null for the help notices
};

// Section by section, in ascending identifiers (the order of writing).
const std::vector<orvtextRow>& orvtextRows() {
  static const std::vector<orvtextRow> rows = {
      {1, 10, "Remove all tags", PolicyType::kYesNo, "Yes"},
      {1, 11, "Remove all HTML tags", PolicyType::kYesNo, "No"},
      {1, 12, "Remove HTML <HEAD> section", PolicyType::kYesNo, "No"},
      {1, 13, "Remove HTML-style comments", PolicyType::kYesNo, "No"},
      {1, 14, "Remove HTML <SCRIPT> section", PolicyType::kYesNo, "No"},
      {1, 15, "Remove HTML <OBJECT> section", PolicyType::kYesNo, "No"},
      {1, 16, "Remove HTML <FONT> tags", PolicyType::kYesNo, "No"},
      {1, 17, "Remove HTML <FORM>..</FORM> tags", PolicyType::kYesNo, "No"},
      {1, 18, "Remove HTML <SPAN> section", PolicyType::kYesNo, "No"},
      {1, 19, "Remove emphasis tags", PolicyType::kYesNo, "No"},
      {1, 20, "Replace hyperlinks by the display value", PolicyType::kYesNo, "No"},
      {1, 21, "Remove non-standard tags", PolicyType::kYesNo, "No"},
      {1, 22, "Keep deprecated tags", PolicyType::kYesNo, "Yes"},
      {1, 23, "Remove non-standard tag attributes", PolicyType::kYesNo, "No"},
      {1, 24, "Keep deprecated tag attributes", PolicyType::kYesNo, "Yes"},
      {1, 30, "Remove all non-HTML tags", PolicyType::kYesNo, "Yes"},
      {1, 31, "Remove all x-tags used in mail messages", PolicyType::kYesNo, "Yes"},
      {1, 32, "Remove Microsoft Office tags", PolicyType::kYesNo, "Yes"},
      {1, 40, "Remove style sheet", PolicyType::kYesNo, "No"},
      {1, 41, "Remove HTML <IMG> tags", PolicyType::kYesNo, "No"},
      {2, 25, "Remove HTML table tags", PolicyType::kYesNo, "No"},
      {2, 26, "Remove HTML <P> tags from tables", PolicyType::kYesNo, "No"},
      {2, 27, "Remove HTML alignment attributes from tables", PolicyType::kYesNo, "No"},
      {2, 28, "Remove HTML color attributes from tables", PolicyType::kYesNo, "No"},
      {2, 29, "Remove HTML size attributes from tables", PolicyType::kYesNo, "No"},
      {3, 50, "Convert tags to upper case", PolicyType::kYesNo, "No"},
      {3, 51, "Convert tags to lower case", PolicyType::kYesNo, "No"},
      {3, 52, "Replace entities by text", PolicyType::kYesNo, "No"},
      {3, 53, "Allow 8-bit ANSI values in output", PolicyType::kYesNo, "Yes"},
      {3, 54, "Allow ANSI alternatives (e.g. space for &nbsp;)", PolicyType::kYesNo, "Yes"},
      {4, 200, "Insert separator between email messages", PolicyType::kYesNo, "No"},
      {4, 201, "Add notes when email converted from HTML", PolicyType::kYesNo, "No"},
      {4, 202, "Add notes when components are discarded", PolicyType::kYesNo, "No"},
      {4, 203, "Simplify the mail headers", PolicyType::kYesNo, "No"},
      {4, 204, "Level of header details wanted (0-10)", PolicyType::kInteger, "0"},
      {4, 205, "Discard any non-ANSI messages (e.g. Chinese)", PolicyType::kYesNo, "No"},
      {5, 210, "Generate WinHelp project file", PolicyType::kYesNo, "No"},
      {5, 211, "WinHelp Resource File", PolicyType::kText, "(none)"},
      {5, 212, "Help file copyright notice", PolicyType::kText, nullptr},
      {5, 213, "Help file citation", PolicyType::kText, nullptr},
      {5, 214, "Help title background colour", PolicyType::kColour, "Silver"},
      {5, 215, "Help body background colour", PolicyType::kColour, "FFFFE0"},
      {6, 100, "Preserve all white space from the original source", PolicyType::kYesNo, "No"},
      {6, 105, "Impose a page width on the output", PolicyType::kYesNo, "Yes"},
      {6, 106, "Target Page width", PolicyType::kInteger, "72"},
      {6, 107, "Right justify the output text", PolicyType::kYesNo, "No"},
      {6, 108, "Output indentation positions", PolicyType::kText, "0,4,8,12,16,20,24,28"},
      {6, 110, "Output each paragraph on a single line", PolicyType::kYesNo, "No"},
      {6, 111, "Preserve short lines", PolicyType::kYesNo, "Yes"},
      {6, 112, "Treat short lines as paragraph endings", PolicyType::kYesNo, "Yes"},
      {6, 113, "First line indent for paragraphs", PolicyType::kInteger, "0"},
      {6, 114, "Insert gap between sentences", PolicyType::kYesNo, "No"},
      {6, 120, "Look for dialogue lines", PolicyType::kYesNo, "No"},
      {6, 121, "Apply extra dialogue checks", PolicyType::kYesNo, "No"},
      {6, 122, "Break lines where dialogue starts in the middle", PolicyType::kYesNo, "No"},
      {6, 125, "Remove all horizontal rules and lines", PolicyType::kYesNo, "No"},
      {6, 126, "Highlight *bold* and _italic_ text", PolicyType::kYesNo, "Yes"},
      {6, 127, "May add Unicode marker to output file", PolicyType::kYesNo, "No"},
      {6, 128, "Heading underline characters", PolicyType::kText, "*,=,-,~,.,,"},
      {6, 129, "Text bullet characters", PolicyType::kText, "middot,middot,middot,middot,middot,middot"},
      {6, 151, "Start list marker", PolicyType::kText, "(none)"},
      {6, 152, "End list marker", PolicyType::kText, "(none)"},
      {7, 175, "Allow by-line to be used for Author field", PolicyType::kYesNo, "No"},
      {8, 130, "Omit email hyperlinks from the output", PolicyType::kYesNo, "No"},
      {8, 131, "Omit local hyperlinks from the output", PolicyType::kYesNo, "No"},
      {8, 132, "Text to replace removed links by", PolicyType::kText, "[removed link]"},
      {8, 133, "Add URL references at end of file", PolicyType::kYesNo, "Yes"},
      {8, 134, "Display link URLs", PolicyType::kYesNo, "No"},
      {8, 135, "Replace <IMG> tags by a text marker", PolicyType::kYesNo, "No"},
      {8, 136, "Use the ALT attribute to replace <IMG> tags", PolicyType::kYesNo, "No"},
      {9, 140, "Attempt to parse tables", PolicyType::kYesNo, "Yes"},
      {9, 141, "Output table format", PolicyType::kInteger, "1"},
      {9, 142, "Convert only innermost tables", PolicyType::kYesNo, "Yes"},
      {9, 143, "Add delimited table markers", PolicyType::kYesNo, "Yes"},
      {9, 144, "Allow blank row separator lines", PolicyType::kYesNo, "No"},
      {9, 145, "Add border to all tables", PolicyType::kYesNo, "No"},
      {9, 146, "Suppress borders on nested tables", PolicyType::kYesNo, "Yes"},
      {9, 147, "Adjust table to page width", PolicyType::kYesNo, "Yes"},
      {9, 148, "Target table width", PolicyType::kInteger, "0"},
      {9, 149, "Start table marker", PolicyType::kText, "(none)"},
      {9, 150, "End table marker", PolicyType::kText, "(none)"},
      {9, 153, "Allow headings inside tables", PolicyType::kYesNo, "Yes"},
      {9, 154, "Default table indentation", PolicyType::kInteger, "0"},
      {10, 220, "XE tag prefix", PolicyType::kText, "<si>"},
      {10, 221, "XE tag postfix", PolicyType::kText, "<xi>"},
  };
  return rows;
}

TEST(CatalogueEntriesTest, EveryorvtextPolicyAsTabled) {
  Context context;
  size_t position[11] = {};
  for (const orvtextRow& row : orvtextRows()) {
    PolicySection& section = context.PolicySectionAt(row.section);
    size_t index = position[row.section]++;
    ASSERT_LT(index, section.Count()) << row.key;
    const Policy& policy = section.At(index);
    EXPECT_EQ(policy.Identifier(), row.identifier) << row.key;
    EXPECT_EQ(policy.Key(), row.key);
    EXPECT_EQ(policy.Type(), row.type) << row.key;
    EXPECT_EQ(policy.Category(), 4) << row.key;
    // The by-line policy records section 6 although section 7 holds it.
    EXPECT_EQ(policy.SectionNumber(), row.identifier == kAllowByLineForAuthor ? 6 : row.section)
        << row.key;
    EXPECT_FALSE(policy.IsSet()) << row.key;
    if (row.value_text != nullptr) {
      EXPECT_EQ(policy.ValueText(), row.value_text) << row.key;
    } else {
      EXPECT_FALSE(policy.AsString()->Value().empty()) << row.key;
    }
  }
  for (int number = 1; number <= 10; ++number)
    EXPECT_EQ(position[number], context.PolicySectionAt(number).Count()) << number;
}

struct TypeGroup {
  PolicyType type;
  std::vector<const char*> keys;
};

// The written engine policies that are not YesNo, by type.
const std::vector<TypeGroup>& NonYesNoTypes() {
  static const std::vector<TypeGroup> groups = {
      {PolicyType::kInteger,
       {"Error reporting level", "Use of Microsoft entities code", "Use of HTML 4.0 entities code",
        "Indentation markup code", "List markup code", "Comment generation code", "Page Width",
        "TAB size", "New Paragraph Offset", "Page marker size (in lines)", "Min chapter size",
        "Short line length", "Minimum ruler length", "First Section Number",
        "Number of words to include in filename", "Minimum automatic <PRE> size",
        "First line indentation (in blocks)", "Use of RTF Styles", "First frame page number",
        "Number of levels in contents frame", "Max length of heading links", "Cross-refs at level",
        "Split level", "Min HTML file size", "Lines to ignore at start of file",
        "Lines to ignore at end of file", "Maximum level to show in contents",
        "Contents style code", "Contents anchors level", "Maximum number of files per index page",
        "Automatic centring tolerance", "Smallest allowed <Hn> tag", "Largest allowed <Hn> tag",
        "Base FONT Size in pts", "Delta FONT size in pts", "Font stretch factor (in percent)",
        "Scope for font tags"}},
      {PolicyType::kAlignment,
       {"Text justification"}},
      {PolicyType::kText,
       {"Start tag delimiter", "End tag delimiter", "Directive delimiter",
        "Bullet point characters", "Heading key phrases", "Definitions file", "Fragments file",
        "Text command file", "Document Title", "Document Base URL", "Document Keywords",
        "Document Description", "HTML Script file", "Character encoding", "HTML header file",
        "HTML footer file", "Background Image", "Shortcut icon URL", "Author URL", "Bookmark URL",
        "Copyright URL", "Document Subject", "Document Author", "Document Manager",
        "Document Category", "Document Comments", "Document Company name", "Top margin (in cm)",
        "Bottom margin (in cm)", "Left margin (in cm)", "Right margin (in cm)",
        "Characters to use for bullets", "Output frame name", "Header frame depth",
        "Footer frame depth", "Contents frame width", "New frame link window name",
        "NOFRAMES link URL", "New browser window name", "Input file type", "Output file extension",
        "DOS filename root", "External contents list filename", "Directory filename",
        "Directory Title", "Directory Keywords", "Directory Description",
        "Directory return hyperlink text", "Directory Script file", "Directory header file",
        "Directory footer file", "Document Style Sheet", "Style file", "Link Dictionary file"}},
      {PolicyType::kColour,
       {"Text Colour", "Background Colour", "Unvisited Link Colour", "Visited Link Colour",
        "Active Link Colour", "Header frame background colour", "Header frame text colour",
        "Contents frame background colour", "Contents frame text colour",
        "Footer frame background colour", "Footer frame text colour", "Headings Colour"}},
      {PolicyType::kFont,
       {"Default font", "Heading font", "Table of Contents font", "Table font", "Fixed font"}},
      {PolicyType::kChoice,
       {"Language (for proofing)", "Paper size", "HTML version to be targeted"}},
  };
  return groups;
}

TEST(CatalogueEntriesTest, EveryEnginePolicyHasItsType) {
  PolicySet set;
  std::set<std::string> typed;
  for (const TypeGroup& group : NonYesNoTypes()) {
    for (const char* key : group.keys) {
      Policy* policy = set.FindEngine(key);
      ASSERT_NE(policy, nullptr) << key;
      EXPECT_EQ(policy->Type(), group.type) << key;
      typed.insert(key);
    }
  }
  int yes_no = 0;
  for (const EngineCatalogueEntry& entry : EngineCatalogue()) {
    if (entry.section == kEngineNotWritten || typed.count(std::string(entry.key)) > 0) continue;
    EXPECT_EQ(entry.type, PolicyType::kYesNo) << entry.key;
    ++yes_no;
  }
  EXPECT_EQ(yes_no, 120);
  EXPECT_EQ(set.FindEngine("Show Tags in output")->Type(), PolicyType::kYesNo);
}

// Categories 1, 2 and 4 as listed, every other engine policy 3.
int ExpectedCategory(std::string_view key, EngineSection section) {
  static const std::set<std::string_view> one = {
      "Look for character encodings", "Input file contains DOS characters",
      "Input file contains PCL codes", "Input file contains UNICODE characters",
      "Input file contains MIME encoding", "Input file contains Japanese characters",
      "Input file is double spaced", "Input file has change bars", "Input file has page markers",
      "Page marker size (in lines)", "Character encoding", "Input file is a composition unit",
      "Omit <HEAD> and <BODY> from output", "Generate external contents file"};
  static const std::set<std::string_view> two = {
      "Start tag delimiter", "End tag delimiter", "Directive delimiter", "Keep it simple",
      "Min chapter size", "Short line length", "Expect code samples", "Minimum ruler length",
      "Search for definitions", "Page Width", "TAB size", "New Paragraph Offset",
      "Expect blank lines between paras", "Recognise 'o' as a bullet",
      "Recognise '-' as a bullet", "Bullet point characters", "First Section Number",
      "Use numbered sequence in file names", "Check indentation for consistency",
      "Heading key phrases", "Expect Contents List", "Input directory",
      "Treat each line as a paragraph", "Preserve line structure",
      "Minimum automatic <PRE> size", "Max length of candidate table lines", "Use Preprocessor",
      "Allow automatic centring", "Automatic centring tolerance"};
  static const std::set<std::string_view> four = {
      "Error reporting level", "Show Tags in output", "Remove redundant tags",
      "Look for underlined text", "Preserve new paragraph offset", "Text justification",
      "Preserve underlining of headings", "First line indentation (in blocks)",
      "Create hyperlinks", "Create mailto links", "Create FTP links", "Create NEWS links",
      "Create Gopher links", "Create Telnet links", "Check domain name syntax",
      "Only use known groups", "Only allow explicit FTP links",
      "Allow email beginning with numbers", "Open links in new browser window",
      "New browser window name", "Add <BR> to lines with URLs", "Max length of heading links",
      "Cross-refs at level", "Break up long HTML lines", "Display messages",
      "Attempt TABLE generation", "Label style classes", "Highlight Definition Text",
      "Use <P> markup for paragraphs", "Use <DL> markup for defn. paras",
      "Ignore multiple blank lines", "Allow definitions inside PRE",
      "Directory return hyperlink text", "Link Dictionary file"};
  if (one.count(key) > 0) return 1;
  if (four.count(key) > 0) return 4;
  if (two.count(key) > 0) return 2;
  if (key.substr(0, 8) == "Look for") return 2;
  if (key.substr(0, 6) == "Expect" && (section == kEngineBullets || section == kEngineHeadings))
    return 2;
  return 3;
}

TEST(CatalogueEntriesTest, EveryEnginePolicyHasItsCategory) {
  PolicySet set;
  int counts[5] = {};
  for (size_t i = 0; i < kEnginePolicyCount; ++i) {
    const EngineCatalogueEntry& entry = EngineCatalogue()[i];
    const int expected = ExpectedCategory(entry.key, entry.section);
    EXPECT_EQ(entry.category, expected) << entry.key;
    // Reset gives each policy the category of its entry.
    EXPECT_EQ(set.Engine(static_cast<EnginePolicy>(i)).Category(), expected) << entry.key;
    ++counts[expected];
  }
  EXPECT_EQ(counts[1], 14);
  EXPECT_EQ(counts[4], 34);
}

}  // namespace
}  // namespace orv
