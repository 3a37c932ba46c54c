// Tests of the detag pass's tag handlers, each run by a pattern list the way
// the pass runs it, and of the attribute, style, alignment and base-URL
// helpers they share.
#include "convert/detag_handlers.h"

#include <gtest/gtest.h>

#include "html/detag_options.h"

namespace orv {
namespace {

const DetagMarkers kMarks = MakeDetagMarkers(false);
const std::string& S = kMarks.statement;
const std::string& P = kMarks.paragraph;

// Applies a one-handler list to `text` and returns the result.
std::string ApplyHandler(
    const std::vector<std::string>& patterns, const std::string& text,
    const std::function<int(PatternList&, long, long, const std::string&)>& handler) {
  PatternList list;
  for (const std::string& pattern : patterns)
    list.AddCallback(pattern, [&handler](PatternList& l, const Pattern&, long start, long end,
                                         const std::string& current, size_t,
                                         void*) { return handler(l, start, end, current); });
  std::string rewritten = text;
  list.ApplyInPlace(rewritten);
  return rewritten;
}

TEST(DetagHandlersTest, AttributeLookup) {
  struct Case {
    const char* tag;
    const char* name;
    bool found;
    const char* value;
  } cases[] = {
      {"<p align=\"center\">", "align", true, "center"},
      {"<P ALIGN=Right>", "align", true, "Right"},
      {"<img alt='a b' src=x.gif>", "ALT", true, "a b"},
      {"<img alt = \"spaced\" >", "alt", true, "spaced"},
      {"<p align=left align=right>", "align", true, "left"},  // the first wins
      {"<hr noshade width=50%>", "noshade", true, ""},
      {"<p>", "align", false, ""},
      {"<p class=x>align=center", "align", false, ""},  // text after the tag is no attribute
      {"<p align=\"cen>x\">", "align", true, "cen"},    // the tag ends at its first ">"
      {"<p align=\"never closed", "align", true, "never closed"},
      {"<p =x align=right>", "align", true, "right"},
      {"", "align", false, ""},
  };
  for (const Case& c : cases) {
    std::string value = "stale";
    EXPECT_EQ(GetTagAttribute(c.tag, c.name, value), c.found) << c.tag;
    EXPECT_EQ(value, c.value) << c.tag;
  }
  EXPECT_EQ(GetStyleProperty("color: red; TEXT-ALIGN : Center ;tab-stops:right 3in", "text-align"),
            "Center");
  EXPECT_EQ(GetStyleProperty("color: red", "text-align"), "");
  EXPECT_EQ(GetStyleProperty("broken;;text-align", "text-align"), "");
}

TEST(DetagHandlersTest, ParagraphAlignmentAndTabStops) {
  struct Case {
    const char* tag;
    std::string expected;
  } cases[] = {
      {"<p>", P + "[[LEFT]]"},
      {"<p align=center>", P + "[[CENTER]]"},
      {"<P ALIGN=\"RIGHT\">", P + "[[RIGHT]]"},
      {"<p align='justify'>", P + "[[JUSTIFY]]"},
      {"<p align=middle>", P + "[[LEFT]]"},
      {"<p style=\"text-align: center\">", P + "[[CENTER]]"},
      {"<p align=right style=\"text-align: center\">", P + "[[RIGHT]]"},  // the attribute wins
      {"<p style=\"tab-stops: center 3in\">", P + "[[LEFT]][[TAB_STOP_CENTER]]"},
      {"<p style='text-align:right;tab-stops:right 6.0in'>", P + "[[RIGHT]][[TAB_STOP_RIGHT]]"},
      {"<p style=\"tab-stops: left 1in\">", P + "[[LEFT]]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyHandler({"<p%W**>", "<p>"}, std::string("a") + c.tag + "b",
                           [](PatternList& l, long s, long e, const std::string& t) {
                             return HandleParagraph(l, s, e, t, kMarks);
                           }),
              "a" + c.expected + "b")
        << c.tag;
  }
}

TEST(DetagHandlersTest, RuleWidthsAndAlignment) {
  DetagOptions options;
  options.page_width = 72;
  options.adjust_table_to_page = true;
  DetagOptions fixed = options;
  fixed.adjust_table_to_page = false;
  EXPECT_EQ(RuleWidth("<hr width=400>", options), " 36");
  EXPECT_EQ(RuleWidth("<hr width=\"50%\">", options), " 50%");
  EXPECT_EQ(RuleWidth("<hr width=400>", fixed), " 40");  // 80 columns when not adjusted
  EXPECT_EQ(RuleWidth("<hr width=400px>", options), " 36");
  EXPECT_EQ(RuleWidth("<hr width=5>", options), "");  // less than a column
  EXPECT_EQ(RuleWidth("<hr width=wide>", options), "");
  EXPECT_EQ(RuleWidth("<hr width=99999999999999999999>", options),
            " 32767");  // nine digits at most, no wider than the widest page
  EXPECT_EQ(RuleWidth("<hr>", options), "");

  auto block = [&options](const std::string& statement) {
    return [&options, statement](PatternList& l, long s, long e, const std::string& t) {
      return HandleBlock(l, s, e, t, statement, kMarks, options);
    };
  };
  EXPECT_EQ(ApplyHandler({"<hr%W**>", "<hr>"}, "a<hr>b", block(kMarks.rule)),
            "a[[LEFT]]\n<hr>" + S + "$_$_LINE" + S + "b");
  EXPECT_EQ(ApplyHandler({"<hr%W**>"}, "<hr align=center width=50%>", block(kMarks.rule)),
            "[[CENTER]]\n<hr align=center width=50%>" + S + "$_$_LINE 50%" + S + "\n[[LEFT]]");
  EXPECT_EQ(ApplyHandler({"<hr%W**>"}, "<hr align=RIGHT width=400>", block(kMarks.rule)),
            "[[RIGHT]]\n<hr align=RIGHT width=400>" + S + "$_$_LINE 36" + S + "\n[[LEFT]]");
  EXPECT_EQ(ApplyHandler({"<pre>"}, "a<pre>b", block(kMarks.start_pre)),
            "a<pre>\n" + S + "$_$_START_PRE" + S + "\nb");
}

TEST(DetagHandlersTest, CommentsOutsideScriptsAreRemoved) {
  auto comments = [](const std::string& text) {
    CommentState state;
    PatternList list;
    const intptr_t codes[] = {kScriptStart, kScriptEnd, kCommentOpen, kCommentClose};
    const char* patterns[] = {"<script**>", "</script>", "<!--", "-->"};
    for (int i = 0; i < 4; ++i)
      list.AddCallback(
          patterns[i],
          [&state](PatternList& l, const Pattern&, long s, long e, const std::string& t, size_t,
                   void* data) { return HandleComment(l, s, e, t, DataCode(data), state); },
          CodeData(codes[i]));
    std::string rewritten = text;
    list.ApplyInPlace(rewritten);
    return rewritten;
  };
  EXPECT_EQ(comments("x<!-- a -->y"), "xy");
  EXPECT_EQ(comments("<script><!-- code --></script>z"), "<script><!-- code --></script>z");
  EXPECT_EQ(comments("<script type=x>if (a-->b)</script><!-- c -->d"),
            "<script type=x>if (a-->b)</script>d");
  EXPECT_EQ(comments("a<!-- one -->b<!-- two\nlines -->c"), "abc");
  EXPECT_EQ(comments("a<!-- x --->b"), "ab");
  EXPECT_EQ(comments("a<!-- outer <!-- inner --> b"), "a b");  // comments do not nest
  EXPECT_EQ(comments("a --> b <!-- never closed"), "a --> b <!-- never closed");
  // A comment opened before a script is forgotten by the script.
  EXPECT_EQ(comments("<!-- x <script>s</script> -->"), "<!-- x <script>s</script> -->");
}

TEST(DetagHandlersTest, MetaRecordsAuthorAndCharset) {
  struct Case {
    const char* tag;
    const char* author;
    const char* charset;
  } cases[] = {
      {"<meta name=\"Author\" content=\"Ann Writer\">", "Ann Writer", ""},
      {"<META NAME=AUTHOR CONTENT='B. Smith'>", "B. Smith", ""},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">", "",
       "ISO-8859-1"},
      {"<meta http-equiv=content-type content=\"text/html; charset = windows-1251 ; x=y\">", "",
       "windows-1251"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html\">", "", ""},
      {"<meta charset=\"utf-8\">", "", "utf-8"},
      {"<meta name=\"keywords\" content=\"a, b\">", "", ""},
  };
  for (const Case& c : cases) {
    std::string author, charset;
    EXPECT_EQ(ApplyHandler({"<meta%W**>"}, std::string("a") + c.tag + "b",
                           [&](PatternList& l, long s, long e, const std::string& t) {
                             return HandleMeta(l, s, e, t, author, charset);
                           }),
              "ab")
        << c.tag;
    EXPECT_EQ(author, c.author) << c.tag;
    EXPECT_EQ(charset, c.charset) << c.tag;
  }
}

