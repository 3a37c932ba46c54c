// Tests of splitting one tag into name and attributes and writing it back.
#include "html/parsed_tag.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

namespace orv {
namespace {

TEST(ParsedTagTest, SplitsNameAndAttributesKeepingQuoting) {
  ParsedTag tag = ParsedTag::Parse("<A HREF=x.html title='a b'>");
  EXPECT_EQ(tag.name, "A");
  ASSERT_EQ(tag.attributes.size(), 2u);
  EXPECT_EQ(tag.attributes[0].separator, " ");
  EXPECT_EQ(tag.attributes[0].name, "HREF");
  EXPECT_EQ(tag.attributes[0].value_text, "=x.html");
  EXPECT_EQ(tag.attributes[0].Value(), "x.html");
  EXPECT_EQ(tag.attributes[1].name, "title");
  EXPECT_EQ(tag.attributes[1].value_text, "='a b'");
  EXPECT_EQ(tag.attributes[1].Value(), "a b");
  EXPECT_TRUE(tag.has_close);
  EXPECT_FALSE(tag.IsLeftAlone());
  EXPECT_EQ(tag.Reassemble(), "<A HREF=x.html title='a b'>");
  EXPECT_EQ(tag.Reassemble(NameCase::kUpper), "<A HREF=x.html TITLE='a b'>");
  EXPECT_EQ(tag.Reassemble(NameCase::kLower), "<a href=x.html title='a b'>");
}

// Tags that come back exactly as written.
TEST(ParsedTagTest, ReassemblyKeepsWhatWasWritten) {
  const char* cases[] = {
      "<p>",
      "</td>",
      "<br/>",
      "<br />",
      "<p >",
      "<img src=\"a b.gif\"  alt='x'>",
      "<input checked name=x disabled>",
      "<a\nhref=x>",
      "<td\tbgcolor=red width=\"10\">",
      "<td\r\nalign=left>",
      "<a title=\"it's\" alt='say \"hi\"'>",
      "<a href=>",
      "<a =x>",
      "<a title=\"never closed>",
      "<a href=x",
      "<a href='x' ",
      "<",
      "<>",
      "</>",
      "<!-- a comment -->",
      "<o:p class=MsoNormal>",
      "before<b>after",
      "<a title=\"x>y\">",  // the tag ends at the first ">"; the rest is kept
  };
  for (const char* text : cases) EXPECT_EQ(ParsedTag::Parse(text).Reassemble(), text) << text;
}

TEST(ParsedTagTest, Normalisations) {
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      // Blanks around "=" are dropped.
      {"<a href = \"x\">", "<a href=\"x\">"},
      {"<a href\n=\nx>", "<a href=x>"},
      // An attribute written straight after a quoted value gets one space.
      {"<a href=\"x\"title=\"y\">", "<a href=\"x\" title=\"y\">"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParsedTag::Parse(c.input).Reassemble(), c.output) << c.input;
}

TEST(ParsedTagTest, NamesAndValuesOfOddAttributes) {
  ParsedTag tag = ParsedTag::Parse("<input checked  disabled name = 'q' value=\"a>");
  EXPECT_EQ(tag.name, "input");
  ASSERT_EQ(tag.attributes.size(), 4u);
  EXPECT_EQ(tag.attributes[0].name, "checked");
  EXPECT_EQ(tag.attributes[0].value_text, "");
  EXPECT_EQ(tag.attributes[1].separator, "  ");
  EXPECT_EQ(tag.attributes[1].name, "disabled");
  EXPECT_EQ(tag.attributes[1].value_text, "");
  EXPECT_EQ(tag.attributes[2].value_text, "='q'");
  EXPECT_EQ(tag.attributes[3].value_text, "=\"a");  // quote never closed before ">"
  EXPECT_EQ(tag.attributes[3].Value(), "a");
  EXPECT_TRUE(tag.has_close);

  ParsedTag tabbed = ParsedTag::Parse("<td\tbgcolor=red>");
  EXPECT_EQ(tabbed.name, "td");
  ASSERT_EQ(tabbed.attributes.size(), 1u);
  EXPECT_EQ(tabbed.attributes[0].separator, "\t");

  ParsedTag empty_element = ParsedTag::Parse("<br />");
  EXPECT_EQ(empty_element.name, "br");
  EXPECT_TRUE(empty_element.attributes.empty());
  EXPECT_EQ(empty_element.tail, " /");
}

TEST(ParsedTagTest, DroppingAttributesAndChangingCase) {
  ParsedTag tag = ParsedTag::Parse("<TD BGCOLOR=red WIDTH=10 Class=\"Big One\">");
  tag.attributes.erase(tag.attributes.begin());
  EXPECT_EQ(tag.Reassemble(NameCase::kLower), "<td width=10 class=\"Big One\">");
  tag.attributes.clear();
  EXPECT_EQ(tag.Reassemble(NameCase::kUpper), "<TD>");
}

TEST(ParsedTagTest, TagsLeftAlone) {
  const struct {
    const char* text;
    bool left_alone;
  } cases[] = {
      {"<!-- x -->", true},      {"<!--x-->", true}, {"<!DOCTYPE html>", true},
      {"<!doctype html>", true}, {"<3>", true},      {"<12>", true},
      {"no tag here", true},     {"", true},         {"<p>", false},
      {"<3a>", false},           {"<>", false},      {"<!ELEMENT x>", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParsedTag::Parse(c.text).IsLeftAlone(), c.left_alone) << c.text;
}

TEST(ParsedTagTest, TextWithoutTagComesBackUnchanged) {
  for (const char* text : {"", "plain text", "a > b"}) {
    ParsedTag tag = ParsedTag::Parse(text);
    EXPECT_FALSE(tag.has_open);
    EXPECT_EQ(tag.Reassemble(NameCase::kUpper), text);
  }
}

// A megabyte of attributes, of an unclosed quote or of blanks parses in
// linear time and comes back whole.
TEST(ParsedTagTest, HugeTagsStayLinear) {
  std::string many = "<a";
  while (many.size() < (1u << 20)) many += " x=1 y='2 3'";
  many += ">";
  ParsedTag tag = ParsedTag::Parse(many);
  EXPECT_GT(tag.attributes.size(), 100000u);
  EXPECT_EQ(tag.Reassemble(), many);

  std::string unclosed = "<a title=\"" + std::string(1u << 20, 'x');
  EXPECT_EQ(ParsedTag::Parse(unclosed).Reassemble(), unclosed);

  std::string blanks = "<a" + std::string(1u << 20, ' ') + "b>";
  ParsedTag spaced = ParsedTag::Parse(blanks);
  ASSERT_EQ(spaced.attributes.size(), 1u);
  EXPECT_EQ(spaced.Reassemble(), blanks);

  std::string names_only = "<a";
  while (names_only.size() < (1u << 20)) names_only += " n";
  EXPECT_EQ(ParsedTag::Parse(names_only).Reassemble(NameCase::kUpper), ToUpper(names_only));
}

TEST(FindTagEndTest, QuotedValuesAreSkipped) {
  EXPECT_EQ(FindTagEnd("<p>", 0), 2u);
  EXPECT_EQ(FindTagEnd("x<a title=\"a>b\" href=x>y", 1), 22u);
  EXPECT_EQ(FindTagEnd("<a t = 'a>b'>", 0), 12u);
  // An apostrophe inside an unquoted value opens nothing.
  EXPECT_EQ(FindTagEnd("<p class=don't>x'>", 0), 14u);
  // A quote not closed before the next tag, or never: the first ">".
  EXPECT_EQ(FindTagEnd("<a t=\"a>b <i>\"", 0), 7u);
  EXPECT_EQ(FindTagEnd("<a t=\"a>b", 0), 7u);
  EXPECT_EQ(FindTagEnd("<a t=\"a\"", 0), std::string_view::npos);
  const ParsedTag tag = ParsedTag::Parse("<a title=\"a>b\" href=x>");
  ASSERT_EQ(tag.attributes.size(), 2u);
  EXPECT_EQ(tag.attributes[0].Value(), "a>b");
  EXPECT_EQ(tag.Reassemble(NameCase::kUpper), "<A TITLE=\"a>b\" HREF=x>");
}

}  // namespace
}  // namespace orv
