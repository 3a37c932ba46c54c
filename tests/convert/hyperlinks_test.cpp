// Tests of the anchor and image handlers and the URL reference list: link
// classes, suffixes and references for the link kinds, omitted links,
// markup removal, image markers, the reference table of concatenated
// outputs, and a document with many link kinds converted by the program.
#include "convert/hyperlinks.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "convert/detag.h"
#include "html/detag_options.h"
#include "html/tag_catalogue.h"
#include "support/orvtext_process.h"
#include "support/text_header.h"
#include "textout/converted_text.h"

namespace orv {
namespace {

TEST(UrlReferenceListTest, NumbersDistinctUrlsInOrderOfFirstAddition) {
  UrlReferenceList list;
  bool added = false;
  EXPECT_EQ(list.Add("http://a.org/", added), 1);
  EXPECT_TRUE(added);
  EXPECT_EQ(list.Add("http://b.org/", added), 2);
  EXPECT_EQ(list.Add("http://a.org/", added), 1);
  EXPECT_FALSE(added);
  // Whole strings, case and all.
  EXPECT_EQ(list.Add("HTTP://A.ORG/", added), 3);
  EXPECT_EQ(list.Find("http://b.org/"), 2);
  EXPECT_EQ(list.Find("http://c.org/"), 0);

  list.RemoveLast();
  EXPECT_EQ(list.Find("HTTP://A.ORG/"), 0);
  EXPECT_EQ(list.Add("http://c.org/", added), 3);  // the number is free again
  EXPECT_EQ(list.Urls(),
            (std::vector<std::string>{"http://a.org/", "http://b.org/", "http://c.org/"}));

  list.Clear();
  EXPECT_TRUE(list.Empty());
  list.RemoveLast();  // nothing to take back: no harm
  EXPECT_EQ(list.Add("http://b.org/", added), 1);
}

// Many URLs, short and very long, each keep their text and number through
// the blocks they are kept in, a taking back, and the reference table.
TEST(UrlReferenceListTest, ManyAndLongUrlsKeepTheirTextAndNumbers) {
  UrlReferenceList list;
  bool added = false;
  std::vector<std::string> urls;
  for (int i = 0; i < 20000; ++i) {
    std::string url = "http://e.org/" + std::to_string(i);
    if (i % 5000 == 7) url += std::string(40000, 'x');  // longer than a block's quarter
    urls.push_back(url);
    ASSERT_EQ(list.Add(url, added), i + 1);
    ASSERT_TRUE(added);
  }
  list.RemoveLast();
  EXPECT_EQ(list.Add("http://e.org/other", added), 20000);
  urls.back() = "http://e.org/other";
  for (size_t i = 0; i < urls.size(); i += 997) {
    EXPECT_EQ(list.Find(urls[i]), static_cast<int>(i) + 1);
    EXPECT_EQ(list.Url(i + 1), urls[i]);
  }
  EXPECT_EQ(list.Urls(), urls);
  std::vector<std::string> lines;
  AppendReferenceTable(list, lines);
  ASSERT_EQ(lines.size(), urls.size() + 1);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[8], "[8] " + urls[7]);
  EXPECT_EQ(lines.back(), "[20000] http://e.org/other");

  // Taken back one after another, and some added again: every URL that
  // stays keeps its number, and the ones taken back are gone.
  for (int k = 0; k < 300; ++k) {
    list.RemoveLast();
    urls.pop_back();
    if (k % 3 == 0) {
      urls.push_back("http://e.org/again" + std::to_string(k));
      ASSERT_EQ(list.Add(urls.back(), added), static_cast<int>(urls.size()));
    }
  }
  for (size_t i = 0; i < urls.size(); ++i) ASSERT_EQ(list.Find(urls[i]), static_cast<int>(i) + 1);
  EXPECT_EQ(list.Find("http://e.org/19990"), 0);
  EXPECT_EQ(list.Urls(), urls);
}

TEST(LinkClassTest, FromTheHref) {
  const struct {
    const char* href;
    LinkClass expected;
  } cases[] = {
      {"mailto:joe@example.com", LinkClass::kMail},
      {"MAILTO:joe@example.com", LinkClass::kMail},
      {"mailto:a@b@c.com", LinkClass::kLocal},  // two "@": not a valid address
      {"mailto:nobody", LinkClass::kLocal},
      {"http://x.org", LinkClass::kAbsolute},
      {"HTTPS://x.org", LinkClass::kAbsolute},
      {"ftp://ftp.x.org", LinkClass::kAbsolute},
      {"gopher://g.x.org", LinkClass::kAbsolute},
      {"telnet://t.x.org", LinkClass::kAbsolute},
      {"news://news.x.org/g", LinkClass::kAbsolute},
      {"news:comp.lang.c", LinkClass::kAbsolute},
      {"page.html", LinkClass::kLocal},
      {"#top", LinkClass::kLocal},
      {"javascript:go()", LinkClass::kLocal},
      {"file://c/x", LinkClass::kLocal},
      {"", LinkClass::kLocal},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyLink(c.href), c.expected) << c.href;
}

// The handlers with their own options, markers, document information and
// reference list.
struct Links {
  DetagOptions options;
  DetagMarkers markers = MakeDetagMarkers(false);
  TagCatalogue catalogue;
  DocumentInfo info;
  UrlReferenceList references;
  std::vector<std::string> messages;
  ReportFunction report = [this](const std::string& message, int) { messages.push_back(message); };

