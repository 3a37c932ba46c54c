// Tests of the line layout step: the text-line operations (break finder,
// centring, right alignment, justification, rules) table by table, then the
// whole output pass on small marked-up texts, ending with a golden layout.
#include "textout/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"

namespace orv {
namespace {

using Lines = std::vector<std::string>;

const std::string kBr(kForcedBreak);
const std::string kOppl(kParagraphEndMarker);
const std::string kDot = "\xB7";

DetagOptions Options(int page_width = 72) {
  DetagOptions o;
  o.page_width = page_width;
  return o;
}

Lines Lay(const std::string& text, const DetagOptions& options, LayoutFileInputs inputs = {}) {
  ProgramLayoutState state;
  return LayOutText(text, options, inputs, state);
}

// ---- Break finder ----

struct BreakCase {
  const char* name;
  std::string text;
  size_t width;
  std::string piece;  // the first piece cut
};

TEST(BreakFinderTest, FirstPieceOfEachCase) {
  const std::string c20(20, 'c'), d20(20, 'd');
  const BreakCase cases[] = {
      {"remainder fits", "hello world", 72, "hello world"},
      {"blank near the limit", std::string(25, 'a') + " " + std::string(10, 'b'), 30,
       std::string(25, 'a')},
      {"long word cut hard", std::string(40, 'x'), 30, std::string(30, 'x')},
      {"after a bracket", "ab " + c20 + ")" + d20, 30, "ab " + c20 + ")"},
      {"not after a bracket before a stop", "ab " + c20 + ")." + d20, 30, "ab"},
      {"after a comma", "ab " + std::string(10, 'x') + "," + d20, 30,
       "ab " + std::string(10, 'x') + ","},
      {"never a comma between digits", "ab " + std::string(10, '1') + "," + std::string(20, '2'),
       30, "ab"},
      {"before an opening bracket", "ab " + c20 + "(" + d20, 30, "ab " + c20},
      {"blank within 15 beats punctuation",
       std::string(20, 'a') + " " + std::string(5, 'b') + ")" + std::string(10, 'c'), 30,
       std::string(20, 'a')},
      {"word with a bracket, no blank", c20 + "]" + d20, 30, c20 + "]"},
      // A bracket just beyond the limit would make the piece one too wide.
      {"bracket beyond the limit", "ab " + std::string(27, 'c') + ")" + d20, 30, "ab"},
  };
  for (const BreakCase& c : cases) {
    size_t start = 0;
    const std::string piece = CutPiece(c.text, &start, c.width);
    EXPECT_EQ(piece, c.piece) << c.name;
    EXPECT_LE(piece.size(), c.width) << c.name;
  }
}

TEST(BreakFinderTest, PiecesCoverTheTextWithoutLoss) {
  const std::string text =
      "Breaking (at brackets), commas,and 1,000 blanks: " + std::string(45, 'w') + " end";
  for (size_t width : {30u, 31u, 40u, 72u}) {
    std::string joined;
    size_t start = 0;
    while (start < text.size()) {
      const std::string piece = CutPiece(text, &start, width);
      EXPECT_LE(piece.size(), width);
      joined += piece;
    }
    std::string expected = text;
    std::erase(expected, ' ');
    std::erase(joined, ' ');
    EXPECT_EQ(joined, expected) << width;
  }
}

TEST(BreakFinderTest, MultibyteGuardStepsOffALeadByte) {
  std::string text(40, 'x');
  text[29] = '\x81';
  EXPECT_EQ(FindLineBreak(text, 0, 30), 29u);
  EXPECT_EQ(FindLineBreak(text, 0, 30, true), 28u);
}

// ---- Centre, right-align, justify, rules ----

TEST(TextLineTest, CentreAndRightAlign) {
  EXPECT_EQ(CentreLine("abc", 9), "   abc   ");
  EXPECT_EQ(CentreLine("ab", 9), "   ab    ");
  EXPECT_EQ(CentreLine(" ab ", 6), "  ab  ");
  EXPECT_EQ(CentreLine("  a   b  ", 5), " a b ");  // fits once blanks are collapsed
  EXPECT_EQ(CentreLine("abcdefgh", 5), "abcdefgh");
  EXPECT_EQ(RightAlignLine("abc", 6), "   abc");
  EXPECT_EQ(RightAlignLine("abcdef", 3), "abcdef");
}

TEST(TextLineTest, JustificationAlternatesBetweenLeftAndRight) {
  bool toggle = true;
  // First call after start: the extra spaces lean left, then right.
  EXPECT_EQ(JustifyLine("aa bb cc dd", 13, toggle), "aa  bb  cc dd");
  EXPECT_FALSE(toggle);
  EXPECT_EQ(JustifyLine("aa bb cc dd", 13, toggle), "aa bb  cc  dd");
  EXPECT_TRUE(toggle);
  EXPECT_EQ(JustifyLine("aa bb cc dd", 14, toggle), "aa   bb  cc dd");
  EXPECT_EQ(JustifyLine("aa bb cc dd", 14, toggle), "aa  bb  cc  dd");

  struct Case {
    std::string text;
    size_t width;
    std::string result;
  };
  const Case cases[] = {
      {kDot + " aa bb", 10, kDot + " aa    bb"},  // the bullet's space is not widened
      {"  aa bb  ", 8, "aa    bb"},
      {"abcdef", 10, "abcdef"},     // no gaps
      {"aa bb cc", 5, "aa bb cc"},  // too long
      {"aa bb", 5, "aa bb"},        // already full
  };
  for (const Case& c : cases) {
    const bool before = toggle;
    EXPECT_EQ(JustifyLine(c.text, c.width, toggle), c.result) << c.text;
    EXPECT_NE(toggle, before) << "every call flips the toggle";
  }
}

TEST(TextLineTest, RuleTextAndRuleStatements) {
  const std::pair<const char*, bool> rule_texts[] = {
      {"==", true},    {"=== ===", true}, {"  ----  ", true}, {"___", true}, {"= =", false},
      {"--==", false}, {"-", false},      {"___ x", false},   {"", false},
  };
  for (const auto& [text, is_rule] : rule_texts) EXPECT_EQ(IsRuleText(text), is_rule) << text;

  EXPECT_EQ(DrawRuleLine("", 40, Alignment::kLeft), std::string(40, '-'));
  EXPECT_EQ(DrawRuleLine("abc", 40, Alignment::kNone), std::string(40, '-'));
  EXPECT_EQ(DrawRuleLine("100", 40, Alignment::kLeft), std::string(40, '-'));
  EXPECT_EQ(DrawRuleLine(" 10", 40, Alignment::kCentre),
            std::string(15, ' ') + std::string(10, '-') + std::string(15, ' '));
  EXPECT_EQ(DrawRuleLine("10", 40, Alignment::kJustify),
            DrawRuleLine("10", 40, Alignment::kCentre));
  EXPECT_EQ(DrawRuleLine("10", 40, Alignment::kRight), std::string(30, ' ') + std::string(10, '-'));
  // A percentage is a share of the width, not a number of columns.
  EXPECT_EQ(DrawRuleLine(" 50%", 72, Alignment::kLeft), std::string(36, '-'));
  EXPECT_EQ(DrawRuleLine("25%", 40, Alignment::kRight), std::string(30, ' ') + std::string(10, '-'));
  EXPECT_EQ(DrawRuleLine("250%", 40, Alignment::kLeft), std::string(40, '-'));
}

// ---- Widths and nesting ----

TEST(LayoutTest, WidthNeverBelowThirtyColumns) {
  const std::string text = "one two three four five six seven eight nine ten eleven twelve";
  EXPECT_EQ(Lay(text, Options(20)),
            (Lines{"one two three four five six", "seven eight nine ten eleven", "twelve"}));

  DetagOptions deep = Options(20);
  deep.indent_positions = {40, 40, 40, 40, 40, 40, 40, 40};
  const Lines lines = Lay(text, deep);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(40, ' ') + "one two three four five six");
}

TEST(LayoutTest, NestingBeyondSevenKeepsTheLastIndent) {
  ProgramLayoutState state;
  LineLayout layout(state);
  layout.ResetLayoutState(Options(), {});
  const std::pair<int, int> levels[] = {{-1, 0}, {0, 0}, {1, 4}, {7, 28}, {8, 28}, {12, 28}};
  for (const auto& [level, indent] : levels) {
    layout.SetNestingLevel(level);
    EXPECT_EQ(layout.CurrentIndent(), indent) << level;
    EXPECT_EQ(layout.LayoutWidth(), 72 - indent) << level;
  }

  std::string text;
  for (int i = 0; i < 10; ++i) text += "$_$_START_BLOCK\n";
  text += "deep";
  EXPECT_EQ(Lay(text, Options()), (Lines{std::string(28, ' ') + "deep"}));
}

TEST(LayoutTest, UnmatchedEndsDoNotLoseLaterIndentation) {
  DetagOptions o = Options();
  o.short_lines_end_paragraphs = false;
  EXPECT_EQ(Lay("$_$_END_BLOCK\n$_$_END_BLOCK\n$_$_START_BLOCK\nquoted", o), (Lines{"    quoted"}));
}

// ---- Blank lines, justification of paragraph ends, rules, text blocks ----

TEST(LayoutTest, RunsOfEmptyLinesGiveOneBlankLine) {
  DetagOptions o = Options();
  o.short_lines_end_paragraphs = false;
  EXPECT_EQ(Lay("first\n\n\n\nsecond\n\n", o), (Lines{"first", "", "second", ""}));
  EXPECT_EQ(Lay("first  \n" + kBr + "\n" + kBr + "second", o), (Lines{"first", "", "second"}));
}

TEST(LayoutTest, LastLineOfAParagraphJustifiedOnlyWhenLongEnough) {
  DetagOptions o = Options(60);
  o.right_justify = true;
  const std::string words = "word word word word word word word word word word word word";
  struct Case {
    size_t length;
    std::string next;
    size_t laid_out;
  };
  const Case cases[] = {
      {56, "", 60},      // long enough: at least 55, 50 and three quarters of 60
      {54, "", 54},      // shorter than width - 5
      {56, "more", 56},  // the paragraph goes on: ragged
  };
  for (const Case& c : cases) {
    ProgramLayoutState state;
    LineLayout layout(state);
    layout.ResetLayoutState(o, {});
    Lines out;
    std::string line = words.substr(0, c.length);
    while (line.back() == ' ') line.pop_back();
    line.resize(c.length, 'x');
    layout.LayOutLine(o, out, true, line, c.next);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].size(), c.laid_out) << c.length << " " << c.next;
  }
  // At width 40 no piece reaches 50 columns, so a paragraph's last line
  // stays ragged while the lines above it are justified.
  o.page_width = 40;
  const Lines lines = Lay(words + "\n\nnext", o);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 40u);
  EXPECT_EQ(lines[1], "word word word word");
}

