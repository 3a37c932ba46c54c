// Tests of the shared text helpers: case folding is ASCII-only, and path
// splitting keeps the directory's final "/".
#include "common/text.h"

#include <gtest/gtest.h>

#include <random>

namespace orv {
namespace {

TEST(TextTest, CaseInsensitiveSearchIgnoresOnlyAsciiLetters) {
  EXPECT_EQ(FindNoCase("abc</TABLE>", "</table>"), 3u);
  EXPECT_EQ(FindNoCase("ab", "abc"), std::string::npos);
  EXPECT_TRUE(EqualsNoCase("Remove All Tags", "remove all tags"));
  EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9"));  // Latin-1 letters are not folded
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_EQ(CompareNoCase("ABC", "abc"), 0);
  EXPECT_GT(CompareNoCase("abcd", "ABC"), 0);
}

TEST(TextTest, CaseInsensitiveSearchFromAnOffset) {
  struct Case {
    std::string_view text, needle;
    size_t from, want;
  };
  constexpr size_t kNo = std::string::npos;
  const Case cases[] = {
      {"x [[li]] y [[LI]]", "[[LI]]", 0, 2},   // punctuation first: found in any case
      {"x [[li]] y [[LI]]", "[[LI]]", 3, 11},  // from past the first occurrence
      {"x [[li]] y [[LI]]", "[[LI]]", 12, kNo},
      {"[[[LI]]", "[[LI]]", 0, 1},             // a false start just before a match
      {"aBcabc", "ABC", 1, 3},                 // letter first: both cases found
      {"abc", "ABC", 0, 0},
      {"abc", "abc", 1, kNo},
      {"abc", "abc", 99, kNo},                 // an offset beyond the text
      {"abc", "", 3, 3},
      {"abc", "", 4, kNo},
      {"a\xe9" "b", "\xc9" "B", 0, kNo},
      {"xyzA", "a", 0, 3},                     // a one-character needle at the very end
      {"<t<T<tR", "<TR", 0, 4},                // candidates failing on their second character
      {"<T", "<tr", 0, kNo},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindNoCase(c.text, c.needle, c.from), c.want) << c.text << " / " << c.needle << " from " << c.from;
}

TEST(TextTest, TrimAndCollapse) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(CollapseBlanks("  Target   Page\twidth  "), "Target Page width");
  EXPECT_EQ(CollapseBlanks(""), "");
}

// Word by word, as character by character: no blank at either end, one
// space for every run between words.
TEST(TextTest, CollapseBlanksGivesOneSpaceBetweenWords) {
  auto reference = [](std::string_view text) {
    std::string out;
    bool pending = false;
    for (char c : text) {
      if (IsBlank(c)) {
        pending = !out.empty();
        continue;
      }
      if (pending) out += ' ';
      pending = false;
      out += c;
    }
    return out;
  };
  const std::string alphabet = "ab \t\r\n";
  std::mt19937 random(1516);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (size_t k = random() % 24; k > 0; --k) text += alphabet[random() % alphabet.size()];
    ASSERT_EQ(CollapseBlanks(text), reference(text)) << "[" << text << "]";
  }
}

TEST(TextTest, SplitKeepsEmptyFieldsAndLinesDropFinalFeed) {
  EXPECT_EQ(Split("8,,4", ','), (std::vector<std::string>{"8", "", "4"}));
  EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

// A field picked out on its own is the one Split gives at that index.
TEST(TextTest, FieldOfMatchesSplit) {
  for (std::string_view text : {"", ",", "a", "a,b", ",a,,b,", " x , y ,z"}) {
    const std::vector<std::string> fields = Split(text, ',');
    for (size_t k = 0; k <= fields.size() + 1; ++k) {
      const std::optional<std::string_view> field = FieldOf(text, ',', k);
      if (k < fields.size()) {
        ASSERT_TRUE(field.has_value()) << text << " " << k;
        EXPECT_EQ(*field, fields[k]) << text << " " << k;
      } else {
        EXPECT_FALSE(field.has_value()) << text << " " << k;
      }
    }
  }
}

// Erasing until none is left gives what erasing the first occurrence again
// and again gives, also where erasures join the parts of a new one and
// where occurrences overlap ("aba" in "ababa").
TEST(TextTest, EraseUntilAbsentMatchesRepeatedFirstErasure) {
  std::mt19937 rng(2026);
  const char* needles[] = {"ab", "aba", "aab", "\xFF\xFFOP\xFF\xFF", "a", "abab"};
  for (int n = 0; n < 20000; ++n) {
    const std::string_view needle = needles[rng() % std::size(needles)];
    std::string text;
    for (size_t k = rng() % 40; k > 0; --k) {
      if (rng() % 4 == 0) text += needle;
      else text += "abOP\xFF"[rng() % 5];
    }
    std::string want = text;
    for (size_t at; (at = want.find(needle)) != std::string::npos;) want.erase(at, needle.size());
    std::string got = text;
    EraseUntilAbsent(got, needle);
    ASSERT_EQ(got, want) << "needle \"" << needle << "\" text \"" << text << "\"";
  }
  std::string nothing = "abc";
  EraseUntilAbsent(nothing, "");
  EXPECT_EQ(nothing, "abc");
}

TEST(TextTest, SplitPathTakesLastDotOfLastComponent) {
  PathParts p = SplitPath("/data/v1.2/page.tar.htm");
  EXPECT_EQ(p.directory, "/data/v1.2/");
  EXPECT_EQ(p.name, "page.tar");
  EXPECT_EQ(p.extension, ".htm");
  PathParts q = SplitPath("/data/v1.2/README");
  EXPECT_EQ(q.directory, "/data/v1.2/");
  EXPECT_EQ(q.name, "README");
  EXPECT_EQ(q.extension, "");
}

}  // namespace
}  // namespace orv
