// A golden document for the list, heading and emphasis handlers: nested
// ordered, lettered, roman, bulleted and definition lists and headings of
// four levels and alignments, laid out at 72 columns. The expected lines
// were read and checked by hand: labels hang left of the item text,
// right-aligned in a column as wide as the list's widest label (the roman
// list's text moves one column right to make room for "III)"), every
// level indents by four more, a value attribute numbers only its own item,
// descriptions stand under their terms, underlines follow the level and
// the text length, and the <title> wins over the first heading.
#include <gtest/gtest.h>

#include "textout/converted_text.h"

namespace orv {
namespace {

constexpr const char* kGoldenHtml =
    "<html>\n"
    "<head><title>Garden guide</title></head>\n"
    "<body>\n"
    "<h1>The Kitchen Garden</h1>\n"
    "<p>A short guide to <b>planning</b> a kitchen garden, with <i>lists</i> of\n"
    "every kind.</p>\n"
    "<h2 align=\"center\">Steps</h2>\n"
    "<ol>\n"
    "<li>Choose the site.\n"
    "<li>Prepare the soil:\n"
    "  <ol type=\"a\">\n"
    "  <li>dig it over;\n"
    "  <li>add compost;\n"
    "    <ul>\n"
    "    <li>leaf mould\n"
    "    <li>manure\n"
    "      <ul>\n"
    "      <li>well rotted only\n"
    "      </ul>\n"
    "    </ul>\n"
    "  <li>rake it level.\n"
    "  </ol>\n"
    "<li>Sow in rows that run north to south, so that every plant gets its share of the sun "
    "through the day.\n"
    "</ol>\n"
    "<h3>Calendar</h3>\n"
    "<ol type=\"I\" start=\"3\">\n"
    "<li>March: broad beans\n"
    "<li value=\"6\">June: lettuce\n"
    "<li>July: beetroot\n"
    "</ol>\n"
    "<h2>Words</h2>\n"
    "<dl>\n"
    "<dt>Tilth\n"
    "<dd>The crumbly top layer of well-worked soil.\n"
    "<dt>Drill\n"
    "<dd>A shallow furrow for seeds.\n"
    "</dl>\n"
    "<h4 style=\"text-align: right\">Notes</h4>\n"
    "<p>Keep a diary.</p>\n"
    "</body>\n"
    "</html>\n";

const char* const kGoldenLines[] = {
    "The Kitchen Garden",
    "******************",
    "",
    "A short guide to *planning* a kitchen garden, with _lists_ of every",
    "kind.",
    "",
    "                                 Steps",
    "                                 =====",
    "",
    " 1) Choose the site.",
    " 2) Prepare the soil:",
    "     a) dig it over;",
    "     b) add compost;",
    "          \xB7 leaf mould",
    "          \xB7 manure",
    "              \xB7 well rotted only",
    "",
    "     c) rake it level.",
    "",
    " 3) Sow in rows that run north to south, so that every plant gets its",
    "    share of the sun through the day.",
    "",
    "Calendar",
    "--------",
    "",
    "III) March: broad beans",
    " VI) June: lettuce",
    "  V) July: beetroot",
    "",
    "Words",
    "=====",
    "",
    "    Tilth",
    "        The crumbly top layer of well-worked soil.",
    "",
    "    Drill",
    "        A shallow furrow for seeds.",
    "",
    "                                                                   Notes",
    "                                                                   ~~~~~",
    "",
    "Keep a diary.",
};

TEST(ListsAndHeadingsGoldenTest, LaidOutAt72Columns) {
  testing::ConvertedText c;
  const std::vector<std::string> expected(std::begin(kGoldenLines), std::end(kGoldenLines));
  EXPECT_EQ(c.Lines(kGoldenHtml), expected);
  EXPECT_EQ(c.pass.Info().title, "Garden guide");
  EXPECT_TRUE(c.ProgramErrors().empty());
}

}  // namespace
}  // namespace orv