TEST(LayoutTest, RulesDroppedOrKept) {
  DetagOptions o = Options(40);
  o.short_lines_end_paragraphs = false;
  const std::string text = "above\n== ==== ===\n$_$_LINE 10\nbelow";
  EXPECT_EQ(Lay(text, o), (Lines{"above", "== ==== ===", std::string(10, '-'), "below"}));
  o.remove_rules = true;
  EXPECT_EQ(Lay(text, o), (Lines{"above", "", "below"}));

  // A forced break in front of a rule (a heading's underline) does not
  // hide it; a removed rule keeps the break.
  const std::string forced = "above\n" + kBr + "=====\nbelow";
  EXPECT_EQ(Lay(forced, o), (Lines{"above", "", "below"}));
  o.remove_rules = false;
  EXPECT_EQ(Lay(forced, o), (Lines{"above", "=====", "below"}));
}

TEST(LayoutTest, TextBlocksByNumber) {
  TextBlockStore blocks;
  blocks.Add("+--+\n|ab|\n+--+\n");
  LayoutFileInputs inputs;
  inputs.text_blocks = &blocks;
  DetagOptions o = Options();
  o.short_lines_end_paragraphs = false;
  EXPECT_EQ(Lay("$_$_START_BLOCK\n$_$_TEXTBLOCK 1\nx", o, inputs),
            (Lines{"+--+", "|ab|", "+--+", "    x"}));

  for (const char* statement : {"$_$_TEXTBLOCK 0", "$_$_TEXTBLOCK", "$_$_TEXTBLOCK 2",
                                "$_$_TEXTBLOCK one", "$_$_TEXTBLOCK -1"}) {
    std::vector<std::string> messages;
    ProgramLayoutState state;
    const Lines lines = LayOutText(std::string("a\n") + statement + "\nb", o, inputs, state,
                                   [&](const std::string& m, int) { messages.push_back(m); });
    EXPECT_EQ(lines, (Lines{"a", "b"})) << statement;
    ASSERT_EQ(messages.size(), 1u) << statement;
    EXPECT_EQ(messages[0].rfind("WARNING:", 0), 0u);
  }
}

