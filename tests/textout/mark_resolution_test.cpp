#include "textout/mark_resolution.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace orv {
namespace {

// The lists applied one after the other: the definition of the step.
std::string ByLists(std::string text, MarkLists& lists) {
  lists.break_runs.ApplyInPlace(text);
  lists.mark_spaces.ApplyInPlace(text);
  lists.final_marks.ApplyInPlace(text);
  return text;
}

std::string Fast(std::string text, const DetagMarkers& m, const MarkResolution& how) {
  EXPECT_TRUE(ResolveMarks(text, m, how));
  return text;
}

std::string Visible(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == 0xFF)
      out += "#";
    else if (c == 0xBF)
      out += "^";
    else if (c == '\n')
      out += "\\n";
    else
      out += static_cast<char>(c);
  }
  return out;
}

// Texts built from marks, their pieces and what may stand between them:
// runs of marks with blanks, marks next to statement keywords, stray 0xFF
// bytes (a Windows-1252 text's "y" with diaeresis), marks that overlap and
// mark names in lower case.
TEST(MarkResolution, GivesWhatTheListsGiveOnRandomTexts) {
  std::mt19937 random(20261207);
  for (bool single_line : {false, true}) {
    const DetagMarkers m = MakeDetagMarkers(single_line);
    const std::vector<std::string> pieces = {
        m.statement, m.line_break, m.paragraph,  m.break_mark, std::string(kParagraphEndMarker), " ", " ", "\t", "\n",
        "$_$_",      "$_$_LINE",   "x",          "word. ",     "\xFF",       "\xFF\xFF",
        "CBR\xFF\xFF", "\xFF\xFF" "C", "BR",     "\xFF\xFF" "CBR", "\xFF\xFF ", " \xFF",
        "\xFF\xFF" "cbr\xFF\xFF", "\xFF\xFF" "br"};
    for (bool text_mode : {true, false}) {
      MarkResolution how;
      how.text_mode = text_mode;
      how.single_line = single_line;
      how.written_break = text_mode ? "<BR>" : "<br>";
      MarkLists lists;
      BuildMarkLists(m, how, lists);
      for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
        ASSERT_EQ(Visible(Fast(text, m, how)), Visible(ByLists(text, lists)))
            << "text " << Visible(text) << " text mode " << text_mode << " single line "
            << single_line;
      }
    }
  }
}

// A text cut where the first part ends with nothing under way resolves as
// the two parts resolved on their own, one after the other.
TEST(MarkResolution, APartThatEndsIdleResolvesAsPartOfTheWhole) {
  std::mt19937 random(7);
  const DetagMarkers m = MakeDetagMarkers(false);
  const std::vector<std::string> pieces = {m.statement, m.line_break, m.paragraph, " ", "\n",
                                           "$_$_", "x", "\xFF", "\xFF\xFF", "CBR\xFF\xFF"};
  MarkResolution how;
  int idle_cuts = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string first, second;
    for (int i = static_cast<int>(random() % 8); i > 0; --i) first += pieces[random() % pieces.size()];
    for (int i = static_cast<int>(random() % 8); i > 0; --i) second += pieces[random() % pieces.size()];
    std::string whole = first + second;
    bool idle = false;
    ASSERT_TRUE(ResolveMarks(first, m, how, &idle));
    if (!idle) continue;
    ++idle_cuts;
    ASSERT_TRUE(ResolveMarks(second, m, how));
    ASSERT_TRUE(ResolveMarks(whole, m, how));
    ASSERT_EQ(Visible(whole), Visible(first + second));
  }
  EXPECT_GT(idle_cuts, 200);
}

TEST(MarkResolution, ResolvesTheUsualShapes) {
  const DetagMarkers m = MakeDetagMarkers(false);
  MarkResolution how;
  const std::string forced = "\n" + std::string(kForcedBreak);
  // A run of statement and line marks is one forced break.
  EXPECT_EQ(Fast("a" + m.statement + " \n " + m.statement + "b", m, how), "a" + forced + "b");
  EXPECT_EQ(Fast("a " + m.paragraph + " b", m, how), "a\n\nb");
  EXPECT_EQ(Fast(m.statement + "$_$_END_PRE" + m.statement, m, how),
            "\n" + std::string(kForcedBreak) + "\n$_$_END_PRE" + forced);
  EXPECT_EQ(Fast("no marks at all", m, how), "no marks at all");
  how.text_mode = false;
  EXPECT_EQ(Fast("a" + m.line_break + "b", m, how), "a<BR>b");
}

TEST(MarkResolution, DeclinesABreakTagLongerThanAMark) {
  const DetagMarkers m = MakeDetagMarkers(false);
  MarkResolution how;
  how.text_mode = false;
  how.written_break = "<br class=\"long\">";
  std::string text = "a" + m.line_break + "b";
  EXPECT_FALSE(ResolveMarks(text, m, how));
  EXPECT_EQ(text, "a" + m.line_break + "b");
}

}  // namespace
}  // namespace orv
