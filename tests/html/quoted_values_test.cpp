// The entities for '<' and '>' inside quoted attribute values: which values
// count as such, and the stretches of a page that are passed over.
#include "html/quoted_values.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace orv {
namespace {

struct Case {
  const char* name;
  const char* input;
  const char* expected;  // nullptr: unchanged
};

TEST(QuotedValuesTest, RewritesOnlyValuesThatAreSurelyValues) {
  const Case cases[] = {
      {"double quotes", "<div ng-if=\"n > 0\">x</div>", "<div ng-if=\"n &gt; 0\">x</div>"},
      {"single quotes and blanks around '='", "<p title = 'a<b>c'>x", "<p title = 'a&lt;b&gt;c'>x"},
      {"several values, one without markup", "<input value=\"<b>w</b>\" id=\"i\" alt=\"1>0\"/>",
       "<input value=\"&lt;b&gt;w&lt;/b&gt;\" id=\"i\" alt=\"1&gt;0\"/>"},
      {"values before and after a '<' that is part of the tag", "<a x=\"1\" < y=\"2>3\">",
       "<a x=\"1\" < y=\"2&gt;3\">"},
      {"a tag start inside a tag, after a blank", "<td <table><tr>", "<td &lt;table><tr>"},
      {"the same after an unquoted value", "<a href=x <b>bold", "<a href=x &lt;b>bold"},
      {"a '<' inside a name", "<spa<b>n>", nullptr},
      {"a tag start after a value with markup", "<a t=\"x>y\" <b>z", nullptr},
      {"tag starts with no tag end", "a <b <c <d", nullptr},
      {"value closing the tag at once", "<li class=\"de>\">DE", "<li class=\"de&gt;\">DE"},
      {"plain tags", "<a href=\"x\" b='y'>t</a><br/><hr noshade>", nullptr},
      {"a quote that follows no '='", "<a b\"c>d\" e=\"f\">", nullptr},
      {"unquoted value", "<a href=x>y</a> \"z>\"", nullptr},
      {"quote never closed", "<a href=\"x>Link</a> text", nullptr},
      {"closing quote followed by a word", "<a href=\"x>Link</a> and \"quoted\" words>", nullptr},
      {"'<' after the value, before the tag's end", "<a t=\"x>y\" <b>z</b>", nullptr},
      {"a comment end in the value", "<a t=\"-->\">x", nullptr},
      {"a script end in the value", "<a t=\"</SCRIPT>\">x", nullptr},
      {"end tags", "</a t=\"x>y\">", nullptr},
      {"comments", "<!-- <a t=\"x>y\"> -->", nullptr},
      {"script content", "<script>s = '<a t=\"x>y\">';</script>", nullptr},
      {"style and title content", "<style>a[t=\"x>y\"]{}</style><title><a t=\"x>y\"></title>",
       nullptr},
      {"after a script, again", "<script>1</script ><a t=\"x>y\">",
       "<script>1</script ><a t=\"x&gt;y\">"},
      {"after a comment, again", "<!-- c --><a t=\"x>y\">", "<!-- c --><a t=\"x&gt;y\">"},
  };
  for (const Case& c : cases) {
    std::string text = c.input;
    const size_t count = EscapeMarkupInQuotedValues(text);
    const std::string expected = c.expected ? c.expected : c.input;
    EXPECT_EQ(text, expected) << c.name;
    EXPECT_EQ(count > 0, c.expected != nullptr) << c.name;
  }
}

// The content of each element that holds no markup is passed over to its
// end tag, whatever the case of its name; other elements are read on.
TEST(QuotedValuesTest, ElementsWithoutMarkupInsideArePassedOver) {
  for (const char* name : {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                           "noframes", "noscript", "plaintext", "SCRIPT", "NoScript"}) {
    const std::string n = name;
    std::string text = "<" + n + " a=\"1\"><b t=\"x>y\"></" + n + "><i t=\"x>y\">";
    EscapeMarkupInQuotedValues(text);
    EXPECT_EQ(text, "<" + n + " a=\"1\"><b t=\"x>y\"></" + n + "><i t=\"x&gt;y\">") << name;
  }
  for (const char* name : {"scripts", "styl", "tr", "noscripts", "p", "textareas"}) {
    const std::string n = name;
    std::string text = "<" + n + "><b t=\"x>y\"></" + n + ">";
    EscapeMarkupInQuotedValues(text);
    EXPECT_EQ(text, "<" + n + "><b t=\"x&gt;y\"></" + n + ">") << name;
  }
}

TEST(QuotedValuesTest, TagsBeyondTheBoundKeepTheirFirstEnd) {
  const std::string long_value(kMaxQuotedTagLength, 'v');
  std::string text = "<a t=\"x>" + long_value + "\">y";
  const std::string before = text;
  EXPECT_EQ(EscapeMarkupInQuotedValues(text), 0u);
  EXPECT_EQ(text, before);
}

// The text with the entities written back.
std::string Decoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 4, "&lt;") == 0 || text.compare(i, 4, "&gt;") == 0) {
      out += text[i + 1] == 'l' ? '<' : '>';
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Runs of unfinished tags and quotes: the walk stays linear (a slow one
// shows as a test timeout) and only ever adds entities.
TEST(QuotedValuesTest, HostileRunsOnlyGainEntities) {
  for (const char* unit :
       {"<a", "<a b=\"", "<a b=\"<", "<a b=\"x>\"y", "<!--", "<a b='>", "<a b=\"x>\" "}) {
    std::string text;
    while (text.size() < (size_t{1} << 20)) text += unit;
    const std::string before = text;
    EscapeMarkupInQuotedValues(text);
    EXPECT_EQ(Decoded(text), before) << unit;
  }
}

// Random pages of tag pieces: the rewriting only ever adds entities, and a
// second one finds nothing left to do. Held instead, the same characters
// come back byte for byte, and the held form is rewritten where the
// entities are.
TEST(QuotedValuesTest, RandomPagesOnlyGainEntitiesAndSettleAtOnce) {
  const char* pieces[] = {"<a",
                          " href=",
                          "\"",
                          "'",
                          ">",
                          "<",
                          "=",
                          " ",
                          "x",
                          "</",
                          "script",
                          "<!--",
                          "-->",
                          "style",
                          "\n",
                          "/",
                          "<b t=\"1>2\">",
                          "<p>"};
  std::mt19937 random(11);
  int rewritten = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = 1 + static_cast<int>(random() % 40);
    for (int k = 0; k < count; ++k) text += pieces[random() % std::size(pieces)];
    const std::string input = text;
    if (EscapeMarkupInQuotedValues(text) > 0) ++rewritten;
    ASSERT_EQ(Decoded(text), input) << input;
    const std::string once = text;
    EXPECT_EQ(EscapeMarkupInQuotedValues(text), 0u) << input;
    EXPECT_EQ(text, once) << input;

    std::string held = input;
    EscapeMarkupInQuotedValues(held, kMarkupHeld);
    std::string as_entities;
    for (size_t i = 0; i < held.size(); ++i) {
      if (held[i] != '\r') {
        as_entities += held[i];
      } else {
        as_entities += held[++i] == '(' ? "&lt;" : "&gt;";
      }
    }
    EXPECT_EQ(as_entities, once) << input;
    RestoreHeldMarkup(held);
    ASSERT_EQ(held, input);
  }
  EXPECT_GT(rewritten, 100);
}

}  // namespace
}  // namespace orv
