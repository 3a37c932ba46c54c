#include "convert/rejoin.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace orv {
namespace {

// Texts of ordinary lines, lines ending in an alignment marker, statement
// lines and pre-formatted and heading sections, cut at every line end:
// where the first part ends between lines, the parts re-joined one after
// the other are the whole re-joined.
TEST(RejoinLines, APartThatEndsBetweenLinesJoinsAsPartOfTheWhole) {
  const DetagMarkers m = MakeDetagMarkers(false);
  const std::vector<std::string> lines = {
      "  some words of text ", "", "a line longer than forty characters, which counts as long",
      "[[LEFT]]", "text then [[CENTER]]", "$_$_LINE", m.start_pre, m.end_pre, m.start_heading,
      m.end_heading, "   indented\tand  spaced   ", "[[JUSTIFY]] after"};
  std::mt19937 random(11);
  int cuts_between_lines = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> picked;
    for (int i = static_cast<int>(random() % 12) + 1; i > 0; --i)
      picked.push_back(lines[random() % lines.size()]);
    std::string whole;
    for (const std::string& line : picked) whole += line + "\n";
    std::string expected;
    const RejoinResult all = RejoinLines(whole, m, expected);
    size_t cut = 0;
    for (size_t k = 0; k + 1 < picked.size(); ++k) {
      cut += picked[k].size() + 1;
      std::string first, second;
      const RejoinResult a = RejoinLines(std::string_view(whole).substr(0, cut), m, first);
      if (!a.ends_between_lines) continue;
      ++cuts_between_lines;
      const RejoinResult b = RejoinLines(std::string_view(whole).substr(cut), m, second);
      ASSERT_EQ(first + second, expected) << "cut after line " << k;
      EXPECT_EQ(a.long_lines + b.long_lines, all.long_lines);
      EXPECT_EQ(a.long_lines_total + b.long_lines_total, all.long_lines_total);
    }
  }
  EXPECT_GT(cuts_between_lines, 100);
}

TEST(RejoinLines, KnowsWhenATextEndsInsideAJoinedLineOrASection) {
  const DetagMarkers m = MakeDetagMarkers(false);
  std::string out;
  EXPECT_FALSE(RejoinLines("ordinary text\n", m, out).ends_between_lines);
  EXPECT_TRUE(RejoinLines("ordinary text\n[[LEFT]]\n", m, out).ends_between_lines);
  EXPECT_FALSE(RejoinLines(m.start_pre + "\n[[LEFT]]\n", m, out).ends_between_lines);
  EXPECT_TRUE(RejoinLines(m.start_pre + "\ncode\n" + m.end_pre + "\n", m, out).ends_between_lines);
}

// Joined lines are trimmed and each run of blanks keeps only its first
// blank (a tab stays a tab); a line with no run goes in as it is.
TEST(RejoinLines, RunsOfBlanksBecomeTheirFirstBlank) {
  const DetagMarkers m = MakeDetagMarkers(false);
  std::string out;
  RejoinLines("  one  two\tthree \na \tb\t\tc\nplain words here\n", m, out);
  EXPECT_EQ(out, " one two\tthree a b\tc plain words here\n");
  std::string in_place = "x  y\nb\t\tc\nplain\n";
  RejoinLinesInPlace(in_place, m);
  EXPECT_EQ(in_place, " x y b\tc plain\n");
}

// Re-joined in place, a text comes out as re-joined into a string of its
// own: with the output behind the line being read, level with it (joined
// lines gain a leading blank), and ahead of the lines still to be read
// (short unindented lines, no line feed at the end), where the rest of the
// text is moved out of the way.
TEST(RejoinLines, InPlaceGivesTheSameText) {
  const DetagMarkers m = MakeDetagMarkers(false);
  const std::vector<std::string> lines = {
      "a",
      "b c",
      "",
      "    indented\t and   spaced    ",
      "[[LEFT]]",
      "x [[CENTER]]",
      "$_$_LINE",
      m.start_pre,
      "  kept  as  it  is  ",
      m.end_pre,
      m.start_heading,
      m.end_heading,
      "a line longer than forty characters, which counts as long",
      "[[JUSTIFY]] after",
      "   "};
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int i = static_cast<int>(random() % 30) + 1; i > 0; --i)
      text += lines[random() % lines.size()] + "\n";
    if (random() % 3 == 0) text.pop_back();  // no line feed at the end
    std::string expected;
    const RejoinResult separate = RejoinLines(text, m, expected);
    std::string in_place = text;
    const RejoinResult same = RejoinLinesInPlace(in_place, m);
    ASSERT_EQ(in_place, expected) << "from: " << text;
    EXPECT_EQ(same.ends_between_lines, separate.ends_between_lines);
    EXPECT_EQ(same.long_lines, separate.long_lines);
    EXPECT_EQ(same.long_lines_total, separate.long_lines_total);
  }
}

}  // namespace
}  // namespace orv
