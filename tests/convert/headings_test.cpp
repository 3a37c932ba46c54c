// Tests of the heading and emphasis handlers: underlines and alignment
// table by table, heading sections and the document title from the chunk
// pass, emphasis spans, then headings laid out as a reader sees them.
#include "convert/headings.h"

#include <gtest/gtest.h>

#include "textout/converted_text.h"

namespace orv {
namespace {

using Lines = std::vector<std::string>;
using testing::ConvertedText;

const std::string kDefaultUnderlines = "*,=,-,~,.,,";

// ---- Underlines and alignment ----

struct UnderlineCase {
  const char* underlines;
  int level;
  size_t length;
  std::string underline;
};

TEST(HeadingUnderlineTest, EntryPerLevelCutToTheText) {
  const UnderlineCase cases[] = {
      {"*,=,-,~,.,,", 2, 5, "====="}, {"*,=,-,~,.,,", 1, 3, "***"},
      {"*,=,-,~,.,,", 5, 4, "...."},  {"*,=,-,~,.,,", 6, 9, ""},  // the sixth entry is empty
      {"*,=,-,~,.,,", 7, 9, ""},                                  // no level beyond six
      {"*,=,-,~,.,,", 0, 9, ""},      {"*,=,-,~,.,,", 2, 100, std::string(60, '=')},
      {" ab , -", 1, 7, "abababa"},   {"=", 2, 4, ""},
  };
  for (const UnderlineCase& c : cases) {
    EXPECT_EQ(HeadingUnderline(c.underlines, c.level, c.length), c.underline)
        << c.underlines << " level " << c.level;
  }
  // A longer entry repeats to at least 60 characters, whole copies only.
  std::string repeated;
  while (repeated.size() < 60) repeated += "-~-";
  EXPECT_EQ(HeadingUnderline("-~-", 1, 200), repeated);
  EXPECT_EQ(repeated.size(), 60u);
  std::string pairs;
  while (pairs.size() < 60) pairs += "ab";
  EXPECT_EQ(HeadingUnderline(" ab , -", 1, 100), pairs);
}

TEST(HeadingAlignmentTest, AlignAttributeThenStyle) {
  const std::pair<const char*, Alignment> cases[] = {
      {"<h1>", Alignment::kLeft},
      {"<h1 align=center>", Alignment::kCentre},
      {"<h2 ALIGN=\"Right\">", Alignment::kRight},
      {"<h2 align=left style=\"text-align: center\">", Alignment::kLeft},
      // The attribute knows no justify; the style is asked instead.
      {"<h3 align=justify>", Alignment::kLeft},
      {"<h3 align=justify style='text-align:justify'>", Alignment::kJustify},
      {"<h4 style=\"color: red; text-align: center\">", Alignment::kCentre},
      {"<h4 style=\"text-align: right\">", Alignment::kRight},
      {"<h4 style=\"text-align: middle\">", Alignment::kLeft},
  };
  for (const auto& [tag, alignment] : cases) EXPECT_EQ(HeadingAlignment(tag), alignment) << tag;
}

// ---- Heading sections from the chunk pass ----

TEST(HeadingHandlerTest, HeadingBecomesAnAlignedUnderlinedSection) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  EXPECT_EQ(c.Chunk("<h2>Hello</h2>"), m.line_break + "[[LEFT]]" + m.start_heading + "Hello" +
                                           m.line_break + "=====" + m.end_heading + "[[LEFT]]");
  EXPECT_EQ(c.Chunk("a<H3 align=center>\n  Two\n   lines </H3>b"),
            "a" + m.line_break + "[[CENTER]]" + m.start_heading + "Two lines" + m.line_break +
                "---------" + m.end_heading + "[[LEFT]]b");
  // Levels without an underline entry: no underline line.
  EXPECT_EQ(c.Chunk("<h6 style=\"text-align: right\">Six</h6><h7>Seven</h7>"),
            m.line_break + "[[RIGHT]]" + m.start_heading + "Six" + m.line_break + m.end_heading +
                "[[LEFT]]" + m.line_break + "[[LEFT]]" + m.start_heading + "Seven" + m.line_break +
                m.end_heading + "[[LEFT]]");
}

TEST(HeadingHandlerTest, UnderlineMeasuresTheVisibleText) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  // Tags stay in the heading for the remaining-tag pass; entities count as
  // the one character they become.
  EXPECT_EQ(c.Chunk("<h1>See <tt>Fish &amp; Chips</tt></h1>"),
            m.line_break + "[[LEFT]]" + m.start_heading + "See <tt>Fish &amp; Chips</tt>" +
                m.line_break + std::string(16, '*') + m.end_heading + "[[LEFT]]");
}

TEST(HeadingHandlerTest, MarksAndStatementsAreNotMeasured) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  const std::string chunk = c.Chunk("<h2>A<br>list: <ul><li>item</ul></h2>");
  const size_t underline = chunk.rfind(m.end_heading);
  ASSERT_NE(underline, std::string::npos);
  // The longer of the two lines the <br> makes, "list: \xB7 item": twelve
  // characters.
  const std::string expected = m.line_break + std::string(12, '=');
  EXPECT_EQ(chunk.substr(underline - expected.size(), expected.size()), expected);
  EXPECT_EQ(c.pass.Info().title, "A list: \xB7 item");
}

TEST(HeadingHandlerTest, LongHeadingIsPlainTextBetweenBreaks) {
  ConvertedText c;
  const DetagMarkers& m = c.pass.Markers();
  const std::string long_text(120, 'x');
  EXPECT_EQ(c.Chunk("<h2>" + long_text + "</h2>"), m.line_break + long_text + m.line_break);
  const std::string shorter(119, 'x');
  EXPECT_EQ(c.Chunk("<h2>" + shorter + "</h2>"), m.line_break + "[[LEFT]]" + m.start_heading +
                                                     shorter + m.line_break + std::string(60, '=') +
                                                     m.end_heading + "[[LEFT]]");
}

