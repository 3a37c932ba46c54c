// Tests of the pattern language and the list scan: tables
// of worked examples, then the production list checked against the plain
// model in reference_matcher.h on generated patterns and texts.
#include "html/pattern_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "html/reference_matcher.h"

namespace orv {
namespace {

using Span = std::pair<long, long>;

// Every match a one-entry list finds when its handler accepts nothing.
std::vector<Span> Matches(std::string_view pattern, std::string_view text, bool case_sensitive = false) {
  std::vector<Span> found;
  PatternList list;
  EXPECT_TRUE(list.AddCallback(
      pattern,
      [&found](PatternList&, const Pattern&, long s, long e, const std::string&, size_t, void*) {
        found.emplace_back(s, e);
        return static_cast<int>(ActionNone);
      },
      nullptr, case_sensitive))
      << pattern;
  list.Apply(text);
  return found;
}

struct MatchCase {
  const char* pattern;
  const char* text;
  std::vector<Span> expected;
  bool case_sensitive = false;
};

void RunMatchTable(const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases)
    EXPECT_EQ(Matches(c.pattern, c.text, c.case_sensitive), c.expected)
        << "pattern `" << c.pattern << "` on \"" << c.text << "\"";
}

TEST(PatternMatchTest, LiteralsAndTheFailedCharacterRule) {
  RunMatchTable({
      {"-->", "--->", {{1, 3}}},
      {"-->", "a---->b", {{3, 5}}},
      {"<b>", "<<b>", {}},            // the `<` that failed does not restart
      {"<b>", "<x<b>", {{2, 4}}},    // the `x` failed, so the next `<` may start
      {"ab", "aab", {}},
      {"aab", "aaab", {{1, 3}}},      // run of two copies slides on
      {"<b>", "<b><B>", {{0, 2}, {3, 5}}},
      {"<B>", "<b>", {}, true},
      {"<b>", "<B>", {}, true},
      {"a|nb", "a\nb", {{0, 2}}},
      {"|t||", "\t|", {{0, 1}}},
      {"|%|*|?", "%*?", {{0, 2}}},
  });
}

TEST(PatternMatchTest, ClassesTestTheCharacterAsItStands) {
  RunMatchTable({
      {"<%a>", "<b><B>", {{0, 2}}},
      {"<%A>", "<b><B>", {{3, 5}}},
      {"<%Z>", "<b><B><1>", {{0, 2}, {3, 5}}},
      {"%1%1", "a42b", {{1, 2}}},
      {"x%Wy", "x y x\ty x\ny x\ry", {{0, 2}, {4, 6}, {8, 10}}},
      {"x%Sy", "x y x\ty", {{0, 2}}},
      {"%(%)", "()<>[]{}(>", {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}}},
      {"%.", "a!b\"&'(),.:;<>[]{}-?", {{1, 1}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9},
                                       {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}, {15, 15},
                                       {16, 16}, {17, 17}}},
      {"a%*c", "a\nc", {{0, 2}}},
      {"<b%/", "<b <b/ <b\t<b\n<bo <b>", {{0, 2}, {3, 5}, {7, 9}, {10, 12}}},
      {"<b%>", "<b <b/ <bo <b>", {{0, 2}, {3, 5}, {11, 13}}},
  });
}

TEST(PatternMatchTest, QuantifiersStopAsEarlyAsTheyMay) {
  RunMatchTable({
      {"<**>", "a < b <c> d", {{2, 8}}},
      {"<**>", "<a><b>", {{0, 2}, {3, 5}}},
      {"<table**</table>", "<table><table>x</table></table>", {{0, 22}}},
      {"<head**/head>", "<HEAD><title>t</Title></head>", {{0, 28}}},
      {"<h%1**>", "<H2 class=x>", {{0, 11}}},
      {"<p*W>", "<p> <p  > <px>", {{0, 2}, {4, 8}}},
      {"<p?W>", "<p> <p  >", {{4, 8}}},
      {"<!--**-->", "<!-- a ---> b -->", {{0, 10}}},   // whole run after `**`
      {"a**bc", "abxbc", {{0, 4}}},
      {"x*1?W", "x12  y", {{0, 4}}},                   // `?W` ends the pattern
      {"x**%1", "xab7c", {{0, 3}}},
      {"a**|nb", "ax\n\nb", {}},                        // the `|n` ends `**`; `b` then fails
  });
}