// Many small blocks share the store's pages and large ones have their own:
// each keeps its text and number, among empty ones, across pages and
// after the store is emptied and filled again.
TEST(LayoutTest, TextBlockStoreKeepsEveryBlock) {
  TextBlockStore blocks;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::string> texts;
    for (int i = 0; i < 30000; ++i) {
      std::string text = "|" + std::to_string(i) + "|\n";
      if (i % 7000 == 3) text = std::string(100000 + static_cast<size_t>(i), 'b') + "\n";
      if (i % 9000 == 5) text.clear();
      texts.push_back(text);
      ASSERT_EQ(blocks.Add(text), i + 1);
    }
    ASSERT_EQ(blocks.Count(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      const std::optional<std::string_view> found = blocks.Find(static_cast<long>(i) + 1);
      ASSERT_TRUE(found.has_value()) << i;
      ASSERT_EQ(*found, texts[i]) << i;
    }
    EXPECT_FALSE(blocks.Find(0).has_value());
    EXPECT_FALSE(blocks.Find(30001).has_value());
    blocks.Clear();
    EXPECT_EQ(blocks.Count(), 0u);
  }
}

// A block of many lines is handed on a few thousand lines at a time; its
// lines come out as a small block's do: trailing blanks go, runs of blank
// lines keep one line outside preformatted text and stay inside it, and a
// block on the text's last line is tidied with it.
TEST(LayoutTest, LargeTextBlocksComeOutLikeSmallOnes) {
  std::string block;
  for (int i = 0; i < 5000; ++i) block += "row " + std::to_string(i) + "  \n\n\n";
  TextBlockStore blocks;
  blocks.Add(block);
  LayoutFileInputs inputs;
  inputs.text_blocks = &blocks;
  DetagOptions o = Options();
  o.short_lines_end_paragraphs = false;
  Lines collapsed, kept;
  for (int i = 0; i < 5000; ++i) {
    collapsed.insert(collapsed.end(), {"row " + std::to_string(i), ""});
    kept.insert(kept.end(), {"row " + std::to_string(i), "", ""});
  }
  Lines expected = collapsed;
  expected.push_back("x");
  EXPECT_EQ(Lay("$_$_TEXTBLOCK 1\nx", o, inputs), expected);
  expected = {"a"};
  expected.insert(expected.end(), kept.begin(), kept.end());
  expected.push_back("x");
  EXPECT_EQ(Lay("a\n$_$_START_PRE\n$_$_TEXTBLOCK 1\n$_$_END_PRE\nx", o, inputs), expected);
  expected = {"a"};
  expected.insert(expected.end(), collapsed.begin(), collapsed.end());
  EXPECT_EQ(Lay("a\n$_$_TEXTBLOCK 1", o, inputs), expected);
}

