// Tests of the list handlers: number labels and bullets table by table,
// then lists run through the chunk pass (statements, labels, counters,
// definition levels, nesting errors) and laid out as a reader sees them.
#include "convert/lists.h"

#include <gtest/gtest.h>

#include "textout/converted_text.h"

namespace orv {
namespace {

using Lines = std::vector<std::string>;
using testing::ConvertedText;

const std::string kDot = "\xB7";

// ---- Labels ----

struct LabelCase {
  int number;
  int kind;
  const char* label;
};

TEST(ListLabelTest, NumbersInEachKind) {
  const LabelCase cases[] = {
      {7, kDecimalList, "7"},
      {-3, kDecimalList, "-3"},
      {1, kLowerLetterList, "a"},
      {26, kLowerLetterList, "z"},
      {27, kLowerLetterList, "aa"},
      {52, kLowerLetterList, "az"},
      {702, kLowerLetterList, "zz"},
      {703, kLowerLetterList, "aaa"},
      {18278, kUpperLetterList, "ZZZ"},
      {28, kUpperLetterList, "AB"},
      {1, kLowerRomanList, "i"},
      {4, kLowerRomanList, "iv"},
      {9, kLowerRomanList, "ix"},
      {14, kLowerRomanList, "xiv"},
      {40, kLowerRomanList, "xl"},
      {90, kLowerRomanList, "xc"},
      {400, kLowerRomanList, "cd"},
      {900, kLowerRomanList, "cm"},
      {1999, kLowerRomanList, "mcmxcix"},
      {3999, kUpperRomanList, "MMMCMXCIX"},
      {2024, kUpperRomanList, "MMXXIV"},
      // What letters or roman numerals cannot write keeps its number.
      {0, kLowerLetterList, "0"},
      {18279, kLowerLetterList, "18279"},
      {0, kLowerRomanList, "0"},
      {-2, kUpperRomanList, "-2"},
      {4000, kLowerRomanList, "4000"},
  };
  for (const LabelCase& c : cases)
    EXPECT_EQ(ListNumberLabel(c.number, c.kind), c.label) << c.number << " kind " << c.kind;
}

TEST(ListLabelTest, OrderedListTypesAreComparedExactly) {
  EXPECT_EQ(OrderedListKind(std::nullopt), kDecimalList);
  EXPECT_EQ(OrderedListKind("1"), kDecimalList);
  EXPECT_EQ(OrderedListKind("a"), kLowerLetterList);
  EXPECT_EQ(OrderedListKind("A"), kUpperLetterList);
  EXPECT_EQ(OrderedListKind("i"), kLowerRomanList);
  EXPECT_EQ(OrderedListKind("I"), kUpperRomanList);
  EXPECT_EQ(OrderedListKind(" a"), kDecimalList);
  EXPECT_EQ(OrderedListKind("disc"), kDecimalList);
  EXPECT_EQ(OrderedListKind(""), kDecimalList);
}

TEST(ListLabelTest, IntegersParseStrictly) {
  EXPECT_EQ(ParseListInteger("5"), 5);
  EXPECT_EQ(ParseListInteger(" 12 "), 12);
  EXPECT_EQ(ParseListInteger("-4"), -4);
  EXPECT_EQ(ParseListInteger("+3"), 3);
  EXPECT_EQ(ParseListInteger("999999999"), 999999999);
  for (const char* bad : {"", " ", "-", "5x", "x5", "1.5", "1234567890", "99999999999999999999"})
    EXPECT_EQ(ParseListInteger(bad), std::nullopt) << bad;
}

TEST(ListLabelTest, BulletsPerLevel) {
  const std::string defaults = "middot,middot,middot,middot,middot,middot";
  for (int depth = 1; depth <= 6; ++depth) EXPECT_EQ(ListBullet(defaults, depth), kDot + " ");
  EXPECT_EQ(ListBullet(defaults, 7), "- ");
  EXPECT_EQ(ListBullet(defaults, 0), "- ");
  EXPECT_EQ(ListBullet("middot,middot", 3), "- ");
  EXPECT_EQ(ListBullet(" o , + ", 2), "+ ");
  EXPECT_EQ(ListBullet("MiDdOt", 1), kDot + " ");
  EXPECT_EQ(ListBullet("*,,#", 2), "- ");  // an empty entry is no bullet
  EXPECT_EQ(ListBullet("", 1), "- ");
}

// ---- Marked-up text of the chunk pass ----

TEST(ListHandlerTest, OrderedListsCountFromTheirStart) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  // A value attribute numbers its own item and leaves the count alone.
  // Shorter labels are padded to the widest label of their list.
  const std::string pad(1, kLabelPad);
  EXPECT_EQ(c.Chunk("<ol start=5><li>a<li value=10>b<LI>c</ol>"),
            m.start_list + m.list_item + pad + "5) a" + m.list_item + "10) b" + m.list_item + pad +
                "7) c" + m.end_list);
  EXPECT_EQ(c.Chunk("<ol type=i start=\"1999\"><li>x</ol><ol type=I start=3><li>y<li>z</ol>"),
            m.start_list + m.list_item + "mcmxcix) x" + m.end_list + m.start_list + m.list_item +
                "III) y" + m.list_item + pad + "IV) z" + m.end_list);
  // A start that is not a number starts at 1; so does every new list.
  EXPECT_EQ(c.Chunk("<ol type=a start=many><li>x<li>y</ol><ol><li>z</ol>"),
            m.start_list + m.list_item + "a) x" + m.list_item + "b) y" + m.end_list + m.start_list +
                m.list_item + "1) z" + m.end_list);
  EXPECT_TRUE(c.ProgramErrors().empty());
}

TEST(ListHandlerTest, NestedListsKeepTheirOwnCounters) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  EXPECT_EQ(c.Chunk("<ol><li>a<ol type=a><li>b<li>c</ol><li>d<ul class=x><li>e</ul></ol>"),
            m.start_list + m.list_item + "1) a" + m.start_list + m.list_item + "a) b" +
                m.list_item + "b) c" + m.end_list + m.list_item + "2) d" + m.start_list +
                m.list_item + kDot + " e" + m.end_list + m.end_list);
}