  LinkEnvironment Environment() {
    options.ApplyDependentRules();
    LinkEnvironment environment;
    environment.options = &options;
    environment.markers = &markers;
    environment.catalogue = &catalogue;
    environment.info = &info;
    environment.references = &references;
    environment.report = &report;
    return environment;
  }
  // The replacement, or "(unchanged)".
  std::string Anchor(std::string_view span) {
    LinkEnvironment environment = Environment();
    std::string replacement;
    return RewriteAnchor(span, environment, replacement) ? replacement : "(unchanged)";
  }
  std::string Image(std::string_view tag) {
    LinkEnvironment environment = Environment();
    return RewriteImage(tag, environment);
  }
};

TEST(AnchorTest, TextModeSuffixesAndReferences) {
  // Each case in a fresh list, with references (the default) and with
  // link URLs displayed in place.
  const struct {
    const char* span;
    const char* with_references;
    const char* with_urls;
  } cases[] = {
      {"<a href=\"http://x.org/page\">the page</a>", "the page [1] ",
       "the page [http://x.org/page]"},
      // Text that already shows the address: nothing added, no reference.
      {"<a href=\"http://www.x.org/\">www.x.org</a>", "www.x.org", "www.x.org"},
      {"<a href=\"http://www.x.org\">WWW.X.ORG/</a>", "WWW.X.ORG/", "WWW.X.ORG/"},
      {"<a href=\"https://www.x.org/\">www.x.org</a>", "www.x.org", "www.x.org"},
      {"<a href=\"http://x.org/a\">URL: http://x.org/a</a>", "URL: http://x.org/a",
       "URL: http://x.org/a"},
      {"<a href=\"ftp://ftp.x.org/\">ftp.x.org</a>", "ftp.x.org", "ftp.x.org"},
      {"<a href=\"news:comp.lang.c\">comp.lang.c</a>", "comp.lang.c", "comp.lang.c"},
      {"<a href=\"news:comp.lang.c\">news:comp.lang.c</a>", "news:comp.lang.c", "news:comp.lang.c"},
      {"<a href=\"news:comp.lang.c\">the group</a>", "the group [1] ", "the group [comp.lang.c]"},
      // "http://" is only dropped before "www".
      {"<a href=\"http://x.org/\">x.org</a>", "x.org [1] ", "x.org [http://x.org]"},
      // Mail links show their address without "mailto:".
      {"<a href=\"mailto:joe@x.org\">Joe</a>", "Joe [1] ", "Joe [joe@x.org]"},
      {"<a href=\"mailto:joe@x.org\">joe@x.org</a>", "joe@x.org", "joe@x.org"},
      // Jumps within the page and local pages: no reference, no address.
      {"<a href=\"#top\">up</a>", "up", "up"},
      {"<a href=\"other.html\">other</a>", "other", "other"},
      {"<a href=\"mailto:a@b@c.org\">two signs</a>", "two signs", "two signs"},
      {"<a href=\"\">empty</a>", "empty", "empty"},
      // Named anchors keep their content, markup and all; one with an href
      // as well is a link.
      {"<a name=\"n1\">the <b>place</b></a>", "the <b>place</b>", "the <b>place</b>"},
      {"<a href=\"http://x.org/\" name=\"n1\">the <b>place</b></a>", "the place [1] ",
       "the place [http://x.org]"},
      // Blocks inside a link keep their words apart.
      {"<a href=\"x.html\"><div><span>News</span> 2 hours ago</div><h2>Title</h2></a>",
       " News 2 hours ago Title ", " News 2 hours ago Title "},
      // Markup inside the link goes; blanks are tidied.
      {"<a href=\"x.html\">\n\tsee  the\n<i>index</i>\t</a>", "see the index", "see the index"},
      {"<A HREF=\"http://x.org/i\"><img src=\"a.gif\"> Logo</A>", " Logo [1] ",
       " Logo [http://x.org/i]"},
  };
  for (const auto& c : cases) {
    Links references;
    EXPECT_EQ(references.Anchor(c.span), c.with_references) << c.span;
    Links urls;
    urls.options.display_link_urls = true;
    EXPECT_EQ(urls.Anchor(c.span), c.with_urls) << c.span;
    EXPECT_TRUE(urls.references.Empty()) << c.span;
  }
}

TEST(AnchorTest, NoBlankBetweenAReferenceAndClosingPunctuation) {
  testing::ConvertedText c;
  EXPECT_EQ(c.Lines("<p>See <a href=\"http://x.org/a\">the page</a>. Next, <a "
                    "href=\"http://x.org/b\">b</a>, (<a href=\"http://x.org/c\">c</a>) <tt><a "
                    "href=\"http://x.org/d\">d</a></tt>; <a href=\"http://x.org/e\">e</a> "
                    "and <a href=\"http://x.org/f\">f</a>-g</p>\n"),
            (std::vector<std::string>{"See the page [1]. Next, b [2], (c [3]) d [4]; e [5] and f [6] -g"}));
}

TEST(AnchorTest, LinksToOneUrlShareItsNumber) {
  Links l;
  EXPECT_EQ(l.Anchor("<a href=\"http://a.org/\">first</a>"), "first [1] ");
  EXPECT_EQ(l.Anchor("<a href=\"http://b.org/\">second</a>"), "second [2] ");
  EXPECT_EQ(l.Anchor("<a href=\"http://a.org/\">first again</a>"), "first again [1] ");
  // A link that shows its own address takes back only a reference it added.
  EXPECT_EQ(l.Anchor("<a href=\"http://www.c.org/\">www.c.org</a>"), "www.c.org");
  EXPECT_EQ(l.Anchor("<a href=\"http://a.org/\">http://a.org</a>"), "http://a.org");
  EXPECT_EQ(l.references.Urls(), (std::vector<std::string>{"http://a.org/", "http://b.org/"}));
  EXPECT_EQ(l.Anchor("<a href=\"http://d.org/\">fourth</a>"), "fourth [3] ");
}

TEST(AnchorTest, RelativeLinksAreResolvedAgainstTheBase) {
  Links l;
  l.info.base_url = "http://x.org/docs/guide/index.html";
  EXPECT_EQ(l.Anchor("<a href=\"../intro.html\">intro</a>"), "intro [1] ");
  EXPECT_EQ(l.Anchor("<a href=\"#part2\">part 2</a>"), "part 2");
  EXPECT_EQ(l.references.Urls(), std::vector<std::string>{"http://x.org/docs/intro.html"});
  EXPECT_EQ(l.info.first_url, "http://x.org/docs/intro.html");
}

TEST(AnchorTest, AddressesAreListedAsTheirAttributesSayThem) {
  Links l;
  l.info.base_url = "http://x.org/a/";
  EXPECT_EQ(l.Anchor("<a href=\"/q?a=1&amp;b=2\">query</a>"), "query [1] ");
  EXPECT_EQ(l.Anchor("<a href=\"http://x.org/q?a=1&#38;c=3\">http://x.org/q?a=1&amp;c=3</a>"),
            "http://x.org/q?a=1&amp;c=3");
  EXPECT_EQ(l.Image("<img src=\"http://x.org/i.png?w=1&amp;h=2\">"), "");  // no marker wanted
  EXPECT_EQ(l.references.Urls(), std::vector<std::string>{"http://x.org/q?a=1&b=2"});
  EXPECT_EQ(l.messages.front(), "URL: http://x.org/q?a=1&b=2");

  Links shown;
  shown.options.display_link_urls = true;
  // The text's references are replaced after the links: the address's own
  // "&" stays a reference until then.
  EXPECT_EQ(shown.Anchor("<a href=\"http://x.org/?a&amp;copy;\">x</a>"),
            "x [http://x.org/?a&amp;copy;]");

  Links images;
  images.options.img_text_marker = true;
  images.options.img_use_alt = false;
  EXPECT_EQ(images.Image("<img src=\"http://x.org/i.png?w=1&amp;h=2\">"), "[Image {1}]");
  EXPECT_EQ(images.references.Urls(), std::vector<std::string>{"http://x.org/i.png?w=1&h=2"});
}

TEST(AnchorTest, OmittedLinksBecomeTheRemovedLinkText) {
  Links l;
  l.options.omit_local_links = true;
  l.options.omit_email_links = true;
  l.options.removed_link_text = "[gone]";
  EXPECT_EQ(l.Anchor("<a href=\"page.html\">page</a>"), "[gone]");
  EXPECT_EQ(l.Anchor("<a href=\"#top\">up</a>"), "[gone]");
  EXPECT_EQ(l.Anchor("<a href=\"mailto:a@b@c.org\">two signs</a>"), "[gone]");
  EXPECT_EQ(l.Anchor("<a href=\"\">no href</a>"), "no href");
  EXPECT_EQ(l.Anchor("<a href=\"http://x.org/\">kept</a>"), "kept [1] ");
  EXPECT_EQ(l.Anchor("<a href=\"news:comp.lang.c\">kept too</a>"), "kept too [2] ");
  EXPECT_EQ(l.Anchor("<a href=\"mailto:first@x.org\">First</a>"), "[gone]");
  EXPECT_EQ(l.Anchor("<a href=\"mailto:last@x.org\">Last</a>"), "[gone]");
  // The addresses are kept for the header, not as references.
  EXPECT_EQ(l.info.email, "first@x.org");
  EXPECT_EQ(l.info.last_email, "last@x.org");
  EXPECT_EQ(l.references.Urls(), (std::vector<std::string>{"http://x.org/", "news:comp.lang.c"}));

  // The first address only replaces an unknown one.
  Links unknown;
  unknown.options.omit_email_links = true;
  unknown.info.email = "** UNKNOWN **";
  unknown.Anchor("<a href=\"mailto:joe@x.org\">Joe</a>");
  EXPECT_EQ(unknown.info.email, "joe@x.org");
  Links known;
  known.options.omit_email_links = true;
  known.info.email = "editor@x.org";
  known.Anchor("<a href=\"mailto:joe@x.org\">Joe</a>");
  EXPECT_EQ(known.info.email, "editor@x.org");
  EXPECT_EQ(known.info.last_email, "joe@x.org");
}

TEST(AnchorTest, NestedAndUnterminatedAnchorsStay) {
  Links l;
  EXPECT_EQ(l.Anchor("<a href=\"a.html\">one <a href=\"b.html\">two</a>"), "(unchanged)");
  EXPECT_EQ(l.Anchor("<a href=\"a.html\">see <A\nhref=x>two</a>"), "(unchanged)");
  // Other tags beginning with "a" are not anchors.
  EXPECT_EQ(l.Anchor("<a href=\"a.html\"><abbr>HTML</abbr> <area></a>"), "HTML ");
}

TEST(AnchorTest, LineBreaksInsideALinkStay) {
  Links l;
  EXPECT_EQ(l.Anchor("<a href=\"x.html\">one<br>two<BR />three</a>"),
            "one" + l.markers.break_mark + "two" + l.markers.break_mark + "three");
  Links spellings;
  const std::string& mark = spellings.markers.break_mark;
  EXPECT_EQ(spellings.Anchor("<a href=\"x.html\">a<br/>b<BR clear=all>c</br>d<bR >e<b>f</b></a>"),
            "a" + mark + "b" + mark + "c" + mark + "d" + mark + "ef");
  Links single;
  single.markers = MakeDetagMarkers(true);
  EXPECT_EQ(single.Anchor("<a href=\"x.html\">one<br>two</a>"),
            "one" + single.markers.paragraph_end + single.markers.line_break + "two");
}

TEST(AnchorTest, MarkupRemoval) {
  Links keep;
  keep.options.remove_all_tags = false;
  EXPECT_EQ(keep.Anchor("<a href=\"http://x.org/\">x</a>"), "(unchanged)");
  // Named anchors lose their tags whenever the list runs.
  EXPECT_EQ(keep.Anchor("<a name=\"n\">here</a>"), "here");

  Links replace;
  replace.options.remove_all_tags = false;
  replace.options.replace_hyperlinks = true;
  replace.options.display_link_urls = true;  // text mode only
  EXPECT_EQ(replace.Anchor("<a href=\"http://x.org/\">the <b>site</b>\n</a>"), "the <b>site</b>");
  EXPECT_TRUE(replace.references.Empty());

  Links omit;
  omit.options.remove_all_tags = false;
  omit.options.omit_local_links = true;
  EXPECT_EQ(omit.Anchor("<a href=\"local.html\">local</a>"), "[link removed]");
  EXPECT_EQ(omit.Anchor("<a href=\"http://x.org/\">x</a>"), "(unchanged)");
}

TEST(AnchorTest, ReportsTheLinksFoundAndRecordsWebAddresses) {
  Links l;
  l.Anchor("<a href=\"http://a.org/\">a</a>");
  l.Anchor("<a href=\"#top\">up</a>");
  l.Anchor("<a href=\"mailto:joe@x.org\">Joe</a>");
  l.Anchor("<a href=\"page.html\">page</a>");
  l.Anchor("<a href=\"http://b.org/\">b</a>");
  EXPECT_EQ(l.messages, (std::vector<std::string>{"URL: http://a.org/", "URL: mailto:joe@x.org",
                                                  "URL: page.html", "URL: http://b.org/"}));
  EXPECT_EQ(l.info.first_url, "http://a.org/");
  EXPECT_EQ(l.info.last_url, "http://b.org/");
}

TEST(ImageTest, Markers) {
  const struct {
    const char* tag;
    bool marker;
    bool alt;
    const char* expected;
  } cases[] = {
      {"<img src=\"a.gif\" alt=\"Logo\">", false, true, ""},
      {"<img src=\"a.gif\" alt=\"Logo\">", true, true, "[Logo]"},
      {"<img src=\"http://x.org/a.gif\" alt=\" Our\n logo \">", true, true, "[Our logo]"},
      {"<img src=\"a.gif\" alt=\"Logo\">", true, false, "[Image a.gif]"},
      {"<img src=\"a.gif\" alt=\"\">", true, true, "[Image a.gif]"},
      {"<img src=\"http://x.org/a.gif\">", true, false, "[Image {1}]"},
      {"<img alt=\"\">", true, true, ""},
      {"<img width=10>", true, false, ""},
  };
  for (const auto& c : cases) {
    Links l;
    l.options.img_text_marker = c.marker;
    l.options.img_use_alt = c.alt;
    EXPECT_EQ(l.Image(c.tag), c.expected) << c.tag;
  }

  Links shared;
  shared.options.img_text_marker = true;
  shared.Anchor("<a href=\"http://x.org/\">site</a>");
  EXPECT_EQ(shared.Image("<img src=\"http://x.org/\">"), "[Image {1}]");
  EXPECT_EQ(shared.Image("<img src=\"http://x.org/b.png\">"), "[Image {2}]");
  Links in_place;
  in_place.options.img_text_marker = true;
  in_place.options.display_link_urls = true;
  EXPECT_EQ(in_place.Image("<img src=\"http://x.org/b.png\">"), "[Image]");
}

TEST(ReferenceTableTest, WrittenOnlyWhenReferencesAreWanted) {
  UrlReferenceList list;
  DetagOptions text;
  EXPECT_FALSE(ReferenceTableWanted(text, list));
  bool added = false;
  list.Add("http://a.org/", added);
  list.Add("news:comp.lang.c", added);
  EXPECT_TRUE(ReferenceTableWanted(text, list));
  DetagOptions in_place;
  in_place.display_link_urls = true;
  in_place.ApplyDependentRules();
  EXPECT_FALSE(ReferenceTableWanted(in_place, list));

  std::vector<std::string> lines{"body"};
  AppendReferenceTable(list, lines);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"body", "", "[1] http://a.org/", "[2] news:comp.lang.c"}));
}