// ---- Carry-over, forced breaks, bullets, single-line paragraphs ----

TEST(LayoutTest, ShortTailOfAHardWrappedLineJoinsTheNextLine) {
  const std::string text =
      "The quick brown fox jumps over the lazy dog, again and again.\n"
      "and the cat sleeps by the fire all day long in the warm house.\n"
      "The end.";
  EXPECT_EQ(
      Lay(text, Options(40)),
      (Lines{"The quick brown fox jumps over the lazy", "dog, again and again. and the cat sleeps",
             "by the fire all day long in the warm", "house. The end.", ""}));
}

TEST(LayoutTest, ShortTailStaysWhereTheNextLineForbidsCarrying) {
  const std::string first = "The quick brown fox jumps over the lazy dog, again and again.";
  const std::string head = "The quick brown fox jumps over the lazy";
  const std::string tail = "dog, again and again.";
  struct Case {
    const char* name;
    std::string next;
    bool impose_width;
  };
  const Case cases[] = {
      {"statement follows", "$_$_START_BLOCK", true},
      {"tag follows", "[[CENTER]]middle", true},
      {"empty line follows", "", true},
      {"dialogue opens", "\"Quiet,\" she said.", true},
      {"last line", "<none>", true},
      {"width not imposed", "next words", false},
  };
  for (const Case& c : cases) {
    DetagOptions o = Options(40);
    o.short_lines_end_paragraphs = false;
    o.impose_page_width = c.impose_width;
    const std::string text = c.next == "<none>" ? first : first + "\n" + c.next;
    const Lines lines = Lay(text, o);
    ASSERT_GE(lines.size(), 1u) << c.name;
    if (c.impose_width) {
      ASSERT_GE(lines.size(), 2u) << c.name;
      EXPECT_EQ(lines[0], head) << c.name;
      EXPECT_EQ(lines[1], tail) << c.name;
    } else {
      EXPECT_EQ(lines[0], first) << c.name;
    }
  }
}