TEST(ListHandlerTest, BulletsFollowTheDepth) {
  DetagOptions options;
  options.bullet_characters = "o,+";
  ConvertedText c(options);
  const DetagMarkers& m = c.pass.Markers();
  EXPECT_EQ(c.Chunk("<ul><li>1<ul><li>2<ul><li>3</ul></ul></ul>"),
            m.start_list + m.list_item + "o 1" + m.start_list + m.list_item + "+ 2" + m.start_list +
                m.list_item + "- 3" + m.end_list + m.end_list + m.end_list);
}

TEST(ListHandlerTest, DescriptionsStandOneLevelDeeper) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  const std::string& line = m.statement;
  // Terms and descriptions get a line each and no label; a description
  // opens a level, the next term closes it, the list end closes whatever
  // is open.
  EXPECT_EQ(c.Chunk("<dl><dt>T1<dd>D1<dd>D2<dt>T2<dd>D3</dl>"),
            m.start_list + line + "T1" + m.start_list + line + "D1" + line + "D2" + m.end_list +
                line + "T2" + m.start_list + line + "D3" + m.end_list + m.end_list);
  // A list inside a description is closed by its own end tag, not by its
  // terms, and the outer list still balances.
  EXPECT_EQ(c.Chunk("<dl><dt>A<dd>a<dl><dt>B<dd>b</dl><dt>C</dl>"),
            m.start_list + line + "A" + m.start_list + line + "a" + m.start_list + line + "B" +
                m.start_list + line + "b" + m.end_list + m.end_list + m.end_list + line + "C" +
                m.end_list);
  EXPECT_TRUE(c.ProgramErrors().empty());
}

TEST(ListHandlerTest, TooManyEndTagsAreReportedAndVanish) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  EXPECT_EQ(c.Chunk("a</ul><ul><li>b</ul></ol>c"),
            "a" + m.start_list + m.list_item + kDot + " b" + m.end_list + "c");
  EXPECT_EQ(c.ProgramErrors(), (Lines{"PROGRAM ERROR: Too many end list tags",
                                      "PROGRAM ERROR: Too many end list tags"}));
}

