// Tests of the definition list, the fragments file reader and fragment
// expansion, above all the boxed text header lines.
#include "textout/fragments.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "html/chunk_reader.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

struct Messages {
  std::vector<std::string> texts;
  ReportFunction Function() {
    return [this](const std::string& message, int) { texts.push_back(message); };
  }
};

TEST(DefinitionListTest, LoadsDefinitionsAndReportsMisplacedStatements) {
  const DirectiveKeywords keywords;
  DefinitionList list;
  Messages messages;
  list.Load({"ignored line outside", "$_$_DEFINE_TEXT_FRAGMENT Footer", "first",
             "$_$_DEFINE_TEXT_FRAGMENT Inner",  // reported, stays in Footer
             "second", "$_$_END_BLOCK",
             "$_$_END_BLOCK",  // reported, ignored
             "$_$_define_html_fragment Nav", "<hr>", "$_$_end_block"},
            keywords, messages.Function());
  EXPECT_EQ(messages.texts,
            (std::vector<std::string>{
                "TAG ERROR: recursive DEFINE_BLOCK or DEFINE_<XXXX>_FRAGMENT detected.",
                "TAG ERROR: END_BLOCK not expected here."}));
  const Definition* footer = list.Find(DefinitionKind::kTextFragment, "FOOTER");
  ASSERT_NE(footer, nullptr);
  EXPECT_EQ(footer->lines, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(list.Find(DefinitionKind::kTextFragment, "Inner"), nullptr);
  EXPECT_EQ(list.Find(DefinitionKind::kTextFragment, "Nav"), nullptr);  // another kind
  ASSERT_NE(list.Find(DefinitionKind::kHtmlFragment, "nav"), nullptr);

  // A later definition hides an earlier one; a reset ends both.
  list.Add(DefinitionKind::kTextFragment, "footer", {"newer"});
  EXPECT_EQ(list.Find(DefinitionKind::kTextFragment, "Footer")->lines,
            std::vector<std::string>{"newer"});
  list.Load({"$_$_RESET_TEXT_FRAGMENT footer"}, keywords, messages.Function());
  EXPECT_EQ(list.Find(DefinitionKind::kTextFragment, "Footer"), nullptr);

  // A definition whose end is missing keeps its lines.
  list.Load({"$_$_DEFINE_TEXT_FRAGMENT Open", "kept"}, keywords, messages.Function());
  EXPECT_EQ(list.Find(DefinitionKind::kTextFragment, "open")->lines,
            std::vector<std::string>{"kept"});
}

// The built-in definitions are read once for a whole run, without a
// reporter: they must load without a message, and hold the header and
// footer every text output expands.
TEST(DefinitionListTest, BuiltInDefinitionsLoadCleanly) {
  DefinitionList list;
  std::vector<std::string> messages;
  list.Load(BuiltInFragmentLines(), DirectiveKeywords("$_$_"),
            [&messages](const std::string& message, int) { messages.push_back(message); });
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_NE(list.Find(DefinitionKind::kTextFragment, "TEXT_HEADER"), nullptr);
  EXPECT_NE(list.Find(DefinitionKind::kTextFragment, "TEXT_FOOTER"), nullptr);
}

TEST(FragmentsFileTest, ReadsDefinitionsAndFollowsIncludes) {
  testing::TempFolder dir;
  dir.Write("frag.txt",
            "comment outside any definition\n"
            "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER\n"
            "-- end --\n"
            "$_$_END_BLOCK\n"
            "$_$_INCLUDE more.txt\n"
            "$_$_INCLUDE missing.txt\n"
            "$_$_PAGE 3\n"
            "$_$_RESET_HTML_FRAGMENT x\n");
  dir.Write("more.txt",
            "$_$_DEFINE_HTML_FRAGMENT Nav\r\n"
            "<a href=\"x\">x</a>\r\n"
            "$_$_END_BLOCK\r\n"
            "$_$_INCLUDE frag.txt\r\n");  // already being read: refused
  Messages messages;
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadFragmentsFile("frag.txt", dir.Path(), "", DirectiveKeywords(),
                                messages.Function(), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER", "-- end --",
                                             "$_$_END_BLOCK", "$_$_DEFINE_HTML_FRAGMENT Nav",
                                             "<a href=\"x\">x</a>", "$_$_END_BLOCK",
                                             "$_$_RESET_HTML_FRAGMENT x"}));
  EXPECT_EQ(messages.texts,
            (std::vector<std::string>{"INFO: Opened include file \"more.txt\"",
                                      "ERROR: Failed to open include file \"frag.txt\"",
                                      "ERROR: Failed to open include file \"missing.txt\"",
                                      "TAG ERROR: fragment file contains : $_$_PAGE 3"}));
}

