// Differential checks of lists made only of tags (`<p>`, `<p%/**>`, `</p>`,
// `<br%/`), which are scanned tag by tag wherever the markup is plain and
// character by character where it is not: `<` inside a tag, `<<`, tags cut
// by the end of the text, names that run on. The plain model in
// reference_matcher.h is the judge.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "html/differential_support.h"
#include "html/pattern_list.h"
#include "html/reference_matcher.h"

namespace orv {
namespace {

const char* const kNames[] = {"p", "/p", "br", "/br", "b", "bR", "h%1", "/h%1", "!--", "a", "%Z", "p%1"};
const char* const kEnds[] = {">", "%/**>", "%/", "%>", "**>", "", "%W**>"};
const char kAlphabet[] = "<<<<>>>>pPbBrRaAhH123/// \n!-x=\"";

std::string Text(std::mt19937& rng, size_t max_length) {
  static const char* const kTags[] = {"<p>", "</p>", "<P class=x>", "<br>", "<br/>", "<BR clear=all>",
                                      "<b>", "</B>", "<h1>", "</h2 >", "<!-- c -->", "<a href=y>",
                                      "<pre>", "<p<b>", "<br<", "<<p>", "<p title='<b>'>"};
  std::string text;
  const size_t length = rng() % (max_length + 1);
  while (text.size() < length) {
    if (rng() % 3 == 0) {
      text += kTags[rng() % std::size(kTags)];
    } else {
      const char c = kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
      text.append(rng() % 6 == 0 ? 1 + rng() % 5 : 1, c);
    }
  }
  return text;
}

std::vector<reference::Entry> Entries(std::mt19937& rng, size_t count) {
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete, Callback, Callback};
  std::vector<reference::Entry> entries(count);
  for (reference::Entry& e : entries) {
    e.pattern = std::string("<") + kNames[rng() % std::size(kNames)] + kEnds[rng() % std::size(kEnds)];
    // Now and then an entry that is not a tag, which makes the whole list
    // go character by character.
    if (rng() % 25 == 0) e.pattern = "x**>";
    e.kind = kinds[rng() % std::size(kinds)];
    e.case_sensitive = rng() % 5 == 0;
    if (e.kind != Delete && e.kind != Callback) e.replacement = std::string(rng() % 3, '@');
    EXPECT_TRUE(reference::IsValid(e.pattern)) << e.pattern;
  }
  return entries;
}

TEST(PatternTagDifferentialTest, ListsOfTagsAgree) {
  std::mt19937 rng(1871);
  for (int n = 0; n < 6000; ++n) {
    const auto entries = Entries(rng, 1 + rng() % 7);
    orv::testing::HandlerMix mix{static_cast<uint32_t>(rng() % 10), 8, 1 + static_cast<long>(rng() % 4)};
    for (int t = 0; t < 3; ++t)
      orv::testing::CompareWithReference(entries, Text(rng, n % 10 == 0 ? 1500 : 120), mix);
  }
}

// Plain markup, as the conversion's lists meet it: long texts where every
// tag is closed before the next begins, with the odd `<` that is not.
TEST(PatternTagDifferentialTest, LongPlainMarkupAgrees) {
  std::mt19937 rng(4242);
  const char* const kTags[] = {"<p>", "</p>", "<p align=center>", "<br>", "<br />", "<div>", "</div>",
                               "<h2 id=x>", "</h2>", "<b>", "</b>", "<span class=\"a\">", "</span>"};
  for (int n = 0; n < 60; ++n) {
    std::string text;
    while (text.size() < 20000) {
      text += kTags[rng() % std::size(kTags)];
      text += std::string(rng() % 40, "abc def\n"[rng() % 8]);
      if (rng() % 50 == 0) text += rng() % 2 ? "a < b" : "<<";
    }
    const std::vector<reference::Entry> entries = {
        {Callback, "<p>", "", false},   {Callback, "<p%/**>", "", false}, {InsertAfter, "</p>", "|", false},
        {Replace, "<br>", "\n", false}, {InsertBefore, "<br%/", "~", false}, {Callback, "<h%1%/**>", "", false},
        {Callback, "</h%1>", "", false}, {Delete, "</div>", "", false}};
    orv::testing::CompareWithReference(entries, text, {4, 9, 5});
  }
}

// A list applied a second time finds nothing where it only deletes or
// replaces tags and no tag is left open before any change of the first
// application (the conversion spares the second scan of its in-line tags
// then). Lists that insert beside a tag, or whose patterns could take a
// '>' before their end, are never spared.
TEST(PatternTagDifferentialTest, NoSecondMatchWhereNoTagIsLeftOpenBeforeAChange) {
  std::mt19937 rng(2612);
  const int kinds[] = {Replace, Delete, Replace, Delete, InsertAfter, InsertBefore};
  const char* const kPutIn[] = {"", " ", "@", ">"};
  // Tag ends, and two that can take a '>' before their end ("**" before a
  // letter, a class that holds '>').
  const char* const kTagEnds[] = {">", "%/**>", "%/", "**>", "", "%W**>", "?Z>", "**B>", "%>"};
  int spared = 0, kept = 0;
  for (int n = 0; n < 12000; ++n) {
    PatternList list;
    for (size_t k = 1 + rng() % 6; k > 0; --k) {
      const std::string pattern =
          std::string("<") + kNames[rng() % std::size(kNames)] + kTagEnds[rng() % std::size(kTagEnds)];
      const int kind = kinds[rng() % std::size(kinds)];
      const char* put_in = kPutIn[rng() % std::size(kPutIn)];
      bool added = false;
      if (kind == Delete) added = list.AddDelete(pattern);
      if (kind == Replace) added = list.AddReplace(pattern, put_in);
      if (kind == InsertAfter) added = list.AddInsertAfter(pattern, put_in);
      if (kind == InsertBefore) added = list.AddInsertBefore(pattern, put_in);
      ASSERT_TRUE(added) << pattern;
    }
    const std::string text = Text(rng, n % 10 == 0 ? 1500 : 120);
    PatternList::ChangeSpans changes;
    list.NoteChanges(&changes);
    if (list.Apply(text) == 0) continue;
    list.NoteChanges(nullptr);
    const std::string once = list.Result();
    if (TagsMayMatchAcrossChanges(list, once, changes)) {
      ++kept;
      continue;
    }
    ++spared;
    EXPECT_EQ(list.Apply(once), 0) << "text: " << text << "\nonce: " << once;
  }
  EXPECT_GT(spared, 500);
  EXPECT_GT(kept, 500);
}

// A handler that stops the scan ends it inside the tag scan too, and what
// follows is kept as it is.
TEST(PatternTagTest, StopEndsTheScan) {
  PatternList list;
  int calls = 0;
  ASSERT_TRUE(list.AddCallback("<p%/**>", [&calls](PatternList& l, const orv::Pattern&, long, long,
                                                   const std::string&, size_t, void*) {
    l.ReplaceMatch("P");
    return ++calls == 2 ? ActionStop : ActionChanged;
  }));
  ASSERT_TRUE(list.AddDelete("</p>"));
  EXPECT_EQ(list.Apply("<p a>x</p><p b>y</p><p c>z</p>"), 3);
  EXPECT_EQ(list.Result(), "PxPy</p><p c>z</p>");
}

}  // namespace
}  // namespace orv
