// Differential checks of lists whose entries all begin with literal text,
// the lists the scan can jump through from one leading literal to the next.
// Leads that overlap themselves or each other (`<<b`, `<a<b`, `--`) and
// dense texts of their characters probe the landing rules; the plain model
// in reference_matcher.h is the judge.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "html/pattern_list.h"
#include "html/differential_support.h"
#include "html/reference_matcher.h"

namespace orv {
namespace {

const char* const kLeads[] = {"<",  "<<", "<a",   "<a<b", "</",   "<b>", "-",      "--",   "-->",
                              "a<", "ab", "\xff", "\xff\xff", " \xff\xff", "|n", "\"", ".", "aa<"};
const char* const kTails[] = {"", "", ">", "**>", "%W**>", "?W", "*W\xff", "%1", "**</a>", "b", "**-->", "?S"};
const char kAlphabet[] = "<<<<<aaAbB>>--- \n\"./\xff\xff";

std::string Text(std::mt19937& rng, size_t max_length) {
  std::string text;
  const size_t length = rng() % (max_length + 1);
  while (text.size() < length) {
    const char c = kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
    text.append(rng() % 5 == 0 ? 1 + rng() % 30 : 1, c);
    // Now and then a whole lead, so matches are common.
    if (rng() % 6 == 0) text += kLeads[rng() % std::size(kLeads)];
  }
  return text;
}

void Compare(const std::vector<reference::Entry>& entries, const std::string& text) {
  orv::testing::CompareWithReference(entries, text, orv::testing::HandlerMix{4, 7, 4});
}

std::vector<reference::Entry> Entries(std::mt19937& rng, size_t count) {
  const int kinds[] = {Replace, InsertAfter, Delete, Callback, Callback};
  std::vector<reference::Entry> entries(count);
  for (reference::Entry& e : entries) {
    do e.pattern = std::string(kLeads[rng() % std::size(kLeads)]) + kTails[rng() % std::size(kTails)];
    while (!reference::IsValid(e.pattern));
    e.kind = kinds[rng() % std::size(kinds)];
    e.case_sensitive = rng() % 4 == 0;
    if (e.kind != Delete && e.kind != Callback) e.replacement = std::string(rng() % 3, '@');
  }
  return entries;
}

TEST(PatternLeadDifferentialTest, ListsOfLiteralLedEntriesAgree) {
  std::mt19937 rng(8675309);
  for (int n = 0; n < 4000; ++n) {
    const auto entries = Entries(rng, 1 + rng() % 6);
    for (int t = 0; t < 3; ++t) Compare(entries, Text(rng, n % 10 == 0 ? 600 : 80));
  }
}

TEST(PatternLeadDifferentialTest, ManyEntriesAndLongRunsBeforeALeadAgree) {
  std::mt19937 rng(99);
  for (int n = 0; n < 40; ++n) {
    const auto entries = Entries(rng, 60 + rng() % 30);
    for (int t = 0; t < 2; ++t) Compare(entries, Text(rng, 400));
  }
  // A lead after a stretch of its first character longer than the distance
  // the scan backs off from a lead: `<b>` after an even or odd run of `<`.
  for (size_t run : {1u, 2u, 63u, 64u, 65u, 66u, 200u, 201u}) {
    const std::vector<reference::Entry> entries = {{Replace, "<b>", "B", false}, {Delete, "<a<b", "", false}};
    Compare(entries, std::string(run, '<') + "b> x " + std::string(run, '<') + "a<b");
  }
}

// A list of one entry made of a character, `**` and a closing run (the
// shape of the remaining-tag pass) is scanned by searching for the two;
// handlers that reject, stop or change the text steer it as in any list.
TEST(PatternLeadDifferentialTest, OneCharacterSpanListsAgree) {
  std::mt19937 rng(2718);
  const char* const shapes[] = {"<**>", "<**/a>", "-**--", "a**<", "|n**|n", "\xff**\xff\xff", "<**<<"};
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete, Callback};
  for (int n = 0; n < 3000; ++n) {
    reference::Entry entry{kinds[rng() % std::size(kinds)], shapes[rng() % std::size(shapes)], "", rng() % 3 == 0};
    if (entry.kind != Delete && entry.kind != Callback) entry.replacement = std::string(rng() % 3, '@');
    Compare({entry}, Text(rng, n % 10 == 0 ? 500 : 80));
  }
}

// Matches of the in-band marker lists, whose leads begin with or contain
// 0xFF bytes, and a lead that occurs nowhere (the application ends early).
TEST(PatternLeadTest, MarkerListsAndAbsentLeads) {
  PatternList marks;
  ASSERT_TRUE(marks.AddReplace("\xff\xff ", "\xff\xff"));
  ASSERT_TRUE(marks.AddReplace(" \xff\xff", "\xff\xff"));
  EXPECT_EQ(marks.Apply("a \xff\xffP\xff\xff b \xff\xff"), 3);
  EXPECT_EQ(marks.Result(), "a\xff\xffP\xff\xff" "b\xff\xff");
  // The first of two spaces fails the second entry on the second space,
  // which then cannot begin an attempt of its own.
  EXPECT_EQ(marks.Apply("b  \xff\xff"), 0);

  PatternList forms;
  ASSERT_TRUE(forms.AddDelete("<form%W**>"));
  ASSERT_TRUE(forms.AddDelete("<input%W**>"));
  const std::string text = std::string(5000, '<') + "<p>text</p><FORMAT>";
  EXPECT_EQ(forms.Apply(text), 0);
  EXPECT_EQ(forms.Result(), text);
  EXPECT_EQ(forms.Apply(text + "<Form action=x>"), 1);
  EXPECT_EQ(forms.Result(), text);
}

}  // namespace
}  // namespace orv
