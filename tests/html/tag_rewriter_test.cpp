// Tests of the markup-removal tag rewriter: element decisions, attribute
// decisions, rebuilding as written, its messages counted through the
// remaining-tag pass, and a whole document through the detag pass.
#include "html/tag_rewriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "convert/detag.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

const ElementTable& Table() {
  static const ElementTable table = ElementTable::Html4();
  return table;
}

// Markup removal with no rewriter policy on; each case switches on its own.
DetagOptions MarkupRemoval() {
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_office_tags = false;
  options.remove_mail_tags = false;
  return options;
}

struct Rewritten {
  bool changed = false;
  std::string result;
  std::vector<std::string> messages;
};

Rewritten Rewrite(const DetagOptions& options, const std::string& tag) {
  Rewritten out;
  CountedMessages messages;
  out.result = "(untouched)";
  out.changed = RewriteTag(options, Table(), messages, tag, out.result);
  messages.ReportAll([&](const std::string& m, int) { out.messages.push_back(m); }, 10);
  return out;
}

using Messages = std::vector<std::string>;

struct Case {
  const char* what;
  DetagOptions options;
  std::string tag;
  std::string expected;  // "(untouched)" when the tag is left as written
  Messages messages;
};

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    Rewritten r = Rewrite(c.options, c.tag);
    const bool untouched = c.expected == "(untouched)";
    EXPECT_EQ(r.changed, !untouched) << c.what;
    EXPECT_EQ(r.result, c.expected) << c.what;
    EXPECT_EQ(r.messages, c.messages) << c.what;
  }
}

DetagOptions With(std::initializer_list<bool DetagOptions::*> on,
                  std::initializer_list<bool DetagOptions::*> off = {}) {
  DetagOptions options = MarkupRemoval();
  for (bool DetagOptions::*flag : on) options.*flag = true;
  for (bool DetagOptions::*flag : off) options.*flag = false;
  return options;
}

using O = DetagOptions;

TEST(TagRewriterTest, ElementDecisions) {
  const auto upper = With({&O::tags_to_upper});
  const auto strict_upper =
      With({&O::tags_to_upper, &O::remove_non_standard_tags}, {&O::keep_deprecated_tags});
  const auto keeping_upper =
      With({&O::tags_to_upper, &O::remove_non_standard_tags, &O::keep_deprecated_tags});
  const auto lower = With({&O::tags_to_lower});
  RunCases({
      {"deprecated counts as standard", upper, "<font size=2>", "<FONT SIZE=2>", {}},
      {"deprecated removed",
       strict_upper,
       "<font size=2>",
       "",
       {"INFO: Removing deprecated tag FONT"}},
      {"end tag named without its slash",
       strict_upper,
       "</font>",
       "",
       {"INFO: Removing deprecated tag FONT"}},
      {"deprecated kept with warning",
       keeping_upper,
       "<font size=2>",
       "<FONT SIZE=2>",
       {"WARNING: Deprecated tag detected FONT"}},
      {"caption has a standard row", strict_upper, "<caption>", "<CAPTION>", {}},
      {"extension element removed", lower, "<BLINK>", "", {"INFO: Removing unknown tag BLINK"}},
      {"unknown element removed",
       lower,
       "<st1:place>",
       "",
       {"INFO: Removing unknown tag ST1:PLACE"}},
      {"declaration removed",
       lower,
       "<?xml version=\"1.0\"?>",
       "",
       {"INFO: Removing unknown tag ?XML"}},
      {"comment left alone", lower, "<!-- Note -->", "(untouched)", {}},
      {"doctype left alone", lower, "<!DOCTYPE HTML PUBLIC>", "(untouched)", {}},
      {"numbered tag left alone", lower, "<3>", "(untouched)", {}},
      {"already in lower case", lower, "<p class=x>", "(untouched)", {}},
      {"lower wins over upper",
       With({&O::tags_to_upper, &O::tags_to_lower}),
       "<Div ID=a>",
       "<div id=a>",
       {}},
      {"no case asked", With({&O::remove_non_standard_tags}), "<Div ID=a>", "(untouched)", {}},
  });
}

