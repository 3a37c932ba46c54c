// Tests of the table analysis run by the detag pass's whole-text pass:
// nesting and its messages, rows and cells with spans, failed and
// unterminated tables, headings inside tables, and the markup-removal
// cleaning of paragraph tags in cells.
#include "convert/table_analysis.h"

#include <gtest/gtest.h>

#include <random>

#include "common/text.h"
#include "convert/detag.h"

namespace orv {
namespace {

struct TablePass {
  std::string text;
  std::vector<std::string> messages;
  std::vector<std::string> blocks;
};

// Runs the whole-text pass over `html` and collects the text, the messages
// and the stored blocks.
TablePass WholeText(const std::string& html, DetagOptions options = {}) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  TablePass run;
  pass.BeginFile(options, DetagRequest{},
                 [&](const std::string& m, int) { run.messages.push_back(m); });
  run.text = html;
  pass.WholeTextPass(run.text);
  for (size_t n = 1; n <= pass.TextBlocks().Count(); ++n)
    run.blocks.emplace_back(*pass.TextBlocks().Find(static_cast<long>(n)));
  return run;
}

bool Has(const std::vector<std::string>& messages, const std::string& message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

TEST(TableAnalysisTest, NestedThreeDeepBecomesThreeBlocks) {
  const TablePass run = WholeText(
      "<table><tr><td>outer<table><tr><td>middle<table><tr><td>inner</td></tr></table>"
      "</td></tr></table></td><td>right</td></tr></table>");
  EXPECT_TRUE(Has(run.messages, "INFO: Parsed Table markup"));
  EXPECT_TRUE(Has(run.messages, "INFO: nested tables detected (3 levels)"));
  ASSERT_EQ(run.blocks.size(), 3u);
  EXPECT_EQ(run.blocks[0], "inner\n");
  EXPECT_EQ(run.blocks[1], "middle\ninner\n");
  EXPECT_EQ(run.blocks[2], "outer  right\nmiddle\ninner\n");
  EXPECT_NE(run.text.find("$_$_TEXTBLOCK 3"), std::string::npos);
  EXPECT_EQ(run.text.find("table"), std::string::npos);
}

// The width of the widest line of `block`.
size_t Widest(const std::string& block) {
  size_t widest = 0;
  for (const std::string& line : Split(block, '\n')) widest = std::max(widest, line.size());
  return widest;
}

TEST(TableAnalysisTest, NestedTablesFitTheCellsThatHoldThem) {
  const std::string words =
      "Many words that would like to spread out over a whole line of the page and more";
  // The first nested table of a row, and a second one whose enclosing
  // table lies before its match: both fit their cells, and the outer
  // table stays within the page width.
  const TablePass run = WholeText("<table border=1><tr><td><table border=1><tr><td>" + words +
                                  "</td></tr></table></td><td><table border=1><tr><td>" + words +
                                  "</td></tr></table></td><td>third</td></tr></table>");
  ASSERT_EQ(run.blocks.size(), 3u);
  EXPECT_LE(Widest(run.blocks[0]), 23u);
  EXPECT_LE(Widest(run.blocks[1]), 23u);
  EXPECT_LE(Widest(run.blocks[2]), 72u);
  EXPECT_TRUE(Has(run.messages, "INFO: nested tables detected (2 levels)"));
  // A table after a closed one is not nested.
  const TablePass after = WholeText("<table><tr><td><table><tr><td>x</td></tr></table></td></tr>"
                                    "</table><table border=1><tr><td>" + words + "</td></tr></table>");
  ASSERT_EQ(after.blocks.size(), 3u);
  EXPECT_GT(Widest(after.blocks[1]), 60u);  // stored second, in the first scan
}

TEST(TableAnalysisTest, ListItemsInACellAreNotSeparatedByBlankLines) {
  const TablePass run = WholeText(
      "<table><tr><td>" + std::string("\xFF\xFF" "CBR\xFF\xFF$_$_START_LIST\xFF\xFF" "CBR\xFF\xFF") +
      "\xFF\xFF" "CBR\xFF\xFF[[LI]]- one</li>\xFF\xFF" "CBR\xFF\xFF\n\xFF\xFF" "CBR\xFF\xFF[[LI]]- two"
      "\xFF\xFF" "CBR\xFF\xFF$_$_END_LIST\xFF\xFF" "CBR\xFF\xFF</td></tr></table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "  - one\n  - two\n");
}

TEST(TableAnalysisTest, DelimitedRowsAreOneRecordEach) {
  DetagOptions comma;
  comma.table_format = 2;
  const std::string list = "\xFF\xFF" "CBR\xFF\xFF$_$_START_LIST\xFF\xFF" "CBR\xFF\xFF"
                           "\xFF\xFF" "CBR\xFF\xFF[[LI]]- one\xFF\xFF" "CBR\xFF\xFF[[LI]]- two"
                           "\xFF\xFF" "CBR\xFF\xFF$_$_END_LIST\xFF\xFF" "CBR\xFF\xFF";
  const std::string html = "<table><tr><td>Name</td><td>Notes</td></tr><tr><td>Alpha</td><td>" +
                           list + "</td></tr><tr><td>Beta</td><td>first<br>\xFF\xFF" "BR\xFF\xFF"
                           "second</td></tr></table>";
  const TablePass run = WholeText(html, comma);
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0],
            "$_$_BEGIN_COMMA_DELIMITED_TABLE\n\"Name\",\"Notes\"\n\"Alpha\",\"- one - two\"\n"
            "\"Beta\",\"first second\"\n$_$_END_TABLE\n");
  DetagOptions tabs;
  tabs.table_format = 3;
  const TablePass tabbed = WholeText(html, tabs);
  ASSERT_EQ(tabbed.blocks.size(), 1u);
  EXPECT_NE(tabbed.blocks[0].find("\"Beta\"\t\"first second\"\n"), std::string::npos);
}

TEST(TableAnalysisTest, SpansPlaceCellsInTheirColumns) {
  struct Case {
    const char* html;
    const char* block;
  } cases[] = {
      {"<table><tr><td colspan=2>wide</td></tr><tr><td>a</td><td>b</td></tr></table>",
       "wide\na  b\n"},
      {"<table><tr><td rowspan=2>tall</td><td>b</td></tr><tr><td>c</td></tr></table>",
       "tall b\n     c\n"},
      // Header and data cells in any order, line feeds inside cells.
      {"<table>\n<tr><td>a</td><th>b\nc</th></tr>\n</table>", "a b c\n"},
      // Entities in cells are replaced; tags inside cells go.
      {"<table><tr><td><b>x</b> &amp; y</td></tr></table>", "x & y\n"},
  };
  for (const Case& c : cases) {
    const TablePass run = WholeText(c.html);
    ASSERT_EQ(run.blocks.size(), 1u) << c.html;
    EXPECT_EQ(run.blocks[0], c.block) << c.html;
  }
}

// A row's align and valign attributes are the defaults of its cells; a
// cell's own attributes win.
TEST(TableAnalysisTest, RowAttributesAlignTheirCells) {
  const std::string br = MakeDetagMarkers(false).break_mark;  // what the chunk pass makes of <br>
  const TablePass run = WholeText(
      "<table border=1><tr><td>wide cell</td><td>wide cell</td></tr>"
      "<tr align=right valign=bottom><td>r</td><td align=left>l" + br + "two</td></tr>"
      "<tr\talign=\"center\"><td>c</td><td>x</td></tr></table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0],
            "+---------+---------+\n"
            "|wide cell|wide cell|\n"
            "+---------+---------+\n"
            "|         |l        |\n"
            "|        r|two      |\n"
            "+---------+---------+\n"
            "|    c    |    x    |\n"
            "+---------+---------+\n");
}

TEST(TableAnalysisTest, TableWithoutCellsStaysText) {
  const TablePass run = WholeText("before <table><tr></tr></table> after");
  EXPECT_TRUE(Has(run.messages, "WARNING: failed to parse HTML table"));
  EXPECT_TRUE(run.blocks.empty());
  EXPECT_EQ(run.text, "before  after");

  // Inside another table the failed table's text lands in the cell.
  const TablePass nested =
      WholeText("<table><tr><td>a<table><tr>kept text</tr></table>b</td></tr></table>");
  ASSERT_EQ(nested.blocks.size(), 1u);
  EXPECT_EQ(nested.blocks[0], "akept textb\n");
}

TEST(TableAnalysisTest, CellBlanksCollapseOutsidePreformattedText) {
  const DetagMarkers m = MakeDetagMarkers(false);
  const TablePass run = WholeText("<table><tr><td>alpha beta\n        gamma\t\tdelta</td><td>" +
                                  m.start_pre + "a   b" + m.end_pre + "</td></tr></table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0].find("beta  "), std::string::npos) << run.blocks[0];
  EXPECT_NE(run.blocks[0].find("alpha beta gamma delta"), std::string::npos) << run.blocks[0];
  EXPECT_NE(run.blocks[0].find("a   b"), std::string::npos) << run.blocks[0];
}

TEST(TableAnalysisTest, RowAndCellEndsAreWholeTagNames) {
  // A </track> inside a cell is not the end of its row.
  const TablePass run = WholeText(
      "<table><tr><td>a<video><track src=x></track></video>b</td><td>c</td></table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "ab c\n");
}

TEST(TableAnalysisTest, TextOutsideCellsIsKeptInFrontOfTheTable) {
  const TablePass run = WholeText(
      "<table><caption>The caption</caption><tr>stray<td>a</td></tr> between "
      "<tr><td>b</td></tr> after</table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "a\nb\n");
  const size_t words = run.text.find("The caption stray between after");
  ASSERT_NE(words, std::string::npos) << run.text;
  EXPECT_LT(words, run.text.find("$_$_TEXTBLOCK 1"));
}

// A row's last cell is cut from the row's own text: what follows it in
// the row (words after the row's end, a cell start the scan for the last
// cell does not see) is still read, and so are the rows after it.
TEST(TableAnalysisTest, WhatFollowsARowsLastCellIsKept) {
  const TablePass run = WholeText(
      "<table><tr><td>a</td><td>b</td></tr> after b "
      "<tr><td>c<td</td><td>e</td></tr> stray "
      "<tr><td>d</td></tr></table>");
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "a b\nc e\nd\n");
  EXPECT_NE(run.text.find("after b stray"), std::string::npos) << run.text;
}

TEST(TableAnalysisTest, MissingRowEndsAreReportedOnceWithACount) {
  const TablePass run =
      WholeText("<table><tr><td>one</td><tr><td>two</td><tr><td>three</td></tr></table>");
  EXPECT_TRUE(Has(run.messages, "WARNING: Table row has a missing </TR> (2 times)"));
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "one\ntwo\nthree\n");
}

TEST(TableAnalysisTest, UnterminatedTableIsLeftToTheTagPass) {
  const TablePass run = WholeText("<table><tr><td>open</td></tr>");
  EXPECT_TRUE(run.blocks.empty());
  EXPECT_EQ(run.text, "open");
}

TEST(TableAnalysisTest, HeadingsInsideTablesLoseStatementsAndUnderline) {
  const DetagMarkers m = MakeDetagMarkers(false);
  const std::string html = "<table><tr><td>" + m.start_heading + "Title\n=====" + m.end_heading +
                           "body</td></tr></table>";
  DetagOptions flat;
  flat.headings_in_tables = false;
  const TablePass run = WholeText(html, flat);
  ASSERT_EQ(run.blocks.size(), 1u);
  EXPECT_EQ(run.blocks[0], "Title\nbody\n");

  const TablePass kept = WholeText(html);
  ASSERT_EQ(kept.blocks.size(), 1u);
  EXPECT_EQ(kept.blocks[0], "Title\n=====\nbody\n");
}

TEST(TableAnalysisTest, TableWidthAttributesNarrowNestedTables) {
  DetagOptions options;
  options.table_width = 72;
  // The outer table takes half the page and its cell half of that: the
  // inner table has 18 columns, 19 without a border, of which its one column
  // takes all but the one after it.
  const TablePass run = WholeText(
      "<table width=50%><tr><td width=50%><table><tr><td>aaaa bbbb cccc dddd eeee ffff</td>"
      "</tr></table></td></tr></table>",
      options);
  ASSERT_EQ(run.blocks.size(), 2u);
  EXPECT_EQ(run.blocks[0], "aaaa bbbb cccc\ndddd eeee ffff\n");
}

TEST(TableAnalysisTest, ManyTablesAreConvertedInOneScan) {
  std::string html;
  for (int i = 0; i < 2000; ++i)
    html += "<p>t</p><table><tr><td>a" + std::to_string(i) + "</td><td>b</td></tr></table>\n";
  const TablePass run = WholeText(html);
  EXPECT_EQ(run.blocks.size(), 2000u);
  EXPECT_EQ(run.blocks[1999], "a1999 b\n");
}

TEST(TableAnalysisTest, TagRemovalKeepsComparisons) {
  EXPECT_EQ(RemoveAllTags("a < b <i>and</i> c <= d << e <unclosed"),
            "a < b and c <= d << e <unclosed");
}

DetagOptions MarkupRemoval() {
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_p_from_tables = true;
  return options;
}

TEST(TableAnalysisTest, MarkupRemovalCleansParagraphsOutOfCells) {
  const TablePass run =
      WholeText("<p>out</p><table><tr><td><p>a</p><p class=x>b</p></td><td>plain</td></tr></table>",
                MarkupRemoval());
  EXPECT_TRUE(Has(run.messages, "INFO: Parsed Table markup"));
  EXPECT_EQ(run.text, "<p>out</p><table><tr><td>a<BR>b</td><td>plain</td></tr></table>");
}

TEST(TableAnalysisTest, MarkupRemovalRestoresNestedTables) {
  const TablePass run = WholeText(
      "<table><tr><td><p>x</p><table><tr><td><p>in</p></td></tr></table></td></tr></table>"
      "<table><tr><td>y</td></tr></table>",
      MarkupRemoval());
  EXPECT_TRUE(Has(run.messages, "INFO: nested tables detected (2 levels)"));
  EXPECT_EQ(run.text,
            "<table><tr><td>x<table><tr><td>in</td></tr></table></td></tr></table>"
            "<table><tr><td>y</td></tr></table>");
}

TEST(TableAnalysisTest, MarkupRemovalRemovesTableTagsAfterCleaning) {
  DetagOptions options = MarkupRemoval();
  options.remove_table_tags = true;
  const TablePass run = WholeText("<table><tr><td><p>a</p></td></tr></table>", options);
  EXPECT_EQ(run.text, "a");
}

// The cut as it was found before the walk over "<" was shared: two
// walks, the first pairing "<table" with the next "</table>", the second
// counting table depth up to where the first left a table open.
bool RefMayBeTableTag(std::string_view text, size_t at) {
  const char next = at + 2 < text.size() ? text[at + 1] : ' ';
  return next == 't' || next == 'T' || (next == '/' && (text[at + 2] == 't' || text[at + 2] == 'T'));
}

int RefTableTagKind(std::string_view text, size_t at) {
  const std::string_view rest = text.substr(at + 1);
  const bool end = !rest.empty() && rest[0] == '/';
  const std::string_view name = end ? rest.substr(1) : rest;
  auto is = [&](std::string_view tag) {
    if (name.size() < tag.size() || !EqualsNoCase(name.substr(0, tag.size()), tag)) return false;
    if (name.size() == tag.size()) return true;
    const char c = name[tag.size()];
    return IsBlank(c) || c == '>' || c == '/';
  };
  if (is("table")) return end ? 2 : 1;
  if (is("tr")) return 3;
  if (!end && (is("td") || is("th"))) return 4;
  return 0;
}

size_t ReferenceFreshTableCut(std::string_view text) {
  // The tables a scan finds, each from a "<table" to the first "</table>"
  // after it, and up to where every table opening has its end.
  std::vector<std::pair<size_t, size_t>> tables;  // opening, just after the end
  size_t limit = text.size();
  for (size_t at = 0;;) {
    const size_t open = FindNoCase(text, "<table", at);
    if (open == std::string_view::npos) break;
    const size_t close = FindNoCase(text, "</table>", open + 6);
    if (close == std::string_view::npos) {
      limit = open;
      break;
    }
    tables.emplace_back(open, close + 8);
    at = close + 8;
  }
  // Where tables are open as the tracker of enclosing tables counts them
  // ("<table" and "</table" in turn, whatever the scan pairs): a table left
  // open there (one never closed, or an outer one of nested tables) would
  // be enclosing for the tables after it in one text, and not in a part.
  std::vector<std::pair<size_t, size_t>> open_spans;  // from an opening to just after its end
  size_t depth = 0;
  for (size_t at = text.find('<'); at != std::string_view::npos && at < limit;
       at = text.find('<', at + 1)) {
    if (!RefMayBeTableTag(text, at)) continue;
    const int kind = RefTableTagKind(text, at);
    if (kind == 1 && depth++ == 0) open_spans.emplace_back(at, std::string_view::npos);
    if (kind == 2 && depth > 0 && --depth == 0) open_spans.back().second = at + 1;
  }
  // The end of a line at or before it, outside every table, with no "<"
  // just before.
  constexpr size_t kQuiet = 8;
  size_t k = tables.size();
  size_t o = open_spans.size();
  for (size_t cut = limit; cut > 0;) {
    const size_t feed = text.rfind('\n', cut - 1);
    if (feed == std::string_view::npos) return 0;
    const size_t after = feed + 1;
    while (k > 0 && tables[k - 1].first >= after) --k;
    if (k > 0 && tables[k - 1].second > after) {
      cut = tables[k - 1].first;  // a line end inside a table: look before it
      continue;
    }
    while (o > 0 && open_spans[o - 1].first >= after) --o;
    if (o > 0 && open_spans[o - 1].second > after) {
      cut = open_spans[o - 1].first;
      continue;
    }
    const size_t from = after > kQuiet ? after - kQuiet : 0;
    if (text.substr(from, after - from).find('<') == std::string_view::npos) return after;
    cut = feed;
  }
  return 0;
}


// Without nesting, the text-mode passes stop after the first application:
// on texts of tables, rows and cells in every arrangement (nested or not,
// left open, near-names, text outside cells), one more application of the
// table list to what they leave converts nothing, and with nesting they go
// on until it would not.
TEST(TableAnalysisTest, NoFurtherApplicationConvertsWhatThePassesLeft) {
  const char* const kPieces[] = {"<table>", "<TABLE border=1>", "</table>", "<tr>", "<td>", "</td>",
                                 "</tr>", "<th>", "x ", "\n", "<tablex>", "</tables>", "<b>", "</b>",
                                 "<table\n", "<td colspan=2>", "&amp;", "<p>", "<", "table",
                                 "<tab", "le>", "a < b", "<table<", ">"};
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  pass.BeginFile(DetagOptions{}, DetagRequest{}, {});
  TableAnalysis analysis(pass);
  PatternList list;
  list.AddCallback("<table%>**</table>",
                   [&analysis](PatternList& l, const Pattern&, long start, long end,
                               const std::string& text, size_t, void*) {
                     return analysis.HandleTextTable(l, start, end, text);
                   });
  auto expect_nothing_left = [&](std::string text) {
    const std::string html = text;
    analysis.RunTablePasses(list, text, {});
    ASSERT_EQ(list.ApplyInPlace(text), 0) << html;
  };
  // An opening tag that runs into the first row: the words kept from in
  // front of the rows bring back "<table", which the next application
  // converts.
  expect_nothing_left("<table\nx <tr>\n<td>a<th></td><td></table></b></table>");
  std::mt19937 rng(1207);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    for (int k = rng() % 30; k > 0; --k) text += kPieces[rng() % std::size(kPieces)];
    expect_nothing_left(text);
  }
}

// The cut against the two walks it once took, on texts of table tags in
// every case and nesting, tags left open, near-names ("<tablex>",
// "</tables>") and line ends everywhere.
TEST(FreshTableCutTest, OneWalkCutsWhereTwoDid) {
  const char* const kPieces[] = {"<table>", "<TABLE border=1>", "</table>", "</Table>", "<tr>", "<td>",
                                 "</tr>", "<th>", "\n", "\n", "x", "<", "<tab", "<tablex>",
                                 "</tables>", "<b>", "</table", "<table\n"};
  std::mt19937 rng(606);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    for (int k = rng() % 24; k > 0; --k) text += kPieces[rng() % std::size(kPieces)];
    ASSERT_EQ(FreshTableCut(text), ReferenceFreshTableCut(text)) << text;
  }
}