TEST(PatternMatchTest, ElementPatternsOfTheDetagLists) {
  RunMatchTable({
      {"<head**/head>", "<HEAD><title>t</TITLE></HEAD> x </head>", {{0, 28}}},  // any case, first end
      {"<head**/head>", "<head><title>t</title>", {}},                          // no end tag: no match
      {"<style%W**/style>", "<style type=x>a{}</STYLE><style>b</style>", {{0, 24}}},
      {"<style>**/style>", "<style type=x>a{}</STYLE><style>b</style>", {{25, 40}}},
      {"<body**>", "<BODY bgcolor=x><body>", {{0, 15}, {16, 21}}},
      {"<h%1**>", "<h1><hr><H6 id=a>", {{0, 3}, {8, 16}}},
      {"</h%1>", "</h1></H12></h>", {{0, 4}}},
      {"<a%W**>**</a>", "<a href=x><b>y</b></A> <a>z</a>", {{0, 21}}},
      {"|?%W\"?W", "ok? \"  x?  \" y", {{2, 6}}},  // exactly one white space before the quote
  });
}

TEST(PatternMatchTest, QuantifierEndingThePattern) {
  RunMatchTable({
      {"a?1", "a123b", {{0, 3}}},
      {"a?1", "a123", {{0, 3}}},
      {"a?1", "ab", {}},
      {"a*1", "a12", {{0, 2}}},
      {"a*1", "a", {{0, 0}}},  // zero characters only when the text ends
      {"a*1", "ab", {}},
      {".?S", "End.  Next. x", {{3, 5}, {10, 11}}},
      {"x?*", "axbc", {{1, 3}}},
      // Final `*C` tokens also match nothing when an earlier quantifier
      // takes the last character of the text.
      {"x?1*W", "x12", {{0, 2}}},
      {"x?1*W", "x12 y", {{0, 3}}},
      {"x?1*W", "x1a", {}},
      {"x*1*W", "x", {{0, 0}}},
      {"x*1*W", "xy", {}},
      {"a***W", "ab", {{0, 1}}},
      {"a*W*1", "a ", {{0, 1}}},
  });
}

TEST(PatternMatchTest, BacksUpToTheNearestEarlierAnyRun) {
  RunMatchTable({
      {"a**b*1c", "ab bx b1c", {{0, 8}}},
      {"a*Wb*1c", "a bx b1c", {}},          // no `**` to fall back on
      {"<**>?W!", "<a>x <b> !", {{0, 9}}},
      {"a**b%1", "abb1", {}},               // `%1` failing abandons
  });
}

TEST(PatternMatchTest, MatchesAcrossManyCharactersStayExact) {
  const std::string many(5000, '-');
  EXPECT_EQ(Matches("-->", many + ">"), (std::vector<Span>{{4998, 5000}}));
  const std::string lt(5000, '<');
  EXPECT_EQ(Matches("<**>", lt + ">"), (std::vector<Span>{{0, 5000}}));
  EXPECT_TRUE(Matches("<**>", lt).empty());
}

TEST(PatternListTest, RejectingEveryMatchOfALongRunStaysExact) {
  // Every `<` starts a match ending at the one `>`; each is rejected and the
  // scan resumes one character later.
  const std::string text = std::string(100000, '<') + ">";
  PatternList list;
  long calls = 0;
  long last_start = -1;
  list.AddCallback("<**>", [&](PatternList&, const Pattern&, long s, long e, const std::string&, size_t, void*) {
    EXPECT_EQ(s, last_start + 1);
    EXPECT_EQ(e, 100000);
    last_start = s;
    ++calls;
    return static_cast<int>(ActionRejected);
  });
  EXPECT_EQ(list.Apply(text), 0);
  EXPECT_EQ(calls, 100000);
  EXPECT_EQ(list.Result(), text);
}

TEST(PatternValidationTest, RefusesMalformedPatterns) {
  struct Case {
    const char* pattern;
    bool valid;
  } cases[] = {
      {"", false},        {"a**", false},     {"%", false},       {"a*", false},    {"a?", false},
      {"%x", false},      {"*b", false},      {"|x", false},      {"a|", false},    {"|N", false},
      {"%w", false},      {"**", false},      {"<**>", true},     {"?*", true},     {"a?*", true},
      {"**a", true},      {"%*", true},       {"a***W", true},    {"|**1", true},   {"|n|t|%|*|?||", true},
      {"%(%)%.%/%>%1%A%a%S%W%Z%*", true},         {"a|**", false},    {"\\a", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidPattern(c.pattern), c.valid) << c.pattern;
    PatternList list;
    EXPECT_EQ(list.AddDelete(c.pattern), c.valid) << c.pattern;
    EXPECT_EQ(list.Size(), c.valid ? 1u : 0u);
  }
}