TEST(DetagHandlersTest, StyleSheetLinksGoOnlyWhenAsked) {
  DetagOptions removing;
  removing.remove_style_sheet = true;
  DetagOptions keeping;
  auto links = [](const DetagOptions& options, const std::string& text) {
    return ApplyHandler({"<link%W**>"}, text,
                        [&options](PatternList& l, long s, long e, const std::string& t) {
                          return HandleStyleLink(l, s, e, t, options);
                        });
  };
  EXPECT_EQ(links(removing, "a<link rel=\"StyleSheet\" href=\"s.css\">b"), "ab");
  EXPECT_EQ(links(removing, "a<LINK REL=stylesheet href=s.css>b"), "ab");
  EXPECT_EQ(links(removing, "a<link rel=\"icon\" href=\"i.ico\">b"),
            "a<link rel=\"icon\" href=\"i.ico\">b");
  EXPECT_EQ(links(keeping, "a<link rel=stylesheet href=s.css>b"),
            "a<link rel=stylesheet href=s.css>b");
}

TEST(DetagHandlersTest, DialogueStartsNewQuotationsOnNewLines) {
  auto dialogue = [](const std::string& text) {
    return ApplyHandler({".?W\"", "\"?W\""}, text,
                        [](PatternList& l, long s, long e, const std::string& t) {
                          return HandleDialogue(l, s, e, t, kMarks);
                        });
  };
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {"He left.   \"Go!\"", "He left. " + S + "\"Go!\""},
      {"\"Yes.\"  \"No.\"", "\"Yes.\"" + S + "\"No.\""},
      {"He asked. \"Why?\"", "He asked. \"Why?\""},          // ends in "ed"
      {"She said. \"No.\"", "She said. \"No.\""},            // ends in "aid"
      {"It ends. \"and so on\"", "It ends. \"and so on\""},  // lower case follows
      {"\"Well,\" \"Fine.\"", "\"Well,\" \"Fine.\""},        // quote after a comma
      {"\"Yes.\" \"no\"", "\"Yes.\" \"no\""},
  };
  for (const Case& c : cases) EXPECT_EQ(dialogue(c.text), c.expected) << c.text;
}