TEST(ListHandlerTest, NestingStopsAtTheDeepestLevelAndStillBalances) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  std::string html;
  for (int i = 0; i < 101; ++i) html += "<ul>";
  html += "<li>deep";
  for (int i = 0; i < 101; ++i) html += "</ul>";
  const std::string text = c.Chunk(html);
  auto count = [&text](const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  // The two levels beyond the deepest are refused; each start statement
  // still has its end, so the layout's indentation comes back to zero.
  EXPECT_EQ(count(m.start_list), 99u);
  EXPECT_EQ(count(m.end_list), 99u);
  EXPECT_NE(text.find(m.list_item + "- deep"), std::string::npos);
  EXPECT_EQ(
      c.ProgramErrors(),
      (Lines{"PROGRAM ERROR: Max list depth reached", "PROGRAM ERROR: Max list depth reached",
             "PROGRAM ERROR: Too many end list tags", "PROGRAM ERROR: Too many end list tags"}));
}

// A list cut by a chunk end (one longer than the chunk reader lets a chunk
// grow) goes on in the next chunk as it would in one.
TEST(ListHandlerTest, AListKeepsItsStateFromChunkToChunk) {
  ConvertedText whole;
  const std::string one = whole.Chunk("<ol start=3><li>a<li>b</ol>");
  ConvertedText cut;
  const std::string first = cut.Chunk("<ol start=3><li>a");
  const std::string second = cut.Chunk("<li>b</ol>", 2);
  EXPECT_EQ(first + second, one);
  EXPECT_NE(second.find("4)"), std::string::npos);
}

TEST(ListLayoutTest, DescriptionsAreIndentedUnderTheirTerms) {
  ConvertedText c;
  EXPECT_EQ(c.Lines("<p>Terms:</p>\n<dl>\n<dt>Tilth\n<dd>The crumbly top layer.\n<dt>Drill\n"
                    "<dd>A shallow furrow.\n</dl>\n"),
            (Lines{"Terms:", "", "    Tilth", "        The crumbly top layer.", "", "    Drill",
                   "        A shallow furrow."}));
}

// ---- Laid out ----

TEST(ListLayoutTest, LabelsHangLeftOfTheItemText) {
  ConvertedText c;
  EXPECT_EQ(c.Lines("<ol start=5><li>Five<li>Six</ol>\n<p>After.</p>\n"),
            (Lines{" 5) Five", " 6) Six", "", "After."}));
}

TEST(ListLayoutTest, RomanNumbersAndBulletsAtEachLevel) {
  // A label one column wider than the indent moves the list's text column
  // one to the right; the labels stay right-aligned.
  ConvertedText c;
  EXPECT_EQ(c.Lines("<ol type=i start=3><li>three<li>four</ol>\n"),
            (Lines{"iii) three", " iv) four"}));

  const std::string nested =
      "<p>Nested:</p>\n<ul>\n<li>one\n<ul>\n<li>two\n<ul>\n<li>three\n</ul>\n</ul>\n</ul>\n";
  ConvertedText d;
  EXPECT_EQ(d.Lines(nested), (Lines{"Nested:", "", "  " + kDot + " one", "      " + kDot + " two",
                                    "          " + kDot + " three"}));
  DetagOptions two;
  two.bullet_characters = "middot,middot";
  ConvertedText e(two);
  EXPECT_EQ(e.Lines(nested), (Lines{"Nested:", "", "  " + kDot + " one", "      " + kDot + " two",
                                    "          - three"}));
}


// ---- What a reader sees ----

TEST(ListLayoutTest, AnItemThatOpensAParagraphKeepsItsLabel) {
  // However the source breaks its lines, the label and the item's first
  // line stand together, as for a plain item; a paragraph's alignment
  // aligns the item's text in its column.
  for (const char* html : {"<ul><li><p>Item one</p></li></ul>\n",
                           "<ul class=x><li class=y><p>\n     Item one\n    </p></li></ul>\n",
                           "<ul>\n<li>\n<p>Item one</p>\n</li>\n</ul>\n",
                           "<ul><li>\nItem one\n</ul>\n"}) {
    ConvertedText c;
    EXPECT_EQ(c.Lines(html), (Lines{"  " + kDot + " Item one"})) << html;
  }
  ConvertedText c;
  EXPECT_EQ(c.Lines("<ol><li><p>Item one</p></li><li>\n<p align=right>Item two</p></li></ol>\n"),
            (Lines{" 1) Item one", "", " 2) " + std::string(60, ' ') + "Item two"}));
  // Item text that follows its label on the same line is left alone.
  ConvertedText d;
  EXPECT_EQ(d.Lines("<ol><li>Item one<p>More</p></ol>\n"),
            (Lines{" 1) Item one", "", "    More"}));
}