TEST(FragmentsFileTest, LookupAndMissingFiles) {
  testing::TempFolder dir;
  const std::string second = dir.MakeFolder("shared");
  dir.Write("shared/f.txt", "##DEFINE_TEXT_FRAGMENT A\nline\n##END_BLOCK\n$_$_END_BLOCK\n");
  dir.MakeFolder("input/folder.txt");
  Messages messages;
  std::vector<std::string> lines;
  // Found in the second folder; the delimiter is the one in force.
  ASSERT_TRUE(ReadFragmentsFile("f.txt", dir.Path() + "input/", second, DirectiveKeywords("##"),
                                messages.Function(), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"##DEFINE_TEXT_FRAGMENT A", "line", "##END_BLOCK"}));
  EXPECT_TRUE(messages.texts.empty());
  lines.clear();
  ASSERT_TRUE(ReadFragmentsFile(second + "f.txt", "", "", DirectiveKeywords("##"),
                                messages.Function(), lines));  // a full path
  EXPECT_EQ(lines.size(), 3u);

  // Missing, or a folder: not found.
  EXPECT_FALSE(ReadFragmentsFile("none.txt", dir.Path(), second, DirectiveKeywords(),
                                 messages.Function(), lines));
  EXPECT_FALSE(ReadFragmentsFile("folder.txt", dir.Path() + "input/", "", DirectiveKeywords(),
                                 messages.Function(), lines));
  EXPECT_EQ(messages.texts, (std::vector<std::string>{"ERROR: Can't find file none.txt",
                                                      "ERROR: Can't find file folder.txt"}));
}

TEST(TextHeaderTest, LongTitlesBreakAtTheLastSpaceWithContinuations) {
  HeaderDocument document;
  document.page_width = 40;
  document.title = "The quick brown fox jumps over the lazy dog again";
  bool known = false;
  EXPECT_EQ(TextHeaderLine("TITLE", "", document, known),
            "| Title        : The quick brown fox   |\n"
            "|              : jumps over the lazy   |\n"
            "|              : dog again             |");
  EXPECT_TRUE(known);

  document.page_width = 72;
  document.title =
      "Annual report of the regional water board on the state of the rivers and "
      "canals in the year 2025";
  EXPECT_EQ(TextHeaderLine("title", "", document, known),
            "| Title        : Annual report of the regional water board on the      |\n"
            "|              : state of the rivers and canals in the year 2025       |");

  // Without a space in the title the break comes after the label and the
  // title is framed whole on the next line, unprefixed.
  document.title = std::string(60, 'x');
  EXPECT_EQ(TextHeaderLine("TITLE", "", document, known),
            "| Title        :                                                       |\n"
            "| " +
                std::string(60, 'x') + "         |");
  // A huge title is broken in linear time; every line stays in the box.
  document.title.clear();
  while (document.title.size() < 2000000) document.title += "word ";
  const std::string boxed = TextHeaderLine("TITLE", "", document, known);
  size_t rows = 0;
  for (const std::string& row : Split(boxed, '\n')) {
    ++rows;
    ASSERT_EQ(row.size(), 72u);
    ASSERT_TRUE(row.starts_with(rows == 1 ? "| Title        : word" : "|              : word"))
        << row;
  }
  EXPECT_EQ(rows, 2000000u / 5 / 10);  // ten words to a line, after the label too
  // Newlines in the title become spaces.
  document.title = "Two\nlines";
  EXPECT_EQ(TextHeaderLine("TITLE", "", document, known),
            "| Title        : Two lines                                             |");
}