TEST(LayoutTest, PendingTailBeforeAForcedBreakStandsAlone) {
  DetagOptions o = Options(40);
  o.short_lines_end_paragraphs = false;
  const std::string text = "The quick brown fox jumps over the lazy dog, again and again.\n" + kBr +
                           "Next line after a break.";
  EXPECT_EQ(Lay(text, o), (Lines{"The quick brown fox jumps over the lazy", "dog, again and again.",
                                 "Next line after a break."}));
}

TEST(LayoutTest, TextJoinedToARuleIsNotCutDown) {
  DetagOptions o = Options(40);
  o.short_lines_end_paragraphs = false;
  const std::string text =
      "The quick brown fox jumps over the lazy dog, again and a\n" + std::string(30, '=') + "\nend";
  const Lines lines = Lay(text, o);
  std::string all;
  for (const std::string& l : lines) all += l + " ";
  EXPECT_NE(all.find("again and a"), std::string::npos);
  EXPECT_NE(all.find(std::string(30, '=')), std::string::npos);
}

TEST(LayoutTest, ListBulletsHangLeftOfTheText) {
  const std::string text = "$_$_START_LIST\n[[LI]]" + kDot + " first item\n[[LI]]12) twelve\n" +
                           "$_$_START_LIST\n[[LI]]" + kDot + " deep\n$_$_END_LIST\n" +
                           "$_$_END_LIST\nAfter.";
  EXPECT_EQ(Lay(text, Options()), (Lines{"  " + kDot + " first item", "12) twelve",
                                         "      " + kDot + " deep", "", "After."}));

  DetagOptions starred = Options();
  starred.bullet_characters = "*,middot";
  EXPECT_EQ(Lay("$_$_START_LIST\n[[LI]]" + kDot + " item", starred)[0], "  * item");

  LayoutFileInputs inputs;
  inputs.bullet_chars = "o";
  EXPECT_EQ(Lay("$_$_START_LIST\n[[LI]]o item\n[[LI]]oo item", Options(), inputs),
            (Lines{"  " + kDot + " item", " oo item"}));
}

TEST(LayoutTest, SingleLineParagraphs) {
  DetagOptions o = Options(40);
  o.paragraph_on_single_line = true;
  const std::string long_text(100, 'w');
  const std::string text = long_text + "\n\nShort one" + kOppl + "\n" + kBr +
                           "next part\n\n$_$_START_BLOCK\none" + kOppl + "two\n$_$_END_BLOCK\nlast";
  EXPECT_EQ(Lay(text, o), (Lines{long_text, "", "Short one", "next part", "", "    one", "    two",
                                 "", "last", ""}));
}

TEST(LayoutTest, ShortLinesEndParagraphs) {
  const std::string long1 =
      "This line is long enough that it does not count as a short line at all.";
  const std::string long2 =
      "And this line is long enough as well, it does not count as short either.";
  EXPECT_EQ(Lay(long1 + "\nShort line.\nAnother short one.\n" + long2, Options()),
            (Lines{long1, "Short line.", "", "Another short one.", long2}));
  // A forced break after the short line is a line break, not a paragraph end.
  EXPECT_EQ(Lay(long1 + "\nShort line.\n" + kBr + "Another short one.\n" + long2, Options()),
            (Lines{long1, "Short line.", "Another short one.", long2}));
}