// Through the detag pass: the inputs of a concatenated output share one
// list and one table; the next output starts afresh.
TEST(ReferenceTableTest, ConcatenatedInputsShareOneTable) {
  testing::TempFolder dir;
  const std::string one = dir.Write(
      "one.htm",
      "<p>See <a href=\"http://a.org/\">A</a> and <a href=\"http://b.org/\">B</a>.</p>\n");
  const std::string two = dir.Write(
      "two.htm",
      "<p>Again <a href=\"http://b.org/\">B</a>, then <a href=\"http://c.org/\">C</a>.</p>\n");
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  std::vector<std::string> messages;
  const ReportFunction report = [&](const std::string& m, int) { messages.push_back(m); };
  pass.SetTimestampSource([] { return std::string("2000-01-01 00:00:00"); });

  ASCIIFile output;
  DetagRequest first;
  first.input_path = one;
  first.output_path = dir.Path() + "all.txt";
  first.last_of_output = false;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, first, output, report));
  DetagRequest second = first;
  second.input_path = two;
  second.first_of_output = false;
  second.last_of_output = true;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, second, output, report));
  output.Close();
  EXPECT_EQ(testing::Body(testing::ReadAll(dir.Path() + "all.txt")),
            "See A [1] and B [2].\n" + std::string(72, '-') +
                "\nAgain B [2], then C [3].\n\n"
                "[1] http://a.org/\n[2] http://b.org/\n[3] http://c.org/\n");
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "INFO: Adding URL reference table"), 1);

  // A new output numbers from 1 again.
  ASCIIFile next;
  DetagRequest alone;
  alone.input_path = two;
  alone.output_path = dir.Path() + "two.txt";
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, alone, next, report));
  next.Close();
  EXPECT_EQ(testing::Body(testing::ReadAll(dir.Path() + "two.txt")),
            "Again B [1], then C [2].\n\n[1] http://b.org/\n[2] http://c.org/\n");
}