TEST(PatternValidationTest, StoredFormKeepsClassLettersAndEscapes) {
  struct Case {
    const char* pattern;
    bool case_sensitive;
    const char* stored;
  } cases[] = {
      {"<p%a**>", false, "<P%a**>"},   {"**a", false, "**A"},     {"?a|nx", false, "?a|nX"},
      {"<p%a**>", true, "<p%a**>"},    {"%**Wb", false, "%**WB"},   {"x|%y", false, "X|%Y"},
  };
  for (const Case& c : cases) {
    PatternList list;
    ASSERT_TRUE(list.AddDelete(c.pattern, c.case_sensitive));
    EXPECT_EQ(list.Entry(0).text, c.stored);
  }
}

// --- list application -------------------------------------------------------

struct ApplyCase {
  std::vector<std::tuple<ActionKind, const char*, const char*>> entries;
  const char* text;
  const char* expected;
  int count;
};

TEST(PatternListTest, BuiltInActions) {
  const std::vector<ApplyCase> cases = {
      {{{Replace, "<br>", "\n"}}, "a<BR>b<br>", "a\nb\n", 2},
      {{{Delete, "<**>", ""}}, "<p class=x>Hi</p> <b>", "Hi ", 3},
      {{{InsertAfter, "</p>", "|"}}, "<p>x</p>y</P>", "<p>x</p>|y</P>|", 2},
      {{{InsertBefore, "<p>", "|"}}, "a<p>b<p>", "a|<p>b|<p>", 2},
      {{{Replace, "a", "aa"}}, "aaa", "aaaaaa", 3},  // replacement is not rescanned
      {{{Replace, "b", "1"}, {Replace, "ab", "2"}}, "ab", "a1", 1},
      {{{Replace, "ab", "2"}, {Replace, "b", "1"}}, "ab", "2", 1},
      {{{Replace, "b", "X"}, {Delete, "abc", ""}}, "abc", "aXc", 1},  // change drops partials
      {{{Replace, "x", "y"}}, "", "", 0},
      {{{Replace, "<b>", "[B]"}, {Replace, "</b>", "[/B]"}}, "<b>bold</B>", "[B]bold[/B]", 2},
  };
  for (const ApplyCase& c : cases) {
    PatternList list;
    for (const auto& [kind, pattern, replacement] : c.entries)
      ASSERT_TRUE(list.Add(kind, pattern, replacement, false, nullptr, nullptr));
    EXPECT_EQ(list.Apply(c.text), c.count) << c.text;
    EXPECT_EQ(list.Result(), c.expected) << c.text;
  }
}

// The remaining-tag rule in miniature: a match whose first word is a lone
// `<`, or that starts with `<=` or `<<`, is rejected; other tags are deleted.
int DropTags(PatternList&, const Pattern&, long start, long end, const std::string& text, size_t, void*) {
  const std::string match = text.substr(start, end - start + 1);
  const std::string word = match.substr(0, match.find_first_of(" \n\t"));
  if (word == "<" || match.rfind("<=", 0) == 0 || match.rfind("<<", 0) == 0) return ActionRejected;
  return ActionNone;
}

TEST(PatternListTest, RejectedMatchResumesAfterItsFirstCharacter) {
  struct Case {
    const char* text;
    const char* expected;
    int count;
  } cases[] = {
      {"a < b <c> d", "a < b  d", 1},
      {"a <= b", "a <= b", 0},
      {"x << y", "x << y", 0},
      {"x << y <i>z", "x << y z", 1},  // `<<` and `< y` rejected, then `<i>` found
  };
  for (const Case& c : cases) {
    PatternList list;
    list.AddCallback("<**>", [](PatternList& l, const Pattern& p, long s, long e, const std::string& t,
                                size_t pos, void* d) {
      if (DropTags(l, p, s, e, t, pos, d) == ActionRejected) return static_cast<int>(ActionRejected);
      return l.DeleteMatch();
    });
    EXPECT_EQ(list.Apply(c.text), c.count) << c.text;
    EXPECT_EQ(list.Result(), c.expected) << c.text;
  }
}