// Where the text of a growing document may be cut for its table scan:
// never inside a table, and never just after a "<" that may start one.
TEST(FreshTableCutTest, CutsOnlyWhereAScanIsIdle) {
  EXPECT_EQ(FreshTableCut(""), 0u);
  EXPECT_EQ(FreshTableCut("no line end"), 0u);
  EXPECT_EQ(FreshTableCut("plain\ntext\n"), 11u);
  EXPECT_EQ(FreshTableCut("a\n<TABLE><tr><td>x</td></tr></Table>\nb"), 37u);
  EXPECT_EQ(FreshTableCut("a\n<table><tr><td>x\nmore\n"), 2u);  // the table is still open
  EXPECT_EQ(FreshTableCut("<table>\n"), 0u);
  EXPECT_EQ(FreshTableCut("a\nb <tab\n"), 2u);  // "<tab" may go on to "<table"
  EXPECT_EQ(FreshTableCut("a\n<table>x</table><b\nc\n"), 2u);  // "<" too close to both later ends
  // A line end inside a closed table is no cut: the one before the table is.
  EXPECT_EQ(FreshTableCut("a\n<table border=1>\n<tr><td>x</td></tr>\n</table></html>\n"), 2u);
  EXPECT_EQ(FreshTableCut("a\n<table border=1>\n<tr><td>x</td></tr>\n</table>\nb\n"), 50u);
}