// The header can show the first and last e-mail address and web address.
TEST(ReferenceTableTest, HeaderShowsTheRecordedAddresses) {
  testing::TempFolder dir;
  const std::string input = dir.Write(
      "mail.htm",
      "$_$_DEFINE_TEXT_FRAGMENT TEXT_HEADER\n[[TEXT_HEADER TOP_EMAIL]]\n[[TEXT_HEADER "
      "LAST_EMAIL]]\n[[TEXT_HEADER TOP_URL]]\n[[TEXT_HEADER LAST_URL]]\n$_$_END_BLOCK\n"
      "<p>Mail <a href=\"mailto:a@x.org\">A</a> or <a href=\"mailto:b@x.org\">B</a>; see "
      "<a href=\"http://one.org/\">one</a> and <a href=\"https://two.org/\">two</a>.</p>\n");
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  DetagOptions options;
  options.omit_email_links = true;
  options.page_width = 40;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + "mail.txt";
  ASCIIFile output;
  ASSERT_TRUE(pass.ConvertFile(options, request, output, {}));
  output.Close();
  EXPECT_EQ(testing::ReadAll(dir.Path() + "mail.txt"),
            "| Email        : a@x.org               |\n"
            "| Email        : b@x.org               |\n"
            "| URL          : http://one.org/       |\n"
            "| URL          : https://two.org/      |\n"
            "Mail [link removed] or [link removed];\n"
            "see one [1] and two [2].\n\n"
            "[1] http://one.org/\n[2] https://two.org/\n");
}