TEST(TextHeaderTest, BoxLinesAndKinds) {
  HeaderDocument d;
  d.page_width = 40;
  d.author = "** UNKNOWN **";
  d.second_author = "Jo Byline";
  d.top_email = "first@example.org";
  d.output_file_name = "page.txt";
  d.output_size_text = "1,234 bytes (approx)";
  d.timestamp = "2026-01-02 03:04:05";
  struct Case {
    const char* kind;
    const char* argument;
    std::string expected;
  };
  const Case cases[] = {
      {"BOX_TOP", "", "/" + std::string(38, '-') + "\\"},
      {"BOX_BOTTOM", "", "\\" + std::string(38, '-') + "/"},
      {"BOX_MIDDLE", "", "|" + std::string(38, ' ') + "|"},
      {"AUTHOR", "", "| Author       : Jo Byline             |"},
      {"TOP_EMAIL", "", "| Email        : first@example.org     |"},
      {"OUT_FILENAME", "", "| File name    : page.txt              |"},
      {"OUT_FILESIZE", "", "| File size    : 1,234 bytes (approx)  |"},
      {"TIMESTAMP", "", "| Create date  : 2026-01-02 03:04:05   |"},
      {"COMMENT", "  Made for\nthe archive ",
       "| Made for                             |\n"
       "| the archive                          |"},
  };
  for (const Case& c : cases) {
    bool known = false;
    EXPECT_EQ(TextHeaderLine(c.kind, c.argument, d, known), c.expected) << c.kind;
    EXPECT_TRUE(known) << c.kind;
  }
  bool known = true;
  EXPECT_EQ(TextHeaderLine("BOX_SIDE", "", d, known), "");
  EXPECT_FALSE(known);
  EXPECT_EQ(TextHeaderLine("VERSION", "", d, known).substr(0, 25), "| Converted by : orvtext ");

  // A hostile page width still draws a box.
  d.page_width = -5;
  EXPECT_EQ(TextHeaderLine("BOX_TOP", "", d, known),
            "/" + std::string(kMinHeaderWidth - 2, '-') + "\\");
}

TEST(TextHeaderTest, SizeEstimate) {
  const std::pair<uint64_t, const char*> numbers[] = {{0, "0"},
                                                      {999, "999"},
                                                      {1000, "1,000"},
                                                      {1234567, "1,234,567"},
                                                      {1000001, "1,000,001"},
                                                      {12345678901, "12,345,678,901"}};
  for (const auto& [value, text] : numbers) EXPECT_EQ(FormatThousands(value), text);
  EXPECT_EQ(EstimatedSizeText(0, 0), "520 bytes (approx)");
  EXPECT_EQ(EstimatedSizeText(3, 2), "527 bytes (approx)");
  EXPECT_EQ(EstimatedSizeText(998000, 1000), "1,000,520 bytes (approx)");
}

TEST(FragmentExpanderTest, ExpandsTagsAndReportsTheUnknown) {
  DefinitionList definitions;
  definitions.Add(DefinitionKind::kTextFragment, "TEXT_FOOTER",
                  {"[[TEXT_HEADER BOX_TOP]]", "Made by [[VERSION]] at [[TIMESTAMP]]",
                   "[[TEXT_HEADER NO_SUCH_KIND]]", "[[TEXT_HEADER COMMENT two  words]]",
                   "keep [[BR]] and [[BOGUS x]] and [[open", "a [[b [[SOURCE_FILE]]",
                   "[[DEFINE_VARIABLE who=Ann]]hi [[VARIABLE who]] [[NEXT_PAGE]]!"});
  HeaderDocument document;
  document.page_width = 30;
  document.timestamp = "T";
  document.input_file_name = "in.htm";
  const Delimiters delimiters;
  Messages messages;
  FragmentExpander expander(definitions, delimiters, document, messages.Function());
  std::vector<std::string> lines = {"body"};
  ASSERT_TRUE(expander.ExpandFragment("text_footer", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "body",
                       "/" + std::string(28, '-') + "\\",
                       "Made by " + ProgramVersionText() + " at T",
                       "",
                       "| two  words                 |",
                       "keep [[BR]] and [[BOGUS x]] and [[open",
                       "a [[b in.htm",
                       "hi Ann !",
                   }));
  EXPECT_EQ(messages.texts,
            (std::vector<std::string>{
                "TAG ERROR: Unknown TEXT_HEADER tag type \"NO_SUCH_KIND\"",
                "TAG ERROR: Unknown fragment tag \"BR\"",
                "TAG ERROR: Unrecognised tag \"BOGUS\" : [[BOGUS x]]",
                "TAG ERROR: Incomplete tag, or nested tag - \"[[open\"",
                "TAG ERROR: Incomplete tag, or nested tag - \"[[b [[SOURCE_FILE]]\"",
            }));
  EXPECT_FALSE(expander.ExpandFragment("TEXT_HEADER", lines));

  // Hostile lines: many start delimiters, few ends. One report per tag.
  messages.texts.clear();
  const std::string starts(1000000, '[');
  EXPECT_EQ(expander.ExpandLine(starts + "[[TIMESTAMP]]"), starts + "T");
  EXPECT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(expander.ExpandLine(starts), starts);
  EXPECT_EQ(messages.texts.size(), 2u);
}

}  // namespace
}  // namespace orv
