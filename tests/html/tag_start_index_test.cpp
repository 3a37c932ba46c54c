// Checks of the tag-opening index and of PatternList::MayMatch built on it:
// a list the index rules out must be one that would neither change the text
// nor call a handler, judged by applying it to random texts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "convert/detag_handlers.h"
#include "html/parsed_tag.h"
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
// A rebuilt index answers for its new text alone, whatever the text before
// it held (its words are cleared one by one or the tables in full).
TEST(TagStartIndexTest, RebuildForgetsTheTextBefore) {
  // Few openings; more than are listed in a small text; a large text.
  std::string some, many;
  for (int k = 0; k < 400; ++k) some += "<x" + std::to_string(k) + ">";
  for (int k = 0; k < 3000; ++k) many += "<x" + std::to_string(k) + "> ";
  for (const std::string& before : {std::string("<em> <strong>"), some, many}) {
    TagStartIndex index;
    index.Build(before);
    index.Build("<p>");
    EXPECT_TRUE(index.MayContain("<p>"));
    EXPECT_FALSE(index.MayContain("<em"));
    EXPECT_FALSE(index.MayContain("<st"));
    EXPECT_FALSE(index.MayContain("<x1"));
    EXPECT_FALSE(index.MayContain("<x29"));
    index.Build("plain");
    EXPECT_FALSE(index.MayContain("<p"));
  }
}

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

// The attribute readers against the general tag parser, on written and
// random tags (quotes left open, "=" with blanks, text around the tag).
TEST(TagAttributesTest, AgreeWithTheTagParser) {
  std::vector<std::string> tags = {"<td align=\"right\" NOWRAP colspan=2>rest>",
                                   "<a href='x' name=y>", "<td width=\"50%>", "<p>", "x>y<a b=1>",
                                   "<img src=a.gif alt=\"A b\" src=b>", "<br />", "no tag",
                                   // More attributes than are held in place.
                                   "<td c=1 d=2 e=3 f=4 g=5 h=6 align=left href=x B=2 nowrap>"};
  const char alphabet[] = "<>=\"' \tabAB/";
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    std::string tag = "<a";
    const size_t length = rng() % 20;
    while (tag.size() < length) tag += alphabet[rng() % (sizeof(alphabet) - 1)];
    tags.push_back(tag);
  }
  const char* const names[] = {"a", "b", "ab", "B", "align", "nowrap", "colspan", "href", "name",
                               "src", "alt", "/"};
  for (const std::string& tag : tags) {
    const TagAttributes attributes(tag);
    const size_t close = tag.find('>');
    const ParsedTag parsed =
        ParsedTag::Parse(close == std::string::npos ? tag : tag.substr(0, close + 1));
    for (const char* name : names) {
      bool expected_found = false;
      std::string expected;
      for (const TagAttribute& attribute : parsed.attributes) {
        if (EqualsNoCase(attribute.name, name)) {
          expected_found = true;
          expected = std::string(attribute.Value());
          break;
        }
      }
      std::string single = "old";
      std::string parsed_once = "old";
      EXPECT_EQ(GetTagAttribute(tag, name, single), expected_found) << tag << " " << name;
      EXPECT_EQ(single, expected) << tag << " " << name;
      EXPECT_EQ(attributes.Get(name, parsed_once), expected_found) << tag << " " << name;
      EXPECT_EQ(parsed_once, expected) << tag << " " << name;
    }
  }
}

}  // namespace
}  // namespace orv