// The searches the row and cell walks once made, one search per question.
size_t RefFindTag(std::string_view text, std::string_view name, size_t from) {
  for (size_t at = from; (at = text.find('<', at)) != std::string_view::npos; ++at) {
    if (at + 1 + name.size() > text.size() || !EqualsNoCase(text.substr(at + 1, name.size()), name))
      continue;
    const size_t after = at + 1 + name.size();
    if (after >= text.size() || IsBlank(text[after]) || text[after] == '>' || text[after] == '/')
      return at;
  }
  return std::string_view::npos;
}

size_t RefFindCellStart(std::string_view text, size_t from) {
  const size_t td = RefFindTag(text, "td", from);
  const size_t th = RefFindTag(text, "th", from);
  return std::min(td, th);
}

// Texts of row and cell tags in every case, near-names ("<trx>", "</tdx"),
// end tags run straight into the next tag ("</tr<tr>"), stray "<" and "/",
// and text between them.
std::string RandomRowText(std::mt19937& rng) {
  const char* const kPieces[] = {"<tr>", "<TR class=x>", "</tr>", "</TR\n>", "</tr", "<tr", "<td>",
                                 "<TH>", "<td/>", "</td>", "</TD >", "<tdx>", "<trx>", "</trs>",
                                 "</t", "<", "/", ">", "x", " ", "\t", "<b>", "</b>", "<th",
                                 "</tr<tr>", "</td<td>", "<table>", "</table>"};
  std::string text;
  for (int k = static_cast<int>(rng() % 16); k > 0; --k) text += kPieces[rng() % std::size(kPieces)];
  return text;
}