TEST(HeadingHandlerTest, UnmatchedTagsStayForTheRemainingTagPass) {
  ConvertedText c;
  EXPECT_EQ(c.Chunk("stray</h2> and <h2>open"), "stray</h2> and <h2>open");
  // An opening tag seen in one chunk does not pair with a closing tag in
  // the next.
  c.Chunk("<h1>first chunk");
  EXPECT_EQ(c.Chunk("</h1>second", 2), "</h1>second");
  // Nested: the inner heading is the heading; the outer tags are left.
  const DetagMarkers& m = c.pass.Markers();
  EXPECT_EQ(c.Chunk("<h1>a<h2>b</h2>c</h1>"), "<h1>a" + m.line_break + "[[LEFT]]" +
                                                  m.start_heading + "b" + m.line_break + "=" +
                                                  m.end_heading + "[[LEFT]]c</h1>");
}

TEST(HeadingHandlerTest, FirstVisibleHeadingNamesAnUntitledDocument) {
  ConvertedText untitled;
  untitled.Chunk("<h1> <img src=x> </h1><h2>Real &amp; first</h2><h1>Later</h1>");
  EXPECT_EQ(untitled.pass.Info().title, "Real & first");

  ConvertedText titled;
  titled.Chunk("<title>Own title</title><h1>Heading</h1>");
  EXPECT_EQ(titled.pass.Info().title, "Own title");

  ConvertedText unknown;
  unknown.pass.MutableInfo().title = "** UNKNOWN **";
  unknown.Chunk("<h3>Named</h3>");
  EXPECT_EQ(unknown.pass.Info().title, "Named");
}

// ---- Emphasis ----

TEST(EmphasisTest, SpansBecomeMarks) {
  const std::pair<std::string, std::string> cases[] = {
      {"<b>bold</b>", "*bold*"},
      {"<strong>s</strong> <em>e</em> <I>i</I>", "*s* _e_ _i_"},
      {"x<i> y </i>z", "x _y_ z"},
      {"<b>\nline\n</b>", "\n*line*\n"},
      // Nothing visible inside: the marks go, blanks and tags stay.
      {"a<b> </b>b", "a b"},
      {"a<b></b>b", "ab"},
      {"a<em> <tt> </tt></em>b", "a <tt> </tt>b"},
      // A second opening tag of the element: only the inner span is marked.
      {"<b>a <b>b</b> c</b>", "<b>a *b* c</b>"},
      {"<i>a <i class=x>b</i> c</i>", "<i>a <i class=x>b</i> c</i>"},
      {"<b>a<bdo>b</bdo></b>", "*a<bdo>b</bdo>*"},
  };
  for (const auto& [html, text] : cases) {
    ConvertedText c;
    EXPECT_EQ(c.Chunk(html), text) << html;
  }
}

TEST(EmphasisTest, LongSpansAndSwitchedOffHighlightingKeepPlainText) {
  const std::string long_text(510, 'x');
  ConvertedText c;
  EXPECT_EQ(c.Chunk("<b>" + long_text + "</b>"), "<b>" + long_text + "</b>");
  const Lines laid_out = c.Lines("<b>" + long_text + "</b>\n");
  for (const std::string& line : laid_out)
    EXPECT_EQ(line.find_first_not_of('x'), std::string::npos);
  // A short span at the end of a long one is still marked.
  EXPECT_EQ(c.Chunk("<b>" + long_text + " <b>in</b>"), "<b>" + long_text + " *in*");
  const std::string fits(505, 'y');
  EXPECT_EQ(c.Chunk("<b>" + fits + "</b>"), "*" + fits + "*");

  DetagOptions off;
  off.highlight_emphasis = false;
  ConvertedText plain(off);
  EXPECT_EQ(plain.Chunk("<b>bold</b> <i>it</i>"), "bold it");
}

// ---- Laid out ----

TEST(HeadingLayoutTest, HeadingsAreAlignedAndNotWrapped) {
  ConvertedText c;
  const std::string wide(90, 'w');
  EXPECT_EQ(c.Lines("<h1>Fruit</h1>\n<p>Text.</p>\n<h2 align=center>Middle</h2>\n"
                    "<p>More.</p>\n<h2>" +
                    wide + "</h2>\n<p>End.</p>\n"),
            (Lines{"Fruit", "*****", "", "Text.", "", std::string(33, ' ') + "Middle",
                   std::string(33, ' ') + "======", "", "More.", "", wide, std::string(60, '='), "",
                   "End."}));
}

TEST(HeadingLayoutTest, ABrokenHeadingIsUnderlinedAsLongAsItsLongestLine) {
  ConvertedText c;
  EXPECT_EQ(c.Lines("<h2>First line<br>Second, longer line</h2>\n<p>Text.</p>\n"
                    "<h3>Wide first line<br>short</h3>\n"),
            (Lines{"First line", "Second, longer line", "===================", "", "Text.", "",
                   "Wide first line", "short", "---------------"}));
  EXPECT_EQ(c.pass.Info().title, "First line Second, longer line");
}

TEST(HeadingLayoutTest, RemovedRulesTakeEqualsAndDashUnderlines) {
  DetagOptions options;
  options.remove_rules = true;
  ConvertedText c(options);
  EXPECT_EQ(c.Lines("<h1>Stars</h1>\n<h2>Equals</h2>\n<p>Text.</p>\n"),
            (Lines{"Stars", "*****", "", "Equals", "", "Text."}));
}

}  // namespace
}  // namespace orv
