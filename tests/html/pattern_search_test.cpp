// The one-pattern search and extract-between: worked examples, then both
// checked against the same search made by a one-entry pattern list, the
// way extract-between was first built, on generated patterns and texts.
#include "html/pattern_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "html/pattern_list.h"

namespace orv {
namespace {

// The first match of `pattern` as a one-entry list finds it: the handler
// records the match and stops the scan.
bool ListFirstMatch(std::string_view text, std::string_view pattern, long& start, long& end) {
  start = end = -1;
  PatternList list;
  if (!list.AddCallback(pattern, [&](PatternList&, const Pattern&, long s, long e,
                                     const std::string&, size_t, void*) {
        start = s;
        end = e;
        return static_cast<int>(ActionStop);
      }))
    return false;
  list.Apply(text);
  return start >= 0;
}

// Extract-between over two list scans of copies of the text: the reference.
bool ListExtractBetween(std::string_view text, std::string_view start_pattern,
                        std::string_view end_pattern, std::string& result) {
  result.clear();
  long open_start = 0, open_end = 0;
  if (!ListFirstMatch(text, start_pattern, open_start, open_end)) return false;
  const std::string_view rest = text.substr(static_cast<size_t>(open_end) + 1);
  long close_start = 0, close_end = 0;
  if (!ListFirstMatch(rest, end_pattern, close_start, close_end)) return false;
  result.assign(rest.substr(0, static_cast<size_t>(close_start)));
  return true;
}

TEST(ExtractBetweenTest, FindsTheTextBetweenTwoMatches) {
  struct Case {
    const char* text;
    const char* start;
    const char* end;
    bool found;
    const char* result;
  } cases[] = {
      {"<head><TITLE>My page</title></head>", "<title>", "</title>", true, "My page"},
      {"<base  href=\"x/\">", "<base%W", ">", true, " href=\"x/\""},
      {"<BASE\nhref=x>", "<base%W", ">", true, "href=x"},
      {"<basefont size=2><base href=y>", "<base%W", ">", true, "href=y"},
      {"<meta HTTP-EQUIV = \"Content-Type\">", "http-equiv**=**\"", "\"", true, "Content-Type"},
      {"say \"hi\" now", "\"", "\"", true, "hi"},
      {"<title></title>", "<title>", "</title>", true, ""},
      {"<title>open", "<title>", "</title>", false, ""},
      {"no title</title>", "<title>", "</title>", false, ""},
      {"</title><title>x", "<title>", "</title>", false, ""},
      {"<title>x</title>", "a**", "</title>", false, ""},
      // The character that ends a failed attempt begins none: "<<title>"
      // holds no match of "<title>" for the list scan, so none here either.
      {"<<title>x</title>", "<title>", "</title>", false, ""},
      {"<t<title>x</title>", "<title>", "</title>", false, ""},
      {"<title>a<</title>", "<title>", "</title>", false, ""},
      {"<title>a", "<title>", "", false, ""},  // not a valid pattern
  };
  for (const Case& c : cases) {
    std::string_view result = "stale";
    EXPECT_EQ(ExtractBetween(c.text, c.start, c.end, result), c.found) << c.text;
    EXPECT_EQ(result, c.result) << c.text;
    std::string reference;
    EXPECT_EQ(ListExtractBetween(c.text, c.start, c.end, reference), c.found) << c.text;
  }
}

// Generated texts over an alphabet that makes partial matches, failed
// attempts and repeated leading characters common, under the patterns the
// converter uses and others of every token kind.
TEST(ExtractBetweenTest, AgreesWithTheListScanOnGeneratedTexts) {
  const std::vector<std::string> patterns = {"<title>",
                                             "</title>",
                                             "<base%W",
                                             ">",
                                             "\"",
                                             "<",
                                             "--",
                                             "-->",
                                             "<!--",
                                             "<ti%Wx",
                                             "http-equiv**=**\"",
                                             "a**b",
                                             "<b%/**>",
                                             "?1x",
                                             "x*W>",
                                             "%1%1",
                                             "<%Z",
                                             "x?W",
                                             "|n",
                                             "<<a",
                                             "aab",
                                             "*1a",
                                             "-%.-"};
  const std::string alphabet = "<<>>/tiTleEbBaAsSx1 \t\n--\"=!.|\xFF";
  std::mt19937 random(20261207);
  int compared = 0, found = 0;
  for (int round = 0; round < 10000; ++round) {
    const size_t length = random() % 48;
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      if (random() % 8 == 0) {
        static const char* const pieces[] = {"<title>", "</title>", "<base ", "<BASE\t", "<TiTlE>"};
        text += pieces[random() % 5];
      } else {
        text += alphabet[random() % alphabet.size()];
      }
    }
    const std::string& start = patterns[random() % patterns.size()];
    const std::string& end = patterns[random() % patterns.size()];
    std::string_view fast;
    std::string reference;
    const bool fast_found = ExtractBetween(text, start, end, fast);
    const bool reference_found = ListExtractBetween(text, start, end, reference);
    ASSERT_EQ(fast_found, reference_found) << "[" << text << "] " << start << " " << end;
    ASSERT_EQ(std::string(fast), reference) << "[" << text << "] " << start << " " << end;
    size_t s = 0, e = 0;
    long ls = 0, le = 0;
    const bool match = FindFirstMatch(text, start, s, e);
    ASSERT_EQ(match, ListFirstMatch(text, start, ls, le)) << "[" << text << "] " << start;
    if (match) {
      ASSERT_EQ(static_cast<long>(s), ls) << "[" << text << "] " << start;
      ASSERT_EQ(static_cast<long>(e), le) << "[" << text << "] " << start;
    }
    ++compared;
    found += fast_found;
  }
  EXPECT_EQ(compared, 10000);
  EXPECT_GT(found, 500);  // the texts do make matches, not only misses
}

}  // namespace
}  // namespace orv