// One walk from a row start finds what three searches found: the next row
// start, the first "</tr" after it, and (searching the row alone) whether
// the row has its "</tr".
TEST(TableRowWalkTest, OneWalkFindsWhatThreeSearchesFound) {
  std::mt19937 rng(1511);
  for (int n = 0; n < 50000; ++n) {
    const std::string text = RandomRowText(rng);
    for (size_t row_start = RefFindTag(text, "tr", 0); row_start != std::string_view::npos;
         row_start = RefFindTag(text, "tr", row_start + 3)) {
      const TableRowWalk walk = WalkTableRow(text, row_start);
      const size_t next = RefFindTag(text, "tr", row_start + 3);
      ASSERT_EQ(walk.next, next) << text << " @" << row_start;
      if (next == std::string_view::npos) {
        ASSERT_EQ(walk.first_end, RefFindTag(text, "/tr", row_start)) << text << " @" << row_start;
      } else {
        const std::string_view row = std::string_view(text).substr(row_start, next - row_start);
        ASSERT_EQ(walk.closed, RefFindTag(row, "/tr", 0) != std::string_view::npos)
            << text << " @" << row_start;
      }
    }
  }
}

// The cell boundary and whether a cell follows it, found in one walk, are
// the next cell start, else the next "</tr", else the next "</td", each
// searched on its own.
TEST(TableRowWalkTest, CellBoundaryIsFoundInOneWalk) {
  std::mt19937 rng(1512);
  for (int n = 0; n < 50000; ++n) {
    const std::string row = RandomRowText(rng);
    for (size_t from = 0; from <= row.size(); ++from) {
      size_t expected = RefFindCellStart(row, from);
      const bool cell = expected != std::string_view::npos;
      if (expected == std::string_view::npos) expected = RefFindTag(row, "/tr", from);
      if (expected == std::string_view::npos) expected = RefFindTag(row, "/td", from);
      if (expected == std::string_view::npos) expected = row.size();
      bool cell_follows = !cell;
      ASSERT_EQ(NextCellBoundary(row, from, cell_follows), expected) << row << " @" << from;
      ASSERT_EQ(cell_follows, cell) << row << " @" << from;
    }
  }
}