TEST(TagRewriterTest, AttributeDecisions) {
  const auto table_colour = With({&O::tags_to_lower, &O::remove_table_color});
  const auto all_table = With({&O::tags_to_lower, &O::remove_table_color, &O::remove_table_size,
                               &O::remove_table_alignment});
  const auto styles = With({&O::remove_style_sheet});
  const auto keep_attrs =
      With({&O::remove_non_standard_attributes, &O::keep_deprecated_attributes});
  const auto strict_attrs =
      With({&O::remove_non_standard_attributes}, {&O::keep_deprecated_attributes});
  RunCases({
      {"table colour",
       table_colour,
       "<TD BGCOLOR=red WIDTH=10>",
       "<td width=10>",
       {"INFO: Discarding tag/attr TD/BGCOLOR"}},
      {"all table policies",
       all_table,
       "<table width=\"100%\" cellpadding=2 border=1 bordercolordark=x "
       "align=center>",
       "<table border=1>",
       {"INFO: Discarding tag/attr TABLE/WIDTH", "INFO: Discarding tag/attr TABLE/CELLPADDING",
        "INFO: Discarding tag/attr TABLE/BORDERCOLORDARK",
        "INFO: Discarding tag/attr TABLE/ALIGN"}},
      {"table policies leave other elements",
       all_table,
       "<p align=center width=3>",
       "(untouched)",
       {}},
      {"table policy before classification",
       With({&O::remove_table_color, &O::remove_non_standard_attributes}),
       "<tr bgcolor=red>",
       "<tr>",
       {"INFO: Discarding tag/attr TR/BGCOLOR"}},
      {"style hooks go silently", styles, "<p class=x style=\"y\">", "<p>", {}},
      {"other attributes stay", styles, "<p ID=a title=t>", "<p title=t>", {}},
      {"questionable attributes kept",
       keep_attrs,
       "<td bgcolor=red bordercolor=blue onclick=\"f()\" foo=1 abbr=a>",
       "<td bgcolor=red bordercolor=blue onclick=\"f()\" abbr=a>",
       {"WARNING: Deprecated attribute detected TD/BGCOLOR",
        "WARNING: Extended attribute detected TD/BORDERCOLOR",
        "INFO: Removing unknown tag/attr TD/FOO"}},
      {"questionable attributes removed",
       strict_attrs,
       "<td bgcolor=red bordercolor=blue onclick=\"f()\" foo=1 abbr=a>",
       "<td onclick=\"f()\" abbr=a>",
       {"INFO: Removing deprecated tag/attr TD/BGCOLOR",
        "INFO: Removing unknown tag/attr TD/BORDERCOLOR",
        "INFO: Removing unknown tag/attr TD/FOO"}},
      {"unclassified without the policy",
       With({&O::tags_to_lower}),
       "<TD FOO=1>",
       "<td foo=1>",
       {}},
      {"office attribute",
       With({&O::remove_office_tags}),
       "<html xmlns:o=\"urn:x\" lang=en>",
       "<html lang=en>",
       {"INFO: Removing unknown tag/attr HTML/XMLNS:O"}},
      {"attributes of a kept deprecated element",
       With({&O::remove_non_standard_tags, &O::keep_deprecated_tags,
             &O::remove_non_standard_attributes},
            {&O::keep_deprecated_attributes}),
       "<font face=Arial size=2>",
       "<font size=2>",
       {"WARNING: Deprecated tag detected FONT", "INFO: Removing deprecated tag/attr FONT/FACE"}},
  });
}

TEST(TagRewriterTest, RebuildsAsWritten) {
  const auto lower = With({&O::tags_to_lower});
  const auto styles = With({&O::remove_style_sheet});
  RunCases({
      {"quotes and separators kept",
       lower,
       "<A  HREF = \"x.html\"\ttitle='a b'\nREL=Next>",
       "<a  href=\"x.html\"\ttitle='a b'\nrel=Next>",
       {}},
      {"attributes without value",
       lower,
       "<INPUT TYPE=checkbox CHECKED DISABLED>",
       "<input type=checkbox checked disabled>",
       {}},
      {"no closing bracket", lower, "<P CLASS=x", "<p class=x", {}},
      {"empty-element tag", lower, "<BR />", "<br />", {}},
      {"missing separator becomes a space",
       lower,
       "<P TITLE=\"a\"CLASS=x>",
       "<p title=\"a\" class=x>",
       {}},
      {"removed attribute takes its separator",
       styles,
       "<p class=x\n  title=t>",
       "<p\n  title=t>",
       {}},
      {"unclosed quote kept", lower, "<P TITLE=\"open", "<p title=\"open", {}},
  });
}