TEST(PatternListTest, HandlerResultsSteerTheScan) {
  // ActionNone keeps other entries' partial matches.
  {
    PatternList list;
    list.AddCallback("b", [](PatternList&, const Pattern&, long, long, const std::string&, size_t, void*) {
      return static_cast<int>(ActionNone);
    });
    list.AddDelete("abc");
    EXPECT_EQ(list.Apply("abc"), 1);
    EXPECT_EQ(list.Result(), "");
  }
  // ActionChanged drops them, even when the handler changed nothing.
  {
    PatternList list;
    list.AddCallback("b", [](PatternList&, const Pattern&, long, long, const std::string&, size_t, void*) {
      return static_cast<int>(ActionChanged);
    });
    list.AddDelete("abc");
    EXPECT_EQ(list.Apply("abc"), 1);
    EXPECT_EQ(list.Result(), "abc");
  }
  // A replacement through the list with ActionNone counts and keeps partials;
  // the overlapping match that completes later cannot rewrite it again.
  {
    PatternList list;
    list.AddCallback("b", [](PatternList& l, const Pattern&, long, long, const std::string&, size_t, void*) {
      EXPECT_EQ(l.ReplaceMatch("B"), ActionChanged);
      return static_cast<int>(ActionNone);
    });
    list.AddDelete("abc");
    list.AddDelete("c");
    EXPECT_EQ(list.Apply("abcc"), 2);
    EXPECT_EQ(list.Result(), "aBc");  // `abc` refused (overlaps), last `c` deleted
    EXPECT_EQ(list.Entry(1).matches_found, 1);
    EXPECT_EQ(list.Entry(1).actions_taken, 0);
  }
  // ActionStop ends the scan but keeps what was done.
  {
    PatternList list;
    int calls = 0;
    list.AddCallback("x", [&calls](PatternList& l, const Pattern&, long, long, const std::string&, size_t,
                                   void*) {
      ++calls;
      l.ReplaceMatch("Y");
      return static_cast<int>(ActionStop);
    });
    list.AddReplace("a", "b");
    EXPECT_EQ(list.Apply("axaxa"), 2);
    EXPECT_EQ(list.Result(), "bYaxa");
    EXPECT_EQ(calls, 1);
  }
  // A rejecting handler's replacement is undone.
  {
    PatternList list;
    list.AddCallback("ab", [](PatternList& l, const Pattern&, long, long, const std::string&, size_t, void*) {
      l.ReplaceMatch("ZZ");
      return static_cast<int>(ActionRejected);
    });
    EXPECT_EQ(list.Apply("abab"), 0);
    EXPECT_EQ(list.Result(), "abab");
  }
}

TEST(PatternListTest, HandlerSeesInputOffsetsAndOutOfRangeEditsDoNothing) {
  PatternList list;
  std::vector<std::string> seen;
  std::vector<int> results;
  list.AddReplace("a", "AAAA");
  list.AddCallback("<**>", [&](PatternList& l, const Pattern& entry, long s, long e, const std::string& text,
                               size_t position, void* data) {
    seen.push_back(text.substr(s, e - s + 1));
    EXPECT_EQ(position, static_cast<size_t>(e));
    EXPECT_EQ(data, &seen);
    EXPECT_EQ(entry.sequence, 2);
    results.push_back(l.ReplaceText(-1, e, "?"));
    results.push_back(l.ReplaceText(s, s - 1, "?"));
    results.push_back(l.ReplaceText(s, static_cast<long>(text.size()), "?"));
    results.push_back(l.ReplaceText(s, e + 1, "?"));   // beyond the scan position
    results.push_back(l.ReplaceText(0, e, "?"));       // reaches back into rewritten text
    results.push_back(l.InsertText(e + 1, "!"));
    return static_cast<int>(ActionNone);
  }, &seen);
  EXPECT_EQ(list.Apply("a<x>"), 2);
  EXPECT_EQ(list.Result(), "AAAA<x>!");
  EXPECT_EQ(seen, std::vector<std::string>{"<x>"});
  EXPECT_EQ(results, (std::vector<int>{ActionNone, ActionNone, ActionNone, ActionNone, ActionNone,
                                       ActionChanged}));
  EXPECT_EQ(list.ReplaceMatch("x"), ActionNone);  // outside Apply
}

