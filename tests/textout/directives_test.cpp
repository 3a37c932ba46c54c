// Tests of the directive language's statement table and in-line tag
// parsing: statements follow the directive delimiter, layout statements do
// not, names ignore case, and malformed tags give their error texts.
#include "textout/directives.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(DirectiveKeywordsTest, TableIsInOrderAndFollowsTheDelimiter) {
  DirectiveKeywords keywords;
  EXPECT_EQ(keywords.Statement(Keyword::kAlarmDefinition), "$_$_ALARM_DEFINITION");
  EXPECT_EQ(keywords.Statement(Keyword::kTitle), "$_$_TITLE");
  EXPECT_EQ(KeywordName(Keyword::kDefineTextFragment), "DEFINE_TEXT_FRAGMENT");
  EXPECT_EQ(kKeywordCount, 111u);

  keywords.SetDelimiter("##");
  for (size_t i = 0; i < kKeywordCount; ++i) {
    const Keyword keyword = static_cast<Keyword>(i);
    EXPECT_EQ(keywords.Statement(keyword), "##" + std::string(KeywordName(keyword)));
    EXPECT_EQ(keywords.Match(keywords.Statement(keyword) + " argument"), keyword)
        << KeywordName(keyword);
  }
  EXPECT_EQ(keywords.Match("##end_block"), Keyword::kEndBlock);
  EXPECT_FALSE(keywords.Match("$_$_END_BLOCK").has_value());
  // The layout statements keep their own prefix whatever the delimiter is.
  EXPECT_EQ(kStartListStatement, "$_$_START_LIST");
  EXPECT_EQ(kEndTableStatement, "$_$_END_TABLE");
}

TEST(DirectiveKeywordsTest, StatementsAreRecognisedWholeAndOnlyAtTheStart) {
  const DirectiveKeywords keywords;
  struct Case {
    const char* line;
    std::optional<Keyword> expected;
  };
  const Case cases[] = {
      {"$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER", Keyword::kDefineTextFragment},
      {"$_$_define_text_fragment footer", Keyword::kDefineTextFragment},
      {"$_$_END_BLOCK", Keyword::kEndBlock},
      // A keyword that begins another does not claim it.
      {"$_$_TABLE_BORDER 1", Keyword::kTableBorder},
      {"$_$_TABLE_BORDERCOLOR red", Keyword::kTableBordercolor},
      {"$_$_PAGE", Keyword::kPage},
      {"$_$_PAGES", std::nullopt},
      {"$_$_CHANGE_POLICY:x", Keyword::kChangePolicy},
      {" $_$_END_BLOCK", std::nullopt},
      {"text $_$_END_BLOCK", std::nullopt},
      {"$_$_START_LIST", std::nullopt},  // a layout statement, not a keyword
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(keywords.Match(c.line), c.expected) << c.line;
  EXPECT_TRUE(keywords.IsStatementLine("$_$_anything"));
  EXPECT_FALSE(keywords.IsStatementLine("[[TEXT]]"));
}

TEST(InlineTagTest, NamesArgumentsAndFields) {
  const Delimiters delimiters;
  struct Case {
    const char* text;
    const char* name;
    const char* arguments;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {
          "[[TEXT_HEADER BOX_TOP]]",
          "TEXT_HEADER",
          "BOX_TOP",
          {"BOX_TOP"},
      },
      {"  [[ timestamp ]]  ", "timestamp", "", {}},
      {"[[COLOR=red]]", "COLOR", "red", {"red"}},
      {"[[FONT,Arial, 12]]", "FONT", "Arial, 12", {"Arial", "12"}},
      {"[[TEXT_HEADER COMMENT \"a, b\"  c]]",
       "TEXT_HEADER",
       "COMMENT \"a, b\"  c",
       {"COMMENT", "a, b", "c"}},
      {"$_$_LINERULE 40", "LINERULE", "40", {"40"}},
      // HTML keeps its argument as written.
      {"[[HTML  <b> x ]]", "HTML", " <b> x", {}},
      {"[[HTML_COMMENT a,b]]", "HTML_COMMENT", "a,b", {}},
  };
  for (const Case& c : cases) {
    InlineTag tag = ParseInlineTag(c.text, delimiters, /*in_fragment=*/true);
    EXPECT_EQ(tag.error, "") << c.text;
    EXPECT_EQ(tag.name, c.name) << c.text;
    EXPECT_EQ(tag.arguments, c.arguments) << c.text;
    EXPECT_EQ(tag.fields, c.fields) << c.text;
  }
}

TEST(InlineTagTest, ErrorsAndTheFragmentOnlyTags) {
  const Delimiters delimiters;
  EXPECT_EQ(ParseInlineTag("[[TEXT [[BR]]", delimiters).error,
            "Incomplete tag, or nested tag - \"[[TEXT [[BR]]\"");
  EXPECT_EQ(ParseInlineTag("[[NO_SUCH_TAG x]]", delimiters).error,
            "Unrecognised tag \"NO_SUCH_TAG\" : [[NO_SUCH_TAG x]]");
  EXPECT_EQ(ParseInlineTag("[[DEFINE_VARIABLE]]", delimiters).error,
            "TAG_ERROR: Failed to parse DEFINE_VARIABLE tag");
  EXPECT_EQ(ParseInlineTag("[[DEFINE_VARIABLE x 1]]", delimiters).error, "");

  // TEXT_HEADER and the page tags mean something only inside a fragment.
  EXPECT_EQ(ParseInlineTag("[[TEXT_HEADER TITLE]]", delimiters, false).error,
            "Unrecognised tag \"TEXT_HEADER\" : [[TEXT_HEADER TITLE]]");
  EXPECT_EQ(ParseInlineTag("[[next_page]]", delimiters, true).error, "");
  EXPECT_TRUE(IsInlineTagName("br", false));
  EXPECT_FALSE(IsInlineTagName("RULEALIGN", false));
  EXPECT_TRUE(IsInlineTagName("RULEALIGN", true));

  Delimiters curly;
  curly.start_tag = "{{";
  curly.end_tag = "}}";
  InlineTag tag = ParseInlineTag("{{VERSION}}", curly);
  EXPECT_EQ(tag.name, "VERSION");
  EXPECT_EQ(tag.error, "");
}

}  // namespace
}  // namespace orv