TEST(TagRewriterTest, HugeTagsStayLinear) {
  const auto strict = With({&O::remove_non_standard_attributes, &O::tags_to_lower});
  const auto started = std::chrono::steady_clock::now();

  // Many distinct unknown attributes: one message each.
  std::string tag = "<P";
  for (int i = 0; i < 100000; ++i) tag += " a" + std::to_string(i);
  tag += ">";
  Rewritten many = Rewrite(strict, tag);
  EXPECT_EQ(many.result, "<p>");
  ASSERT_EQ(many.messages.size(), 100000u);
  EXPECT_EQ(many.messages.back(), "INFO: Removing unknown tag/attr P/A99999");

  // One huge value.
  const std::string value(2000000, 'v');
  Rewritten big = Rewrite(strict, "<P TITLE=\"" + value + "\">");
  EXPECT_EQ(big.result, "<p title=\"" + value + "\">");

  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

struct Pass {
  std::string text;
  int actions;
  Messages messages;
};

Pass RunPass(std::string text, const DetagOptions& options) {
  static const TagCatalogue catalogue;
  Pass pass;
  pass.actions = RemainingTagPass(text, options, catalogue, MakeTagRewriter(options, Table()),
                                  [&](const std::string& m, int) { pass.messages.push_back(m); });
  pass.text = std::move(text);
  return pass;
}

TEST(TagRewriterTest, ThroughTheRemainingTagPass) {
  // Repeated problems are reported once, counted.
  Pass strict = RunPass("<font>a</font><FONT>b</FONT><blink>c</blink>",
                        With({&O::remove_non_standard_tags}, {&O::keep_deprecated_tags}));
  EXPECT_EQ(strict.text, "abc");
  EXPECT_EQ(strict.messages, (Messages{"INFO: Removing deprecated tag FONT (4 times)",
                                       "INFO: Removing unknown tag BLINK (2 times)"}));

  // Office tags go by the catalogue before the rewriter sees them.
  Pass office = RunPass("<p>x<o:p></o:p></p>", With({&O::remove_office_tags}));
  EXPECT_EQ(office.text, "<p>x</p>");
  EXPECT_TRUE(office.messages.empty());
  // Without that policy the rewriter removes them as unknown.
  Pass lower = RunPass("<P>x<o:p></o:p></P>", With({&O::tags_to_lower}));
  EXPECT_EQ(lower.text, "<p>x</p>");
  EXPECT_EQ(lower.messages, Messages{"INFO: Removing unknown tag O:P (2 times)"});

  // A table policy alone does not call the rewriter.
  Pass colour_only = RunPass("<TD BGCOLOR=red WIDTH=10>", With({&O::remove_table_color}));
  EXPECT_EQ(colour_only.text, "<TD BGCOLOR=red WIDTH=10>");
  EXPECT_EQ(colour_only.actions, 0);

  // Unchanged tags are not counted as actions.
  Pass same = RunPass("<p>a</p><br>", With({&O::tags_to_lower}));
  EXPECT_EQ(same.text, "<p>a</p><br>");
  EXPECT_EQ(same.actions, 0);
}

using testing::ReadFile;

TEST(TagRewriterTest, DetagPassRewritesByDefaultInMarkupRemoval) {
  testing::TempFolder dir;
  const std::string input =
      dir.Write("doc.htm",
                "<HTML xmlns:o=\"urn:schemas-microsoft-com:office:office\">\n"
                "<BODY>\n"
                "<P CLASS=MsoNormal>Hello <FONT FACE=Arial>world</FONT><o:p></o:p></P>\n"
                "<TABLE><TR><TD BGCOLOR=red WIDTH=10>cell</TD></TR></TABLE>\n"
                "<BLINK>on</BLINK>\n"
                "</BODY>\n"
                "</HTML>\n");
  DetagOptions options;
  options.remove_all_tags = false;  // the Office tag policy is on by default
  options.tags_to_lower = true;
  options.remove_non_standard_tags = true;
  options.keep_deprecated_tags = false;
  options.remove_table_color = true;

  auto convert = [&](DetagPass& pass, const std::string& name, Messages& messages) {
    ASCIIFile output;
    DetagRequest request;
    request.input_path = input;
    request.output_path = dir.Path() + name;
    EXPECT_TRUE(pass.ConvertFile(options, request, output,
                                 [&](const std::string& m, int) { messages.push_back(m); }));
    output.Close();
    return ReadFile(request.output_path);
  };

  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  Messages messages;
  EXPECT_EQ(convert(pass, "out.htm", messages),
            "<html>\n"
            "<body>\n"
            "<p class=MsoNormal>Hello world</p>\n"
            "<table><tr><td width=10>cell</td></tr></table>\n"
            "on\n"
            "</body>\n"
            "</html>\n");
  const Messages expected{"INFO: Removing unknown tag/attr HTML/XMLNS:O",
                          "INFO: Removing deprecated tag FONT (2 times)",
                          "INFO: Discarding tag/attr TD/BGCOLOR",
                          "INFO: Removing unknown tag BLINK (2 times)"};
  auto processing =
      std::find(messages.begin(), messages.end(), "INFO: Processing remaining markup");
  ASSERT_NE(processing, messages.end());
  EXPECT_EQ(Messages(processing + 1, processing + 1 + expected.size()), expected);

  // The same pass converts a second file with the same table; a rewriter set
  // by the caller replaces the built-in one.
  Messages again;
  EXPECT_EQ(convert(pass, "again.htm", again), ReadFile(dir.Path() + "out.htm"));
  pass.SetTagRewriter([](const std::string&, std::string&, CountedMessages&) { return false; });
  Messages none;
  EXPECT_NE(convert(pass, "kept.htm", none).find("<BLINK>on</BLINK>"), std::string::npos);
}

TEST(TagRewriterTest, MarkupRemovalKeepsTodaysElementsAndAttributes) {
  testing::TempFolder dir;
  const std::string input = dir.Write(
      "doc.htm",
      "<header class=top data-id=7 aria-label=\"Site\" role=banner>h</header>"
      "<nav>n</nav><main>m</main><section>s</section><article>a</article>"
      "<figure><picture><source srcset=a.webp type=image/webp><img src=a.jpg loading=lazy>"
      "</picture><figcaption>c</figcaption></figure><time datetime=2020-01-01>t</time>"
      "<video src=v.mp4 controls></video><template><p>x</p></template>"
      "<bdo dir=rtl>b</bdo><embed src=e.swf><wbr><aside foo=1>z</aside><blink>k</blink>\n");
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_non_standard_tags = true;
  options.remove_non_standard_attributes = true;
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = dir.Path() + "out.htm";
  Messages messages;
  ASSERT_TRUE(pass.ConvertFile(options, request, output,
                               [&](const std::string& m, int) { messages.push_back(m); }));
  output.Close();
  EXPECT_EQ(ReadFile(request.output_path),
            "<header class=top data-id=7 aria-label=\"Site\" role=banner>h</header>"
            "<nav>n</nav><main>m</main><section>s</section><article>a</article>"
            "<figure><picture><source srcset=a.webp type=image/webp><img src=a.jpg loading=lazy>"
            "</picture><figcaption>c</figcaption></figure><time datetime=2020-01-01>t</time>"
            "<video src=v.mp4 controls></video><template><p>x</p></template>"
            "<bdo dir=rtl>b</bdo><embed src=e.swf><wbr><aside>z</aside>k\n");
  const std::string removed = "INFO: Removing unknown tag/attr ASIDE/FOO";
  EXPECT_NE(std::find(messages.begin(), messages.end(), removed), messages.end());
}

}  // namespace
}  // namespace orv