TEST(ListLayoutTest, LabelsOfDifferentWidthsShareOneColumn) {
  ConvertedText c;
  EXPECT_EQ(c.Lines("<ol start=\"98\"><li>aa<li>bb<li>cc</ol>\n"),
            (Lines{" 98) aa", " 99) bb", "100) cc"}));
  ConvertedText d;
  EXPECT_EQ(d.Lines("<ol type=I><li>one<li>two<li>three<li>four</ol>\n"),
            (Lines{"  I) one", " II) two", "III) three", " IV) four"}));
  ConvertedText e;
  EXPECT_EQ(e.Lines("<ol type=i><li>one<li value=\"1999\">two<li>three that runs on over the "
                    "end of the line so that it has to wrap</ol>\n"),
            (Lines{"      i) one", "mcmxcix) two",
                   "    iii) three that runs on over the end of the line so that it has to",
                   "         wrap"}));
  // A nested list keeps its own column, to the right of the outer one.
  ConvertedText f;
  EXPECT_EQ(f.Lines("<ol start=9><li>nine<ol type=a><li>x<li>y</ol><li>ten</ol>\n"),
            (Lines{" 9) nine", "", "     a) x", "     b) y", "", "10) ten"}));
}

TEST(ListLayoutTest, TheFirstLineOfAnItemIsAsWideAsTheOthers) {
  // Thirteen words and "xyz" fill the 68 columns of the text exactly.
  std::string words;
  for (int i = 0; i < 13; ++i) words += "word ";
  words += "xyz";
  ConvertedText c;
  EXPECT_EQ(c.Lines("<ul><li>" + words + " next</li></ul>\n"),
            (Lines{"  " + kDot + " " + words, "    next"}));
  DetagOptions justified;
  justified.right_justify = true;
  ConvertedText d(justified);
  const Lines even = d.Lines(
      "<ol><li>With justification the first line of an item reaches the right margin like all "
      "the lines after it do, and the text stays in its column.</ol>\n");
  ASSERT_GE(even.size(), 2u);
  EXPECT_EQ(even[0].size(), 72u);
  EXPECT_EQ(even[0].substr(0, 9), " 1) With ");
}

TEST(ListLayoutTest, FirstLineIndentAndSingleLineParagraphsLeaveItemsAlone) {
  DetagOptions indented;
  indented.first_line_indent = "   ";
  ConvertedText c(indented);
  EXPECT_EQ(c.Lines("<ul><li>one<li>two</ul><p>Para text.</p>\n"),
            (Lines{"  " + kDot + " one", "  " + kDot + " two", "", "   Para text."}));
  DetagOptions single;
  single.paragraph_on_single_line = true;
  ConvertedText d(single);
  EXPECT_EQ(d.Lines("<ul><li>one<li>two</ul><p>Para text.</p>\n"),
            (Lines{"  " + kDot + " one", "  " + kDot + " two", "", "Para text."}));
}

TEST(ListLayoutTest, JoiningItemParagraphsIsLinearAndExact) {
  const DetagMarkers m = MakeDetagMarkers(false);
  std::string text = m.list_item + "1) \n " + m.paragraph + "[[LEFT]]Text" + m.list_item +
                     "2) text" + m.paragraph + m.statement + m.list_item + "3)" + m.statement +
                     "$_$_START_LIST";
  EXPECT_EQ(JoinItemParagraphs(text, m), 1);
  EXPECT_EQ(text, m.statement + "[[LEFT]][[LI]]1) Text" + m.list_item + "2) text" + m.paragraph +
                      m.statement + m.list_item + "3)" + m.statement + "$_$_START_LIST");
  std::string many;
  for (int i = 0; i < 100000; ++i) many += m.list_item + "\xB7 " + m.paragraph + "x";
  EXPECT_EQ(JoinItemParagraphs(many, m), 100000);
}

}  // namespace
}  // namespace orv