// Broken anchors and images lose no text.
TEST(AnchorTest, MalformedMarkupKeepsItsText) {
  const struct {
    const char* html;
    const char* expected;
  } cases[] = {
      {"a <a href=\"x.html>broken quote</a> b", "a broken quote b"},
      {"a <a href=x.html>open <a href=y.html>inner</a> b", "a open inner b"},
      {"a <a>bare</a> <a href>empty</a> b", "a bare empty b"},
      {"a <img src=\"x.gif alt=\"y\"> b <a href=\"http://x.org/\">c", "a b c"},
  };
  for (const auto& c : cases) {
    TagCatalogue catalogue;
    DetagPass pass(catalogue);
    pass.BeginFile(DetagOptions{}, DetagRequest{}, {});
    std::string text = c.html;
    pass.ChunkPass(1, text);
    pass.WholeTextPass(text);
    EXPECT_EQ(CollapseBlanks(text), c.expected) << c.html;
  }
}

// A document with the link kinds and images side by side, converted by the
// program with image markers from ALT texts; the expected text was read
// and checked by hand.
TEST(LinkDocumentTest, ConvertsToTheCheckedText) {
  testing::TempFolder folder;
  const std::string base = std::string(ORVTEXT_TEST_DATA) + "/detag/links";
  folder.Write("links.htm", testing::ReadAll(base + ".htm"));
  folder.Write("links.pol",
               "[Text hyperlinks]\n"
               "Replace <IMG> tags by a text marker : Yes\n"
               "Use the ALT attribute to replace <IMG> tags : Yes\n");
  testing::RunResult run = testing::RunOrvtext(folder, {"links.htm", "links.pol"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(testing::MaskTimestamp(testing::ReadAll(folder.Path() + "links.txt")),
            testing::ReadAll(base + ".expected.txt"));
}

}  // namespace
}  // namespace orv
