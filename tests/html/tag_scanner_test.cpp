// Tests of the remaining-tag pass: what counts as a tag, deletion in text
// mode, family-wide removal in markup-removal mode, the rewriter hook and
// its counted messages.
#include <gtest/gtest.h>

#include "html/detag_options.h"
#include "html/tag_catalogue.h"
#include "html/tag_scanner.h"

namespace orv {
namespace {

struct Pass {
  std::string text;
  int actions;
  std::vector<std::string> messages;
};

Pass RunPass(std::string text, const DetagOptions& options, const TagRewriter& rewriter = {}) {
  static const TagCatalogue catalogue;
  Pass pass;
  pass.actions = RemainingTagPass(text, options, catalogue, rewriter,
                                  [&](const std::string& m, int) { pass.messages.push_back(m); });
  pass.text = std::move(text);
  return pass;
}

DetagOptions MarkupRemoval() {
  DetagOptions options;
  options.remove_all_tags = false;
  options.remove_office_tags = false;  // so that no rewriter policy is on
  options.remove_mail_tags = false;
  return options;
}

TEST(RemainingTagPassTest, TextModeDeletesTagsButNotOperators) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"a < b <c> d", "a < b  d"},
      {"a <= b and x << y", "a <= b and x << y"},
      {"<<b>bold</b>", "<bold"},
      {"<p class=x>text</p><br/>", "text"},
      {"unterminated <b never closed", "unterminated <b never closed"},
      {"no brackets at all", "no brackets at all"},
      {"<!-- note -->kept", "kept"},
      {"<\n>not a tag", "<\n>not a tag"},
  };
  for (const auto& c : cases) EXPECT_EQ(RunPass(c.in, DetagOptions{}).text, c.out) << c.in;
}

TEST(RemainingTagPassTest, MarkupRemovalRemovesFamiliesByPolicy) {
  DetagOptions options = MarkupRemoval();
  const std::string html = "<P>x</P><x-sigsep>s</x-sigsep><o:p>o</o:p><unknown>u</unknown><!-- c -->";
  // Nothing selected: everything stays, unknown tags included.
  EXPECT_EQ(RunPass(html, options).text, html);

  options.remove_all_html_tags = true;
  EXPECT_EQ(RunPass(html, options).text, "x<x-sigsep>s</x-sigsep><o:p>o</o:p><unknown>u</unknown><!-- c -->");
  options.remove_all_html_tags = false;
  options.remove_mail_tags = true;
  EXPECT_EQ(RunPass(html, options).text, "<P>x</P>s<o:p>o</o:p><unknown>u</unknown><!-- c -->");
  // Office tags go with their own policy.
  options.remove_mail_tags = false;
  options.remove_office_tags = true;
  EXPECT_EQ(RunPass(html, options).text, "<P>x</P><x-sigsep>s</x-sigsep>o<unknown>u</unknown><!-- c -->");
}

TEST(RemainingTagPassTest, SurvivingTagsGoToTheRewriterWithCountedMessages) {
  DetagOptions options = MarkupRemoval();
  options.tags_to_lower = true;
  std::vector<std::string> seen;
  TagRewriter lower = [&](const std::string& tag, std::string& out, CountedMessages& messages) {
    seen.push_back(tag);
    if (tag == "<B>" || tag == "</B>") {
      out = tag == "<B>" ? "<b>" : "</b>";
      messages.Add("INFO: Lower-cased a tag");
      return true;
    }
    messages.Add("INFO: Left alone");
    return false;
  };
  Pass pass = RunPass("<B>x</B> <i>y</i> <B>z</B>", options, lower);
  EXPECT_EQ(pass.text, "<b>x</b> <i>y</i> <b>z</b>");
  EXPECT_EQ(pass.actions, 4);
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(pass.messages, (std::vector<std::string>{"INFO: Lower-cased a tag (4 times)",
                                                     "INFO: Left alone (2 times)"}));
  // Without any rewriter policy the hook is not called.
  seen.clear();
  EXPECT_EQ(RunPass("<B>x</B>", MarkupRemoval(), lower).text, "<B>x</B>");
  EXPECT_TRUE(seen.empty());
}

TEST(RemainingTagPassTest, CountedMessagesReportOncePerDistinctText) {
  CountedMessages messages;
  messages.Add("WARNING: a");
  messages.Add("WARNING: b");
  messages.Add("WARNING: a");
  std::vector<std::string> out;
  messages.ReportAll([&](const std::string& m, int level) {
    out.push_back(m);
    EXPECT_EQ(level, 10);
  }, 10);
  EXPECT_EQ(out, (std::vector<std::string>{"WARNING: a (2 times)", "WARNING: b"}));
}

}  // namespace
}  // namespace orv