TEST(PatternListTest, InsertBeforeActsOncePerMatch) {
  PatternList list;
  list.AddInsertBefore("<li>", "* ");
  EXPECT_EQ(list.Apply("<ul><li>a<li>b"), 2);
  EXPECT_EQ(list.Result(), "<ul>* <li>a* <li>b");
}

// A text that grows many times over as it is rewritten (more than the room
// made at the first change, then faster than the room made for it at the
// rate seen so far) comes out whole: short at the start, long at the end.
TEST(PatternListTest, TextThatGrowsManyTimesOverComesOutWhole) {
  PatternList list;
  list.AddInsertBefore("x", std::string(40, '+'));
  std::string text, expected;
  for (int i = 0; i < 20000; ++i) {
    const char c = i < 5000 ? 'y' : 'x';
    text += c;
    if (c == 'x') expected += std::string(40, '+');
    expected += c;
  }
  std::string in_place = text;
  EXPECT_EQ(list.ApplyInPlace(in_place), 15000);
  EXPECT_EQ(in_place, expected);
}

TEST(PatternListTest, FreezingCountersAndLifecycle) {
  PatternList list;
  EXPECT_TRUE(list.AddReplace("x", "y"));
  EXPECT_TRUE(list.AddDelete("z"));
  list.Freeze();
  EXPECT_TRUE(list.IsFrozen());
  EXPECT_FALSE(list.AddDelete("q"));
  list.Clear();
  EXPECT_EQ(list.Size(), 2u);
  EXPECT_EQ(list.Apply("xzx zz"), 5);
  EXPECT_EQ(list.Result(), "yy ");
  EXPECT_EQ(list.Apply(list.Result()), 0);  // own result as input
  EXPECT_EQ(list.Result(), "yy ");
  EXPECT_EQ(list.Entry(0).matches_found, 2);
  EXPECT_EQ(list.Entry(0).actions_taken, 2);
  EXPECT_EQ(list.Entry(1).actions_taken, 3);
  EXPECT_EQ(list.Entry(1).sequence, 2);
  list.Unfreeze();
  list.Clear();
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_EQ(list.Apply("xyz"), 0);
  EXPECT_EQ(list.Result(), "xyz");

  // Kinds: 5 is another name for Callback; unknown kinds and handler-less
  // callbacks are refused.
  auto handler = [](PatternList&, const Pattern&, long, long, const std::string&, size_t, void*) {
    return static_cast<int>(ActionNone);
  };
  EXPECT_TRUE(list.Add(static_cast<ActionKind>(5), "a", "", false, handler, nullptr));
  EXPECT_EQ(list.Entry(0).kind, Callback);
  EXPECT_FALSE(list.Add(static_cast<ActionKind>(0), "a", "", false, nullptr, nullptr));
  EXPECT_FALSE(list.Add(static_cast<ActionKind>(7), "a", "", false, handler, nullptr));
  EXPECT_FALSE(list.AddCallback("a", nullptr));
}

TEST(PatternListTest, HandlersCannotReshapeTheListMidScan) {
  PatternList list;
  int inner = -1;
  bool added = true;
  list.AddCallback("a", [&](PatternList& l, const Pattern&, long, long, const std::string&, size_t, void*) {
    added = l.AddDelete("b");
    l.Clear();
    inner = l.Apply("aaa");
    return static_cast<int>(ActionNone);
  });
  list.Apply("a");
  EXPECT_FALSE(added);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(list.Size(), 1u);
  EXPECT_EQ(list.Result(), "a");
}

// --- differential tests against the plain model ----------------------------

const char* const kPatternPieces[] = {
    "<", ">", "-", " ", "a", "B", "x", "/", "|n", "||", "|%", "%W", "%S", "%1", "%)", "%(",
    "%.", "%*", "%Z", "%a", "%A", "*W", "*S", "*1", "**", "*Z", "*a", "?W", "?S", "?1", "?*",
    "?Z", "?)", "<", ">", "-", "**", "<", ">", "-",
};
const char kTextAlphabet[] = "<<<>>>--- \n\naAbBx1/|%";

std::string RandomPattern(std::mt19937& rng) {
  std::string p;
  const int tokens = 1 + static_cast<int>(rng() % 6);
  for (int t = 0; t < tokens; ++t) p += kPatternPieces[rng() % std::size(kPatternPieces)];
  return p;
}