// Blank runs collapse in place as they did into a copy: outside the
// preformatted marks one space, inside them as written.
TEST(CollapseCellBlanksTest, InPlaceAsIntoACopy) {
  const DetagMarkers m = MakeDetagMarkers(false);
  auto reference = [&](const std::string& content) {
    std::string out;
    bool verbatim = false;
    for (size_t i = 0; i < content.size();) {
      const char c = content[i];
      if (c == '\xFF') {
        const std::string_view rest = std::string_view(content).substr(i);
        if (rest.starts_with(m.start_pre))
          verbatim = true;
        else if (rest.starts_with(m.end_pre))
          verbatim = false;
        out += c;
        ++i;
      } else if (c == ' ' || c == '\t') {
        size_t end = i;
        while (end < content.size() && (content[end] == ' ' || content[end] == '\t')) ++end;
        out += verbatim ? content.substr(i, end - i) : std::string(" ");
        i = end;
      } else {
        out += c;
        ++i;
      }
    }
    return out;
  };
  const std::string pieces[] = {" ", "  ", "\t", " \t ", "a", "word", "\n", "\xFF", m.start_pre,
                                m.end_pre, m.paragraph, m.line_break, "\xFF\xFF"};
  std::mt19937 rng(1513);
  for (int n = 0; n < 50000; ++n) {
    std::string content;
    for (int k = static_cast<int>(rng() % 14); k > 0; --k)
      content += pieces[rng() % std::size(pieces)];
    std::string collapsed = content;
    CollapseCellBlanks(collapsed, m);
    ASSERT_EQ(collapsed, reference(content)) << content;
  }
}