TEST(LayoutTest, DialogueLinesStandApart) {
  struct Case {
    bool extra_checks;
    std::string text;
    Lines laid_out;
  };
  const Case cases[] = {
      {false,
       "Narration line.\n\"Hello there.\"\nMore narration.",
       {"Narration line.", "", "\"Hello there.\"", "", "More narration."}},
      // Extra checks: a quote opens only before a capital, and closes only
      // before a line that does not start in lower case.
      {true,
       "Narration line.\n\"hello there.\"\nMore narration.",
       {"Narration line.", "\"hello there.\"", "", "More narration."}},
      {true,
       "Narration line.\n\"hello there.\"\nmore narration.",
       {"Narration line.", "\"hello there.\"", "more narration."}},
  };
  for (const Case& c : cases) {
    DetagOptions o = Options();
    o.short_lines_end_paragraphs = false;
    o.look_for_dialogue = true;
    o.extra_dialogue_checks = c.extra_checks;
    EXPECT_EQ(Lay(c.text, o), c.laid_out) << c.text;
  }
}

TEST(LayoutTest, FirstLineIndentNarrowsTheFirstPiece) {
  DetagOptions o = Options(40);
  o.short_lines_end_paragraphs = false;
  o.first_line_indent = "   ";
  EXPECT_EQ(Lay("This guide shows how the layout step is filling paragraphs to the page width.", o),
            (Lines{"   This guide shows how the layout step",
                   "is filling paragraphs to the page width."}));
}

TEST(LayoutTest, AbsurdPageWidthIsBounded) {
  DetagOptions o = Options(2000000000);
  o.indent_positions = {0,          2000000000, 2000000000, 2000000000,
                        2000000000, 2000000000, 2000000000, 2000000000};
  const Lines lines = Lay("[[CENTER]]middle\n$_$_START_BLOCK\nindented", o);
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) EXPECT_LT(line.size(), 70000u);
  EXPECT_EQ(Trim(lines[0]), "middle");
}

TEST(LayoutTest, MarkupRemovalPassesLinesThrough) {
  DetagOptions o = Options(20);
  o.remove_all_tags = false;
  const std::string text = "<p>" + std::string(50, 'x') + "  </p>\n\n\n$_$_LINE\n  ";
  EXPECT_EQ(Lay(text, o),
            (Lines{"<p>" + std::string(50, 'x') + "  </p>", "", "", "$_$_LINE", "  "}));
}

TEST(LayoutTest, AlignmentSurvivesBetweenFilesInTheCallersState) {
  ProgramLayoutState state;
  DetagOptions o = Options(40);
  LayOutText("[[RIGHT]]right", o, {}, state);
  EXPECT_EQ(state.alignment, Alignment::kRight);
  EXPECT_EQ(LayOutText("next file", o, {}, state)[0], std::string(31, ' ') + "next file");
}

// ---- Golden layout ----

// A heading, a paragraph, a short line, a list with a wrapped item and a
// rule, as the detag pass marks them up.
std::string GoldenText() {
  return "[[CENTER]]\n" + kBr + "\n$_$_START_HEADING\n" + kBr + "A Small Guide\n" + kBr +
         "*************\n" + kBr + "\n$_$_END_HEADING\n" + kBr +
         "[[LEFT]]This guide shows how the layout step fills paragraphs to the page width, hangs "
         "list bullets and draws rules.\n\nLists come next:\n" +
         kBr + "\n$_$_START_LIST\n" + kBr + "[[LI]]" + kDot +
         " Bullets hang to the left of the text column, even when an item runs over more than one "
         "line.\n" +
         kBr + "[[LI]]" + kDot + " Short item.\n" + kBr + "\n$_$_END_LIST\n" + kBr +
         "\n$_$_LINE 20\n" + kBr + "The end.";
}

TEST(LayoutGoldenTest, Width40) {
  EXPECT_EQ(Lay(GoldenText(), Options(40)), (Lines{
                                                "             A Small Guide",
                                                "             *************",
                                                "",
                                                "This guide shows how the layout step",
                                                "fills paragraphs to the page width,",
                                                "hangs list bullets and draws rules.",
                                                "",
                                                "Lists come next:",
                                                "",
                                                // The label takes no room from
                                                // the text: the item's first
                                                // line is as wide as the rest.
                                                "  " + kDot + " Bullets hang to the left of the text",
                                                "    column, even when an item runs over",
                                                "    more than one line.",
                                                "  " + kDot + " Short item.",
                                                "",
                                                "--------------------",
                                                "The end.",
                                            }));
}