TEST(DetagHandlersTest, BlockTagsGetAMarkUnlessOneIsThere) {
  std::string text = "a<section id=x>b</SECTION>c<div>d</div>e<sectionx>f<nav/>g</navy>" + P +
                     " <header>h</header>\n" + S + "i<aside";
  EXPECT_EQ(InsertBlockBreaks(text, S), 4);
  EXPECT_EQ(text, "a" + S + "<section id=x>b" + S + "</SECTION>c" + S + "<div>d</div>e<sectionx>f" +
                      S + "<nav/>g</navy>" + P + " <header>h</header>\n" + S + "i<aside");

  std::string plain = "no tags <b>here</b>";
  EXPECT_EQ(InsertBlockBreaks(plain, S), 0);
  EXPECT_EQ(plain, "no tags <b>here</b>");

  // Many tags without a ">" cost one search, not one each.
  std::string open_tags;
  while (open_tags.size() < 1000000) open_tags += "<div x ";
  const size_t tags = open_tags.size() / 7;
  EXPECT_EQ(InsertBlockBreaks(open_tags, S), static_cast<int>(tags));
}

TEST(DetagHandlersTest, BlockTagNames) {
  for (const char* name : {"div", "DIV", "p", "h1", "li", "td", "section", "figcaption", "center"})
    EXPECT_TRUE(IsBlockTagName(name)) << name;
  for (const char* name : {"span", "a", "b", "sections", "h7", "", "header2"})
    EXPECT_FALSE(IsBlockTagName(name)) << name;
}

TEST(DetagHandlersTest, BaseUrlResolution) {
  const std::string base = "http://www.example.com/docs/guide/page.html";
  struct Case {
    const char* href;
    const char* base;
    const char* expected;
  } cases[] = {
      {"http://other.org/x", base.c_str(), "http://other.org/x"},
      {"/x.html", base.c_str(), "http://www.example.com/x.html"},
      {"../../x.html", base.c_str(), "http://www.example.com/x.html"},
      {"../x.html", base.c_str(), "http://www.example.com/docs/x.html"},
      {"../../../../x.html", base.c_str(), "http://www.example.com/x.html"},
      {"x.html", base.c_str(), "http://www.example.com/docs/guide/x.html"},
      {"sub/x.html", "http://www.example.com/docs/", "http://www.example.com/docs/sub/x.html"},
      {"x.html", "http://www.example.com", "http://www.example.com/x.html"},
      {"x.html", "http://h.com/a/p.cgi?next=/b/c#top", "http://h.com/a/x.html"},
      {"x.html", "www.example.com/a/page.html", "www.example.com/a/x.html"},
      {"mailto:ann@example.com", base.c_str(), "mailto:ann@example.com"},
      {"JavaScript:go()", base.c_str(), "JavaScript:go()"},
      {"news:comp.lang", base.c_str(), "news:comp.lang"},
      {"ann@example.com", base.c_str(), "ann@example.com"},
      {"#top", base.c_str(), "#top"},
      {"", base.c_str(), ""},
      {"x.html", "", "x.html"},
      {"x.html", "** UNKNOWN **", "x.html"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResolveUrl(c.href, c.base), c.expected) << c.href << " on " << c.base;
}

TEST(DetagHandlersTest, OffsetsOutOfRangeDoNothing) {
  PatternList list;
  const std::string text = "<p>";
  CommentState state;
  std::string author, charset;
  DetagOptions options;
  EXPECT_EQ(HandleParagraph(list, 0, 5, text, kMarks), ActionNone);
  EXPECT_EQ(HandleBlock(list, -1, 2, text, kMarks.rule, kMarks, options), ActionNone);
  EXPECT_EQ(HandleMeta(list, 2, 1, text, author, charset), ActionNone);
  EXPECT_EQ(HandleComment(list, 0, 3, text, kCommentClose, state), ActionNone);
  EXPECT_EQ(HandleDialogue(list, 0, 9, text, kMarks), ActionNone);
}

}  // namespace
}  // namespace orv
