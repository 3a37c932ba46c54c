// Tests of the remaining-tag pass: what counts as a tag, deletion in text
// mode, family-wide removal in markup-removal mode, the rewriter hook and
// its counted messages.
#include <gtest/gtest.h>

#include <random>

#include "html/detag_options.h"
#include "html/pattern_list.h"
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

// The text-mode pass without a pattern list must delete exactly what a
// `<**>` list with the operator test deletes, on every short text over the
// characters that matter and on longer random ones.
std::string ViaPatternList(std::string text, int& actions) {
  PatternList list;
  list.AddCallback("<**>", [](PatternList& l, const Pattern&, long start, long end,
                              const std::string& current, size_t, void*) {
    const char next = end > start ? current[static_cast<size_t>(start) + 1] : '\0';
    if (end == start || next == ' ' || next == '\n' || next == '\t' || next == '=' || next == '<')
      return static_cast<int>(ActionRejected);
    return l.DeleteMatch();
  });
  list.Freeze();
  actions = list.ApplyInPlace(text);
  return text;
}

TEST(RemainingTagPassTest, DirectRemovalAgreesWithThePatternList) {
  static const std::string alphabet = "<>= \n\ta/";
  std::vector<std::string> texts;
  for (size_t length = 1; length <= 5; ++length) {
    std::vector<size_t> digits(length, 0);
    for (;;) {
      std::string text;
      for (size_t d : digits) text += alphabet[d];
      texts.push_back(text);
      size_t k = 0;
      while (k < length && ++digits[k] == alphabet.size()) digits[k++] = 0;
      if (k == length) break;
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 1000; ++round) {
    std::string text;
    const size_t length = 1 + random() % 60;
    for (size_t k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    int expected_actions = 0;
    const std::string expected = ViaPatternList(text, expected_actions);
    std::string direct = text;
    const int actions = RemoveAllTagsInPlace(direct);
    ASSERT_EQ(direct, expected) << "text: [" << text << "]";
    ASSERT_EQ(actions, expected_actions) << "text: [" << text << "]";
    // The pass in text mode takes the same route.
    ASSERT_EQ(RunPass(text, DetagOptions{}).text, expected) << "text: [" << text << "]";
  }
}

// The removal in two halves side by side against the removal in one, on
// random texts of tags, operators, unclosed "<" and line ends: the same
// text and the same count, whether or not a line start past the middle
// lets the text be cut.
TEST(RemainingTagPassTest, HalvesSideBySideRemoveWhatOnePassRemoves) {
  const std::string alphabet = "<<>>a b=\n\n/";
  std::mt19937 random(1207);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t length = 1 + random() % 80;
    for (size_t k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    std::string one = text;
    std::string halves = text;
    const int expected = RemoveAllTagsInPlace(one);
    ASSERT_EQ(RemoveAllTagsInPlaceSplit(halves, 0), expected) << "text: [" << text << "]";
    ASSERT_EQ(halves, one) << "text: [" << text << "]";
  }
}

// The copy without tags against the removal in place, on random texts of
// tags, operators and unclosed "<": the same text after what the copy
// already held, and the same count.
TEST(RemainingTagPassTest, CopyWithoutTagsIsTheRemovalInPlace) {
  const std::string alphabet = "<<>>a b=\n/<";
  std::mt19937 random(1515);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t length = random() % 60;
    for (size_t k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    std::string in_place = text;
    const int expected = RemoveAllTagsInPlace(in_place);
    std::string copy = "held ";
    ASSERT_EQ(AppendWithoutTags(text, copy), expected) << "text: [" << text << "]";
    ASSERT_EQ(copy, "held " + in_place) << "text: [" << text << "]";
  }
}

TEST(RemainingTagPassTest, DirectRemovalStaysLinearOnHostileText) {
  // Many "<" before a single ">", and many "<" with none at all.
  std::string opens(2'000'000, '<');
  std::string copy = opens + "b>tail";
  EXPECT_EQ(RemoveAllTagsInPlace(copy), 1);
  EXPECT_EQ(copy, opens.substr(1) + "tail");
  // Many tags, each deleted where it stands.
  std::string tags;
  for (int k = 0; k < 200'000; ++k) tags += "<b>x";
  EXPECT_EQ(RemoveAllTagsInPlace(tags), 200'000);
  EXPECT_EQ(tags, std::string(200'000, 'x'));
  std::string unclosed(2'000'000, '<');
  unclosed[7] = 'x';
  copy = unclosed;
  EXPECT_EQ(RemoveAllTagsInPlace(copy), 0);
  EXPECT_EQ(copy, unclosed);
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

// Many distinct messages fill several blocks and grow the table many times;
// messages longer than a block, and empty ones, sit among them. Every one
// keeps its text, its count and its place, also after Clear.
TEST(RemainingTagPassTest, CountedMessagesKeepManyDistinctTextsInOrder) {
  CountedMessages messages;
  const std::string long_one = "WARNING: " + std::string(100'000, 'x');
  const std::string longer_one = "WARNING: " + std::string(200'000, 'y');
  auto fill = [&] {
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < 20'000; ++i) {
        messages.Add("INFO: Removing unknown tag T" + std::to_string(i));
        if (i == 5) messages.Add(long_one);
        if (i == 7000) messages.Add("");
        if (i == 9000) messages.Add(longer_one);
      }
    }
  };
  for (int pass = 0; pass < 2; ++pass) {
    fill();
    std::vector<std::string> out;
    messages.ReportAll([&](const std::string& m, int) { out.push_back(m); }, 0);
    ASSERT_EQ(out.size(), 20'003u);
    EXPECT_EQ(out[0], "INFO: Removing unknown tag T0 (2 times)");
    EXPECT_EQ(out[6], long_one + " (2 times)");
    EXPECT_EQ(out[7001], "INFO: Removing unknown tag T7000 (2 times)");
    EXPECT_EQ(out[7002], " (2 times)");
    EXPECT_EQ(out[9002], "INFO: Removing unknown tag T9000 (2 times)");
    EXPECT_EQ(out[9003], longer_one + " (2 times)");
    EXPECT_EQ(out.back(), "INFO: Removing unknown tag T19999 (2 times)");
    messages.Clear();
    EXPECT_TRUE(messages.Empty());
  }
}

}  // namespace
}  // namespace orv