TEST(LayoutGoldenTest, Width72) {
  EXPECT_EQ(Lay(GoldenText(), Options(72)),
            (Lines{
                std::string(29, ' ') + "A Small Guide",
                std::string(29, ' ') + "*************",
                "",
                "This guide shows how the layout step fills paragraphs to the page width,",
                "hangs list bullets and draws rules.",
                "",
                "Lists come next:",
                "",
                "  " + kDot + " Bullets hang to the left of the text column, even when an item runs",
                "    over more than one line.",
                "  " + kDot + " Short item.",
                "",
                "--------------------",
                "The end.",
            }));
}

TEST(LayoutGoldenTest, Width40Justified) {
  DetagOptions o = Options(40);
  o.right_justify = true;
  const Lines lines = Lay(GoldenText(), o);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[3], "This  guide  shows  how the  layout step");
  EXPECT_EQ(lines[4], "fills  paragraphs  to  the  page  width,");
  EXPECT_EQ(lines[5], "hangs list bullets and draws rules.");  // paragraph end, short
  // The item's first line reaches the right margin like the others; the
  // blank after the bullet does not stretch.
  EXPECT_EQ(lines[9], "  " + kDot + " Bullets hang to the left of the text");
  EXPECT_EQ(lines[10], "    column, even when an item runs  over");
}

// ---- Long lines and buffer reuse ----

// Layout tags, list-item tags and forced breaks are removed wherever they
// stand; a long unwrapped line holding many of them must not take time in
// proportion to their count times its length.
TEST(LayoutTest, ManyTagsInOneLongLineAllGo) {
  const int count = 100000;
  std::string line;
  for (int i = 0; i < count; ++i) line += "w" + kBr + "[[li]][[Center]][[TAB_STOP_RIGHT]]";
  const Lines lines = Lay("$_$_START_PRE\n" + line + "\n$_$_END_PRE", Options());
  // The short statement line after the long one ends the paragraph.
  EXPECT_EQ(lines, (Lines{std::string(count, 'w'), ""}));
}

// The output pass keeps its line buffers from line to line when the sink
// only reads them: long lines followed by shorter and blank ones must come
// out as when the sink takes each line away.
TEST(LayoutTest, SinkThatOnlyReadsSeesTheSameLines) {
  const std::string texts[] = {
      GoldenText(),
      std::string(150, 'l') + " tail\n\nshort\n" + std::string(90, 'm') + "\n\n\nx  \ny",
      "$_$_START_LIST\n[[LI]]" + kDot + " " + std::string(200, 'i') + "\n$_$_END_LIST\nend"};
  for (const std::string& text : texts) {
    for (int width : {40, 72}) {
      const DetagOptions o = Options(width);
      ProgramLayoutState state;
      Lines read;
      LayOutTextTo(text, o, {}, state, {}, [&](std::string_view line) { read.emplace_back(line); });
      EXPECT_EQ(read, Lay(text, o)) << width << ": " << text.substr(0, 20);
    }
  }
}

TEST(LayoutTest, EveryMiddleDotTakesALongerTextBullet) {
  DetagOptions o = Options();
  o.bullet_characters = "->,middot";
  EXPECT_EQ(Lay("$_$_START_LIST\n[[LI]]" + kDot + " a" + kDot + kDot + "b", o)[0], "  -> a->->b");
}