std::string RandomText(std::mt19937& rng, size_t max_length) {
  std::string text;
  const size_t length = rng() % (max_length + 1);
  while (text.size() < length) {
    if (rng() % 8 == 0) {  // a repeated run to exercise the skipping
      text.append(1 + rng() % 40, kTextAlphabet[rng() % (sizeof(kTextAlphabet) - 1)]);
    } else {
      text += kTextAlphabet[rng() % (sizeof(kTextAlphabet) - 1)];
    }
  }
  return text;
}

TEST(PatternDifferentialTest, ValidationAndStoredFormAgree) {
  std::mt19937 rng(20240611);
  const char raw[] = "%*?|ntxaB()1.WSZAa<>-";
  for (int n = 0; n < 20000; ++n) {
    std::string p;
    const size_t length = rng() % 7;
    for (size_t k = 0; k < length; ++k) p += raw[rng() % (sizeof(raw) - 1)];
    ASSERT_EQ(IsValidPattern(p), reference::IsValid(p)) << p;
    if (IsValidPattern(p)) {
      ASSERT_EQ(StoredPatternText(p, false), reference::Stored(p, false)) << p;
      ASSERT_EQ(StoredPatternText(p, true), p);
    }
  }
}

reference::Decision Decide(size_t entry, long start, long end, const std::string& text) {
  uint32_t h = static_cast<uint32_t>(entry * 2654435761u) ^ static_cast<uint32_t>(start * 40503u) ^
               static_cast<uint32_t>(end * 97u) ^ static_cast<uint32_t>(text.size());
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  reference::Decision d;
  const uint32_t pick = h % 20;
  d.result = pick < 6 ? ActionNone : pick < 11 ? ActionChanged : pick < 19 ? ActionRejected : ActionStop;
  d.replace = (h >> 8) % 3 == 0;
  d.replacement = std::string((h >> 12) % 3, '#');
  return d;
}

struct ListRun {
  std::string text;
  int count;
  std::vector<reference::Call> calls;
  std::vector<long> found;
  std::vector<long> taken;
};

ListRun RunProduction(const std::vector<reference::Entry>& entries, const std::string& text) {
  PatternList list;
  ListRun run;
  for (size_t e = 0; e < entries.size(); ++e) {
    const reference::Entry& entry = entries[e];
    PatternHandler handler;
    if (entry.kind == Callback) {
      handler = [&run, e](PatternList& l, const Pattern&, long s, long end, const std::string& t, size_t,
                          void*) {
        run.calls.push_back({e, s, end});
        const reference::Decision d = Decide(e, s, end, t);
        if (d.replace) l.ReplaceMatch(d.replacement);
        return d.result;
      };
    }
    EXPECT_TRUE(list.Add(static_cast<ActionKind>(entry.kind), entry.pattern, entry.replacement,
                         entry.case_sensitive, handler, nullptr));
  }
  run.count = list.Apply(text);
  run.text = list.Result();
  for (size_t e = 0; e < list.Size(); ++e) {
    run.found.push_back(list.Entry(e).matches_found);
    run.taken.push_back(list.Entry(e).actions_taken);
  }
  // Rewriting in place gives the same text and count and keeps no copy.
  const size_t calls_before = run.calls.size();
  std::string in_place = text;
  EXPECT_EQ(list.ApplyInPlace(in_place), run.count);
  EXPECT_EQ(in_place, run.text);
  EXPECT_TRUE(list.Result().empty());
  run.calls.resize(calls_before);
  return run;
}

void ExpectSameAsReference(const std::vector<reference::Entry>& entries, const std::string& text) {
  const reference::Outcome want = reference::Apply(entries, text, Decide);
  const ListRun got = RunProduction(entries, text);
  std::string where = "text \"" + text + "\" entries:";
  for (const reference::Entry& e : entries)
    where += " [" + std::to_string(e.kind) + (e.case_sensitive ? " cs `" : " `") + e.pattern + "`]";
  ASSERT_EQ(got.calls, want.calls) << where;
  ASSERT_EQ(got.text, want.text) << where;
  ASSERT_EQ(got.count, want.count) << where;
  ASSERT_EQ(got.found, want.matches_found) << where;
  ASSERT_EQ(got.taken, want.actions_taken) << where;
}