// The row text made with memchr against the byte-by-byte walk it replaced:
// line ends and tabs as blanks, line feeds as line-break marks in verbatim
// sections, marks and everything else as they are.
TEST(RowWithoutLineFeedsTest, AsTheByteByByteWalk) {
  const DetagMarkers m = MakeDetagMarkers(false);
  auto reference = [&](std::string_view row) {
    std::string out;
    bool verbatim = false;
    for (size_t i = 0; i < row.size(); ++i) {
      const char c = row[i];
      if (c == '\xFF') {
        const std::string_view rest = row.substr(i);
        if (rest.starts_with(m.start_pre) || rest.starts_with(m.start_heading))
          verbatim = true;
        else if (rest.starts_with(m.end_pre) || rest.starts_with(m.end_heading))
          verbatim = false;
        out += c;
      } else if (c == '\n' && verbatim) {
        out += m.line_break;
      } else if (c == '\n' || c == '\t' || c == '\r') {
        out += ' ';
      } else {
        out += c;
      }
    }
    return out;
  };
  const std::string pieces[] = {"\n", "\t", "\r", "\r\n", "a", "<td>", " ", "\xFF", m.start_pre,
                                m.end_pre, m.start_heading, m.end_heading, m.paragraph, "words"};
  std::mt19937 rng(1519);
  std::string out = "left over";
  for (int n = 0; n < 50000; ++n) {
    std::string row;
    for (int k = static_cast<int>(rng() % 14); k > 0; --k) row += pieces[rng() % std::size(pieces)];
    RowWithoutLineFeeds(row, m, out);
    ASSERT_EQ(out, reference(row)) << row;
  }
}

}  // namespace
}  // namespace orv
