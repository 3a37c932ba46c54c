// Tests of the text table: column widths from content and declared widths,
// fitting to the available width, borders and rule rows, spans, vertical
// alignment, nested blocks, and the delimited formats.
#include "textout/text_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>

#include "common/text.h"
#include "html/parsed_tag.h"

namespace orv {
namespace {

struct CellSpec {
  int row;
  std::string tag;
  std::string content;
};

struct Table {
  DetagOptions options;
  DetagMarkers markers = MakeDetagMarkers(false);
  TextBlockStore blocks;
};

// Adds cells given row by row, placing each in the next free column.
void Fill(TextTable& table, const std::vector<CellSpec>& cells) {
  int row = 0;
  int column = 0;
  for (const CellSpec& cell : cells) {
    if (cell.row != row) {
      row = cell.row;
      column = 0;
      table.SetRowAttributes(row, 0, 1);
    }
    ++column;
    while (table.RowSpanCovers(column)) ++column;
    table.AddCell(row, column, cell.tag, cell.content);
  }
}

std::string RenderTable(TextTable& table) {
  std::string out;
  EXPECT_TRUE(table.Render(out));
  return out;
}

// Builds a table from cells given row by row and renders it.
std::string Render(Table& t, std::string_view table_tag, const std::vector<CellSpec>& cells,
                   int width = 72) {
  TextTable table(t.options, t.markers, table_tag, t.blocks, width, false);
  Fill(table, cells);
  return RenderTable(table);
}

TEST(TextTableTest, DeclaredWidthLimitsHowFarAColumnGrows) {
  // A width of 210 pixels is 21 columns, declared as 20: the column may grow
  // to 26 (130 percent); 110 pixels declare 10, which may grow to 14 (+4).
  // The longest word ("together") still sets the least width.
  struct Case {
    const char* tag;
    int expected;
  } cases[] = {{"<td width=210>", 26}, {"<td width=110>", 14}, {"<td width=\"21pts\">", 8}};
  const std::string words =
      "many words that together are much longer than any declared width of a column here";
  for (const Case& c : cases) {
    Table t;
    TextTable table(t.options, t.markers, "<table>", t.blocks, 72, false);
    Fill(table, {{1, c.tag, words}, {1, "<td>", "x"}});
    RenderTable(table);
    EXPECT_EQ(table.Columns()[0].width, c.expected) << c.tag;
  }
}

// A width no page has (503,333,333 pixels, fifty million columns) caps
// nothing and overflows nothing: the cells keep their text.
TEST(TextTableTest, AnAbsurdDeclaredWidthKeepsTheCells) {
  Table t;
  const std::string out =
      Render(t, "<table border=1>", {{1, "<td width=503333333333>", "first"}, {1, "<td>", "second"},
                                     {2, "<th width=503333333>", "third"}, {2, "<td>", "fourth"}});
  for (const char* word : {"first", "second", "third", "fourth"})
    EXPECT_NE(out.find(word), std::string::npos) << word << " in\n" << out;
}

TEST(TextTableTest, AnUnbreakableWordAsksForAtMost78Columns) {
  Table t;
  t.options.adjust_table_to_page = false;
  TextTable table(t.options, t.markers, "<table>", t.blocks, 200, false);
  const std::string word(100, 'w');
  Fill(table, {{1, "<td>", word}});
  const std::string out = RenderTable(table);
  EXPECT_EQ(table.Columns()[0].minimum, 78);
  // The word itself is not cut.
  EXPECT_NE(out.find(word), std::string::npos);
}

TEST(TextTableTest, BorderedGridWithSpanningCell) {
  Table t;
  const std::string out = Render(t, "<table border=1>",
                                 {{1, "<td>", "Name"},
                                  {1, "<td align=right>", "Price"},
                                  {2, "<td>", "Apple"},
                                  {2, "<td align=right>", "1.20"},
                                  {3, "<td colspan=2 align=center>", "All sold"}});
  EXPECT_EQ(out,
            "+-----+-----+\n"
            "|Name |Price|\n"
            "+-----+-----+\n"
            "|Apple| 1.20|\n"
            "+-----+-----+\n"
            "| All sold  |\n"
            "+-----+-----+\n");
}

TEST(TextTableTest, WithoutBorderTheTableHasOneMoreColumnOfRoom) {
  Table t;
  TextTable bordered(t.options, t.markers, "<table border=2>", t.blocks, 40, false);
  TextTable plain(t.options, t.markers, "<table>", t.blocks, 40, false);
  EXPECT_TRUE(bordered.HasBorder());
  EXPECT_FALSE(plain.HasBorder());
  EXPECT_EQ(bordered.AvailableWidth(), 40);
  EXPECT_EQ(plain.AvailableWidth(), 41);
  // Nested tables lose their border while suppression is on.
  TextTable nested(t.options, t.markers, "<table border=2>", t.blocks, 40, true);
  EXPECT_FALSE(nested.HasBorder());
}

TEST(TextTableTest, RuleRowBecomesDashesAndDropsTheBorder) {
  Table t;
  const std::string out = Render(
      t, "<table border=1>",
      {{1, "<td>", "abc"}, {1, "<td>", "de"}, {2, "<td colspan=2>", "$_$_LINE"}, {3, "<td>", "f"}});
  EXPECT_EQ(out,
            "abc de\n"
            "------\n"
            "f\n");
}

TEST(TextTableTest, WideContentIsWrappedToTheAvailableWidth) {
  Table t;
  std::string long_text;
  for (int i = 0; i < 30; ++i) long_text += "word" + std::to_string(i) + " ";
  const std::string out =
      Render(t, "<table border=1>", {{1, "<td>", "short"}, {1, "<td>", long_text}}, 40);
  for (const std::string& line : SplitLines(out)) EXPECT_LE(line.size(), 40u) << line;
  EXPECT_NE(out.find("|short|word0 word1"), std::string::npos) << out;
  // Nothing is lost in the wrapping.
  std::string joined;
  for (const std::string& line : SplitLines(out)) joined += line;
  EXPECT_NE(joined.find("word29"), std::string::npos);
}

TEST(TextTableTest, TargetWidthFromTheTableTagWidensTheColumns) {
  Table t;
  const std::string out =
      Render(t, "<table width=\"50%\" border=1>", {{1, "<td>", "a"}, {1, "<td>", "b"}});
  // Half of 72 columns, border included.
  EXPECT_EQ(SplitLines(out)[0].size(), 36u) << out;
}

TEST(TextTableTest, RowSpanKeepsItsColumnFree) {
  Table t;
  const std::string out = Render(t, "<table>",
                                 {{1, "<td rowspan=2>", "Tall"},
                                  {1, "<td>", "b"},
                                  {2, "<td>", "c"},
                                  {3, "<td>", "d"},
                                  {3, "<td>", "e"}});
  EXPECT_EQ(out,
            "Tall b\n"
            "     c\n"
            "d    e\n");
}

TEST(TextTableTest, VerticalAlignmentOfShortCells) {
  Table t;
  const std::string out = Render(t, "<table>",
                                 {{1, "<td>", "one<br>two<br>three"},
                                  {1, "<td valign=bottom>", "low"},
                                  {1, "<td valign=middle>", "mid"}});
  // <br> is already a mark by now.
  EXPECT_EQ(out, "one<br>two<br>three low mid\n");
  const std::string br = t.markers.break_mark;
  const std::string stacked = Render(t, "<table>",
                                     {{1, "<td>", "one" + br + "two" + br + "three"},
                                      {1, "<td valign=bottom>", "low"},
                                      {1, "<td valign=middle>", "mid"}});
  EXPECT_EQ(stacked,
            "one\n"
            "two       mid\n"
            "three low\n");
}

// A line led by its only alignment tag is drawn with that alignment and
// without the tag, as one with more tags (or a tag in another case, which
// stays) is.
TEST(TextTableTest, LeadingAlignmentTagsAlignTheirLines) {
  Table t;
  const std::string br = t.markers.break_mark;
  const std::string out = Render(t, "<table border=1>",
                                 {{1, "<td>", "[[RIGHT]]ab" + br + "cd" + br + "wider cell"},
                                  {1, "<td>", "[[CENTER]]x" + br + "y" + br + "longer line"},
                                  {2, "<td>", "[[left]]q"},
                                  {2, "<td>", "[[RIGHT]]a[[CENTER]]b"}});
  EXPECT_EQ(out,
            "+----------+-----------+\n"
            "|        ab|     x     |\n"
            "|        cd|     y     |\n"
            "|wider cell|longer line|\n"
            "+----------+-----------+\n"
            "|[[left]]q |         ab|\n"
            "+----------+-----------+\n");
}

TEST(TextTableTest, NestedBlockIsExpandedIntoItsCell) {
  Table t;
  t.blocks.Add("+--+\n|ab|\n+--+\n");
  const std::string nested = t.markers.start_pre + "$_$_TEXTBLOCK 1" + t.markers.end_pre;
  TextTable table(t.options, t.markers, "<table>", t.blocks, 72, false);
  table.SetRowAttributes(1, 0, 1);
  int column = 1;
  table.AddCell(1, column, "<td>", "x" + nested);
  column = 2;
  table.AddCell(1, column, "<td>", "y");
  std::string out;
  ASSERT_TRUE(table.Render(out));
  EXPECT_EQ(out,
            "x    y\n"
            "+--+\n"
            "|ab|\n"
            "+--+\n");
  EXPECT_EQ(table.Columns()[0].fixed, 4);
}

TEST(TextTableTest, ListsInsideCellsAreIndented) {
  Table t;
  const DetagMarkers& m = t.markers;
  const std::string content =
      "Items" + m.start_list + m.list_item + "- one" + m.list_item + "- two" + m.end_list;
  EXPECT_EQ(Render(t, "<table>", {{1, "<td>", content}, {1, "<td>", "z"}}),
            "Items   z\n"
            "  - one\n"
            "  - two\n");
}

// Lines of several cells pass through the same buffers while the grid is
// written: an aligned line wrapped inside a list keeps its tag on the first
// piece only, its indentation on every piece, and nothing of one cell's line
// shows up in the next.
TEST(TextTableTest, WrappedAlignedLinesInListsAndShortCellsAfterThem) {
  Table t;
  const DetagMarkers& m = t.markers;
  const std::string listed = "Head" + m.start_list + m.list_item +
                             "[[RIGHT]]  alpha beta gamma delta epsilon zeta eta theta" +
                             m.end_list + m.line_break + "[[CENTER]]mid";
  const std::string out = Render(t, "<table border=1 width=40>",
                                 {{1, "<td width=200>", listed},
                                  {1, "<td align=right>", "r"},
                                  {2, "<td>", "[[CENTER]]c"},
                                  {2, "<td align=center>", "x"}},
                                 40);
  EXPECT_EQ(out,
            "+------------------------+-+\n"
            "|Head                    |r|\n"
            "|        alpha beta gamma| |\n"
            "|      delta epsilon zeta| |\n"
            "|               eta theta| |\n"
            "|          mid           | |\n"
            "+------------------------+-+\n"
            "|           c            |x|\n"
            "+------------------------+-+\n");
}

TEST(TextTableTest, TableWithoutColumnsDoesNotRender) {
  Table t;
  TextTable table(t.options, t.markers, "<table>", t.blocks, 72, false);
  table.SetRowAttributes(1, 0, 1);
  std::string out = "kept";
  EXPECT_FALSE(table.Render(out));
  EXPECT_EQ(out, "kept");
}

TEST(TextTableTest, EmptyCellsKeepTheirColumnsAtWidthZero) {
  Table t;
  EXPECT_EQ(Render(t, "<table border=1>",
                   {{1, "<td>", "a"}, {1, "<td>", ""}, {1, "<td>", "c"}, {2, "<td>", ""}}),
            "+-++-+\n"
            "|a||c|\n"
            "+-++-+\n"
            "| || |\n"
            "+-++-+\n");
}

TEST(TextTableTest, DelimitedFormats) {
  struct Case {
    int format;
    bool markers;
    std::vector<CellSpec> cells;
    const char* expected;
  } cases[] = {
      // Two columns: quoted, inner quotes doubled, statements around.
      {2,
       true,
       {{1, "<td>", "a,b"}, {1, "<td>", "say \"hi\""}, {2, "<td colspan=2>", "wide"}},
       "$_$_BEGIN_COMMA_DELIMITED_TABLE\n\"a,b\",\"say \"\"hi\"\"\"\n\"wide\",\n$_$_END_TABLE\n"},
      {3,
       true,
       {{1, "<td>", "x"}, {1, "<td>", "[[CENTER]]y"}, {2, "<td>", ""}, {2, "<td>", "z"}},
       "$_$_BEGIN_DELIMITED_TABLE\n\"x\"\t\"y\"\n\"\"\t\"z\"\n$_$_END_TABLE\n"},
      {2, false, {{1, "<td>", "x"}, {1, "<td>", "y"}}, "\"x\",\"y\"\n"},
      // One column: no quotes and no statements.
      {2, true, {{1, "<td>", "one, two"}, {2, "<td>", "three"}}, "one, two\nthree\n"},
  };
  for (const Case& c : cases) {
    Table t;
    t.options.table_format = c.format;
    t.options.delimited_table_markers = c.markers;
    EXPECT_EQ(Render(t, "<table border=1>", c.cells), c.expected);
  }
}

TEST(TextTableTest, NestedTableInDelimitedFormatIsAGridWhenOnlyInnermostAreConverted) {
  Table t;
  t.options.table_format = 2;
  TextTable nested(t.options, t.markers, "<table>", t.blocks, 72, true);
  EXPECT_EQ(nested.Format(), TableFormat::kTextGrid);
  t.options.innermost_tables_only = false;
  TextTable converted(t.options, t.markers, "<table>", t.blocks, 72, true);
  EXPECT_EQ(converted.Format(), TableFormat::kCommaDelimited);
}

TEST(TextTableTest, MarkersIndentAndCentring) {
  Table t;
  t.options.start_table_marker = "[table]";
  t.options.end_table_marker = "[end]";
  t.options.table_indent = 2;
  EXPECT_EQ(Render(t, "<table>", {{1, "<td>", "a"}, {1, "<td>", "b"}}, 20),
            "[table]\n  a b\n[end]\n");
  Table centred;
  // 21 columns of room (no border), a line of 3: 9 spaces in front.
  EXPECT_EQ(Render(centred, "<table align=center>", {{1, "<td>", "a"}, {1, "<td>", "b"}}, 20),
            "         a b\n");
}

TEST(TextTableTest, HugeColumnSpanIsClamped) {
  Table t;
  TextTable table(t.options, t.markers, "<table>", t.blocks, 72, false);
  Fill(table, {{1, "<td colspan=99999999>", "x"}});
  RenderTable(table);
  EXPECT_EQ(table.Columns().size(), static_cast<size_t>(kMaxColumnSpan));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(TextTableTest, ManyRulesInADelimitedCellTakeLinearTime) {
  // 300,000 rules on one line, each ended by a mark: taken out one by one,
  // each followed by a search from the start, they took many seconds; in
  // one pass, a fraction of one.
  constexpr int kRules = 300000;
  std::string content;
  for (int i = 0; i < kRules; ++i) content += "x$_$_LINE\xFF";
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    Table t;
    t.options.table_format = 2;
    const auto start = std::chrono::steady_clock::now();
    const std::string out = Render(t, "<table>", {{1, "<td>", content}});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
    EXPECT_EQ(out.find("$_$_LINE"), std::string::npos);
    EXPECT_NE(out.find('x'), std::string::npos);
  }
  EXPECT_LT(best, 3.0);
}

// The cells' lines share one store: lines rewritten while a cell is added
// (a rule drawn at its length) or while the grid is laid out (a list
// indented, a long line wrapped) go to its end, and the lines of the cells
// around them stay as they were.
TEST(TextTableTest, RewrittenCellLinesLeaveTheOtherCellsAlone) {
  Table t;
  const DetagMarkers& m = t.markers;
  const std::string listed = "L" + m.start_list + m.list_item + "- one" + m.end_list;
  const std::string out = Render(t, "<table>",
                                 {{1, "<td>", listed},
                                  {1, "<td>", "$_$_LINE 3"},
                                  {1, "<td>", "plain"},
                                  {2, "<td>", "alpha beta gamma"},
                                  {2, "<td>", "x"},
                                  {2, "<td>", "$_$_LINE 2"}},
                                 20);
  EXPECT_EQ(out,
            "L          --- plain\n"
            "  - one\n"
            "alpha beta x   -----\n"
            "gamma\n");
}

// Cells are rendered row by row whatever order their rows were added in.
TEST(TextTableTest, CellsOfAnEarlierRowAddedLaterGoInTheirRow) {
  Table t;
  TextTable table(t.options, t.markers, "<table>", t.blocks, 72, false);
  table.SetRowAttributes(1, 0, 1);
  table.SetRowAttributes(2, 0, 1);
  int column = 1;
  table.AddCell(2, column, "<td>", "second");
  column = 1;
  table.AddCell(1, column, "<td>", "first");
  column = 2;
  table.AddCell(2, column, "<td>", "b");
  column = 2;
  table.AddCell(1, column, "<td>", "a");
  EXPECT_EQ(RenderTable(table),
            "first  a\n"
            "second b\n");
}

// Marks are taken out of a cell's text in place: runs of them, marks at
// either end and marks longer than what replaces them.
TEST(TextTableTest, MarksAtTheEndsAndSideBySideBecomeLines) {
  Table t;
  const DetagMarkers& m = t.markers;
  const std::string content = m.line_break + "a" + m.paragraph + m.line_break + "b" + m.line_break +
                              m.line_break + "c" + m.start_heading + "d" + m.end_heading +
                              m.line_break;
  EXPECT_EQ(Render(t, "<table>", {{1, "<td>", content}}), "a\n\nb\n\nc\nd\n");
}

// A cell tag's attributes read in one walk, and kept in the cache, are
// what looking each up in the parsed tag gives: the first of each name in
// any case, quoted or not, or none.
TEST(CellTagAttributesTest, OneWalkAndTheCacheGiveWhatEachLookUpGives) {
  const char* const kPieces[] = {" width=10", " WIDTH=\"40%\"", " align=left", " Align='right'",
                                 " valign=top", " VALIGN", " colspan=2", " colSpan=\"3\"",
                                 " rowspan=2", " nowrap", " NoWrap=\"\"", " class=x", " width",
                                 " alignx=1", " =", "\t", " ", "\"", ">", " style=\"a b\"",
                                 " title=\"a title longer than a cell tag the cache keeps, which goes on and on and on, and on and on, past any bound the cache sets on what it keeps\""};
  std::mt19937 random(1520);
  CellTagCache cache;
  std::vector<std::string> seen;
  for (int round = 0; round < 20000; ++round) {
    std::string tag = random() % 2 ? "<td" : "<TH";
    for (size_t k = random() % 6; k > 0; --k) tag += kPieces[random() % std::size(kPieces)];
    tag += ">";
    if (!seen.empty() && random() % 4 == 0) tag = seen[random() % seen.size()];
    seen.push_back(tag);
    if (round % 1000 == 0) cache.Trim();
    const TagAttributes parsed(tag);
    const CellTagAttributes read = CellTagAttributes::Read(tag);
    const CellTagAttributes cached = cache.Find(tag);
    const std::pair<const char*, std::optional<std::string_view> CellTagAttributes::*> names[] = {
        {"valign", &CellTagAttributes::valign}, {"align", &CellTagAttributes::align},
        {"colspan", &CellTagAttributes::colspan}, {"nowrap", &CellTagAttributes::nowrap},
        {"width", &CellTagAttributes::width},   {"rowspan", &CellTagAttributes::rowspan}};
    for (const auto& [name, member] : names) {
      std::string value;
      const std::optional<std::string> expected =
          parsed.Get(name, value) ? std::optional<std::string>(value) : std::nullopt;
      ASSERT_EQ(read.*member, expected) << tag << " " << name;
      ASSERT_EQ(cached.*member, expected) << tag << " " << name;
    }
  }
}

}  // namespace
}  // namespace orv