TEST(PatternDifferentialTest, SingleEntryMatchesAgree) {
  std::mt19937 rng(7);
  for (int n = 0; n < 6000; ++n) {
    reference::Entry entry;
    do entry.pattern = RandomPattern(rng);
    while (!reference::IsValid(entry.pattern));
    entry.kind = Callback;
    entry.case_sensitive = rng() % 4 == 0;
    for (int t = 0; t < 3; ++t) {
      const std::string text = RandomText(rng, 60);
      const reference::Outcome want =
          reference::Apply({entry}, text, [](size_t, long, long, const std::string&) {
            return reference::Decision{};
          });
      const std::vector<Span> got = Matches(entry.pattern, text, entry.case_sensitive);
      std::vector<Span> expected;
      for (const reference::Call& c : want.calls) expected.emplace_back(c.start, c.end);
      ASSERT_EQ(got, expected) << "pattern `" << entry.pattern << "` on \"" << text << "\"";
    }
  }
}

TEST(PatternDifferentialTest, WholeListApplicationsAgree) {
  std::mt19937 rng(99);
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete, Callback, Callback, Callback};
  for (int n = 0; n < 5000; ++n) {
    std::vector<reference::Entry> entries(1 + rng() % 4);
    for (reference::Entry& e : entries) {
      do e.pattern = RandomPattern(rng);
      while (!reference::IsValid(e.pattern));
      e.kind = kinds[rng() % std::size(kinds)];
      e.case_sensitive = rng() % 4 == 0;
      if (e.kind != Delete && e.kind != Callback) e.replacement = std::string(rng() % 3, '@');
    }
    for (int t = 0; t < 3; ++t) ExpectSameAsReference(entries, RandomText(rng, n % 10 == 0 ? 400 : 60));
  }
}

TEST(PatternDifferentialTest, ElementPatternsOnLongerMarkupAgree) {
  const std::vector<reference::Entry> entries = {
      {Callback, "<**>", "", false},       {Delete, "<script%W**/script>", "", false},
      {Replace, "<p%W**>", "P", false},    {InsertBefore, "</p>", "\n", false},
      {Callback, "<a%W**>**</a>", "", false}, {Replace, "<!--**-->", "", false},
  };
  std::mt19937 rng(5);
  const char* pieces[] = {"<p>", "</p>", "<p class=x>", "<a href=y>", "</a>", "<!--", "-->", "--->",
                          "<script type=z>", "</script>", "text ", "<", ">", "<<", " ", "\n", "-"};
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    const int count = static_cast<int>(rng() % 30);
    for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
    std::vector<reference::Entry> some;
    for (const reference::Entry& e : entries)
      if (rng() % 2) some.push_back(e);
    if (some.empty()) some.push_back(entries[0]);
    ExpectSameAsReference(some, text);
  }
}