TEST(LayoutTest, LayOutLineAppendsAfterTheCallersLines) {
  ProgramLayoutState state;
  LineLayout layout(state);
  const DetagOptions o = Options();
  layout.ResetLayoutState(o, {});
  Lines out{"kept"};
  layout.LayOutLine(o, out, true, "first", "");
  layout.LayOutLine(o, out, false, "second", "");
  EXPECT_EQ(out, (Lines{"kept", "first", "", "second"}));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Laid out in two halves side by side (forced for any size here), a text
// gives the lines, messages and carried state of one layout, whether the
// second half's guess of the state at the cut holds or not: texts of
// paragraphs, lists nested and jumped into, blocks, pre-formatted text,
// alignment and rules, cut at an empty line, with a warm-up that often
// starts inside a list the cut is in.
TEST(LayoutSideBySide, GivesTheLinesOfOneLayout) {
  const std::vector<std::string> pieces = {
      "A line of ordinary words that goes on for a while and then some more.\n",
      "short\n", "\n", "\n", kBr + "after a forced break\n", "$_$_START_LIST\n", "$_$_END_LIST\n",
      "[[LI]]" + kDot + " an item of a list\n", "[[LI]]12) a numbered item\n",
      "$_$_START_BLOCK\n", "$_$_END_BLOCK\n", "$_$_START_PRE\n  code  line\n\n$_$_END_PRE\n",
      "[[CENTER]]centred\n", "[[LEFT]]\n", "[[JUSTIFY]]\n", "$_$_LINE\n",
      "$_$_START_LIST\n$_$_START_LIST\n[[LI]]" + kDot + " deep\n$_$_END_LIST\n"};
  std::mt19937 random(3);
  for (int round = 0; round < 150; ++round) {
    std::string text;
    // Long enough that the warm-up (16 KB) sometimes starts past a list's
    // opening and sometimes does not.
    const size_t size = 2000 + random() % 60000;
    while (text.size() < size) text += pieces[random() % pieces.size()];
    for (int width : {72, 30}) {
      const DetagOptions options = Options(width);
      LayoutFileInputs whole_inputs, split_inputs;
      split_inputs.side_by_side = true;
      split_inputs.worth_splitting = 0;
      ProgramLayoutState whole_state, split_state;
      std::vector<std::string> whole_messages, split_messages;
      const Lines whole = LayOutText(text, options, whole_inputs, whole_state,
                                     [&](const std::string& m, int) { whole_messages.push_back(m); });
      const Lines split = LayOutText(text, options, split_inputs, split_state,
                                     [&](const std::string& m, int) { split_messages.push_back(m); });
      ASSERT_EQ(split, whole) << "round " << round << " width " << width;
      EXPECT_EQ(split_messages, whole_messages);
      EXPECT_TRUE(split_state == whole_state);
    }
  }
}

// A layout that lets go of the text it has passed never reads that text
// again: every stretch it gives back is overwritten at once, and the lines
// stay those of a layout that gives nothing back, on one thread or two.
// The stretches follow one another from the start and end with the text.
TEST(LayoutSideBySide, TextGivenBackIsNotReadAgain) {
  const std::vector<std::string> pieces = {
      "Words of an ordinary paragraph that runs on for a while.\n", "short\n", "\n",
      kBr + "after a break\n", "$_$_START_LIST\n[[LI]]" + kDot + " an item\n$_$_END_LIST\n",
      "$_$_START_PRE\n  code  line\n\n$_$_END_PRE\n", "[[CENTER]]centred\n", "[[LEFT]]\n"};
  std::mt19937 random(5);
  for (int round = 0; round < 40; ++round) {
    std::string text;
    const size_t size = 2000 + random() % 60000;
    while (text.size() < size) text += pieces[random() % pieces.size()];
    for (bool side_by_side : {false, true}) {
      const DetagOptions options = Options(60);
      ProgramLayoutState plain_state, given_state;
      const Lines plain = LayOutText(text, options, {}, plain_state, {});
      std::string used_up = text;
      size_t given_to = 0;
      bool in_order = true;
      LayoutFileInputs inputs;
      inputs.side_by_side = side_by_side;
      inputs.worth_splitting = 0;
      inputs.release_step = 1 + random() % 3000;
      inputs.done_with = [&](size_t from, size_t to) {
        in_order = in_order && from == given_to && to > from && to <= used_up.size();
        given_to = to;
        std::fill(used_up.begin() + static_cast<long>(from), used_up.begin() + static_cast<long>(to),
                  '#');
      };
      const Lines given = LayOutText(used_up, options, inputs, given_state, {});
      ASSERT_EQ(given, plain) << "round " << round << (side_by_side ? " side by side" : "");
      EXPECT_TRUE(in_order);
      EXPECT_EQ(given_to, text.size());
      EXPECT_TRUE(given_state == plain_state);
    }
  }
}

}  // namespace
}  // namespace orv
