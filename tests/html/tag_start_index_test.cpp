// Checks of the tag-opening index and of PatternList::MayMatch built on it:
// a list the index rules out must be one that would neither change the text
// nor call a handler, judged by applying it to random texts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "html/detag_handlers.h"
#include "html/pattern_list.h"
#include "html/tag_start_index.h"

namespace orv {
namespace {

TEST(TagStartIndexTest, AnswersForLeadsOfEachLength) {
  TagStartIndex index;
  EXPECT_TRUE(index.MayContain("<form"));  // not built: no claim
  index.Build("text <Font size=2> and </b> then <");
  struct Case {
    const char* lead;
    bool may;
  } const cases[] = {
      {"<f", true},     {"<FONT", true},   {"<font", true},  {"</B>", true}, {"</", true},
      {"<x", false},    {"<fx", false},    {"<form", false}, {"<", true},    {"form", true},
      {"</b>x", true},  {"<b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(index.MayContain(c.lead), c.may) << c.lead;
  index.Invalidate();
  EXPECT_TRUE(index.MayContain("<x"));
}

TEST(TagStartIndexTest, OpeningAtTheEndOfTheText) {
  TagStartIndex index;
  index.Build("a<b");
  EXPECT_TRUE(index.MayContain("<b"));
  EXPECT_FALSE(index.MayContain("<bc"));
  EXPECT_FALSE(index.MayContain("<bcd"));
}

// Random texts of few letters make both outcomes common.
TEST(TagStartIndexTest, ListsRuledOutNeverAct) {
  const char* const patterns[] = {"<ab", "<b%W**>", "</a>", "<a>**</a>", "<c", "<BA*W>", "-->", "<"};
  const char alphabet[] = "<<</abcABC> -";
  std::mt19937 rng(7);
  int ruled_out = 0;
  for (int round = 0; round < 3000; ++round) {
    PatternList list;
    int calls = 0;
    const int entries = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < entries; ++e) {
      const char* pattern = patterns[rng() % std::size(patterns)];
      if (rng() % 2 == 0) {
        list.AddReplace(pattern, "#");
      } else {
        list.AddCallback(pattern, [&calls](PatternList&, const Pattern&, long, long,
                                           const std::string&, size_t, void*) {
          ++calls;
          return static_cast<int>(ActionNone);
        });
      }
    }
    std::string text;
    const size_t length = rng() % 24;
    while (text.size() < length) text += alphabet[rng() % (sizeof(alphabet) - 1)];
    TagStartIndex index;
    index.Build(text);
    if (list.MayMatch(index)) continue;
    ++ruled_out;
    const std::string before = text;
    EXPECT_EQ(list.ApplyInPlace(text), 0) << before;
    EXPECT_EQ(text, before);
    EXPECT_EQ(calls, 0) << before;
  }
  EXPECT_GT(ruled_out, 100);
}

TEST(TagAttributesTest, AgreesWithSingleLookups) {
  const char* const tags[] = {"<td align=\"right\" NOWRAP colspan=2>rest>", "<a href='x' name=y>",
                              "<td width=\"50%>", "<p>", "<img src=a.gif alt=\"A b\" src=b>"};
  const char* const names[] = {"align", "nowrap", "colspan", "href", "name", "width", "src", "alt", "x"};
  for (const char* tag : tags) {
    const TagAttributes attributes(tag);
    for (const char* name : names) {
      std::string single = "old";
      std::string parsed_once = "old";
      const bool found = GetTagAttribute(tag, name, single);
      EXPECT_EQ(attributes.Get(name, parsed_once), found) << tag << " " << name;
      EXPECT_EQ(parsed_once, single) << tag << " " << name;
    }
  }
}

}  // namespace
}  // namespace orv