// One entry of a few one-character tokens and then `**` and literal runs
// (the shape of the anchor, script, style and head lists): its matches,
// handler calls and rewrite are those of the reference, whether attempts
// fail in the first tokens (the failing character then starts nothing), a
// run is missing or the text ends inside an attempt.
TEST(PatternDifferentialTest, PrefixedSpanEntriesAgree) {
  std::mt19937 rng(1207);
  const char* firsts[] = {"<", "a", "<", "|n"};
  const char* singles[] = {"a", "B", "%W", "%/", "%>", "<", ">", "-", "|n"};
  const char runs[] = "<>/ab-";
  const char* pieces[] = {"<", ">", "a", "A", "b", " ", "/", "-", "\n", "<a ", "</a>", "<<a ", "<a\n",
                          "<aa", "<a>", "b>", "</A>", "a-"};
  const int kinds[] = {Callback, Callback, Delete, Replace};
  for (int n = 0; n < 6000; ++n) {
    reference::Entry entry;
    do {
      entry.pattern = firsts[rng() % std::size(firsts)];
      for (size_t k = rng() % 4; k > 0; --k) entry.pattern += singles[rng() % std::size(singles)];
      for (size_t g = 1 + rng() % 3; g > 0; --g) {
        entry.pattern += "**";
        for (size_t r = 1 + rng() % 3; r > 0; --r) entry.pattern += runs[rng() % (sizeof(runs) - 1)];
      }
    } while (!reference::IsValid(entry.pattern));
    entry.kind = kinds[rng() % std::size(kinds)];
    entry.case_sensitive = rng() % 4 == 0;
    if (entry.kind == Replace) entry.replacement = std::string(rng() % 3, '@');
    for (int t = 0; t < 3; ++t) {
      std::string text;
      const size_t count = rng() % (n % 10 == 0 ? 80 : 16);
      for (size_t k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
      ExpectSameAsReference({entry}, text);
    }
  }
}

// A text scanned in two halves on two threads gives what one scan gives,
// wherever the cut falls; lists with handlers, or whose classes take every
// byte, are never cut.
TEST(PatternDifferentialTest, SplitApplicationsAgreeWithOneScan) {
  std::mt19937 rng(31);
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete};
  const char alphabet[] = "<<>>-- \n\naAbBx1/|%##~";
  for (int n = 0; n < 3000; ++n) {
    PatternList whole;
    const int entries = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < entries; ++e) {
      std::string pattern;
      do pattern = RandomPattern(rng);
      while (!IsValidPattern(pattern));
      whole.Add(static_cast<ActionKind>(kinds[rng() % std::size(kinds)]), pattern,
                std::string(rng() % 3, '@'), rng() % 4 == 0, nullptr, nullptr);
    }
    std::string text;
    const size_t length = 1 + rng() % 300;
    while (text.size() < length) {
      const char c = alphabet[rng() % (sizeof(alphabet) - 1)];
      text.append(rng() % 8 == 0 ? 1 + rng() % 20 : 1, c);
    }
    PatternList split = whole;
    std::string one = text;
    std::string two = text;
    const int one_count = whole.ApplyInPlace(one);
    const int two_count = split.ApplyInPlaceSplit(two, /*worth_splitting=*/0);
    ASSERT_EQ(two, one) << "text \"" << text << "\"";
    ASSERT_EQ(two_count, one_count) << "text \"" << text << "\"";
    for (size_t e = 0; e < whole.Size(); ++e) {
      ASSERT_EQ(split.Entry(e).matches_found, whole.Entry(e).matches_found) << text;
      ASSERT_EQ(split.Entry(e).actions_taken, whole.Entry(e).actions_taken) << text;
    }

    // A second list after the first, both on each half: the cut must suit
    // both, and the second sees the first's rewrite.
    PatternList next;
    std::string pattern;
    do pattern = RandomPattern(rng);
    while (!IsValidPattern(pattern));
    next.AddReplace(pattern, std::string(rng() % 3, '#'), rng() % 4 == 0);
    PatternList first_copy = whole;
    PatternList next_copy = next;
    std::string three = text;
    std::string four = text;
    const int a = first_copy.ApplyInPlace(three);
    const int b = next_copy.ApplyInPlace(three);
    PatternList first_split = whole;
    PatternList next_split = next;
    const std::vector<int> counts =
        PatternList::ApplyAllInPlaceSplit({&first_split, &next_split}, four, /*worth_splitting=*/0);
    ASSERT_EQ(four, three) << "text \"" << text << "\" then `" << pattern << "`";
    ASSERT_EQ(counts, (std::vector<int>{a, b})) << text;
  }
}

// Lists of plain literal text take their own scan; runs of one character
// (the slide of `-->` in `--->`), shared prefixes, entries that end inside
// others and letter case are where it could part from the rules.
TEST(PatternDifferentialTest, LiteralListsAgree) {
  std::mt19937 rng(1207);
  const char* pieces[] = {"-", "--", ">", "a", "B", "<", "|%", "\xFF", "ab", "-->"};
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete, Callback, Callback};
  for (int n = 0; n < 5000; ++n) {
    std::vector<reference::Entry> entries(1 + rng() % 5);
    for (reference::Entry& e : entries) {
      e.pattern.clear();
      const int count = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < count; ++k) e.pattern += pieces[rng() % std::size(pieces)];
      e.kind = kinds[rng() % std::size(kinds)];
      e.case_sensitive = rng() % 3 == 0;
      if (e.kind != Delete && e.kind != Callback) e.replacement = std::string(rng() % 3, '@');
    }
    std::string text;
    const char alphabet[] = "--->>aAbB<%\xFF";
    const size_t length = rng() % 50;
    while (text.size() < length) {
      const char c = alphabet[rng() % (sizeof(alphabet) - 1)];
      text.append(rng() % 6 == 0 ? 1 + rng() % 6 : 1, c);
    }
    ExpectSameAsReference(entries, text);
  }
}

}  // namespace
}  // namespace orv
