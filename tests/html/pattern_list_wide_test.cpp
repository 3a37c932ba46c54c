// Wider differential checks of the production pattern lists against the
// plain model in reference_matcher.h: lists of more than 64 entries (several
// mask words), longer patterns, tabs, carriage returns and 8-bit bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "html/pattern_list.h"
#include "html/differential_support.h"
#include "html/reference_matcher.h"

namespace orv {
namespace {

const char* const kPieces[] = {"<", ">", "-", "-", "-", " ", "a", "B", "x", "/", "|n", "|t", "||", "|?", "%W",
                               "%S", "%1", "%)", "%(", "%.", "%*", "%Z", "%a", "%A", "*W", "*S", "*1",
                               "**", "**", "*Z", "*a", "?W", "?S", "?1", "?*", "?Z", "?)", "<", ">", "\xff"};
const char kAlphabet[] = "<<<<>>>--- \n\t\raAbBx1/|?%\xff";

std::string Pattern(std::mt19937& rng, int max_tokens) {
  std::string p;
  const int tokens = 1 + static_cast<int>(rng() % max_tokens);
  for (int t = 0; t < tokens; ++t) p += kPieces[rng() % std::size(kPieces)];
  return p;
}

std::string Text(std::mt19937& rng, size_t max_length) {
  std::string text;
  const size_t length = rng() % (max_length + 1);
  while (text.size() < length) {
    const char c = kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
    text.append(rng() % 6 == 0 ? 1 + rng() % 20 : 1, c);
  }
  return text;
}

void Compare(const std::vector<reference::Entry>& entries, const std::string& text) {
  orv::testing::CompareWithReference(entries, text, orv::testing::HandlerMix{5, 8, 3});
}

std::vector<reference::Entry> Entries(std::mt19937& rng, size_t count, int max_tokens) {
  const int kinds[] = {Replace, InsertAfter, InsertBefore, Delete, Callback, Callback};
  std::vector<reference::Entry> entries(count);
  for (reference::Entry& e : entries) {
    do e.pattern = Pattern(rng, max_tokens);
    while (!reference::IsValid(e.pattern));
    e.kind = kinds[rng() % std::size(kinds)];
    e.case_sensitive = rng() % 4 == 0;
    if (e.kind != Delete && e.kind != Callback) e.replacement = std::string(rng() % 3, '@');
  }
  return entries;
}

TEST(PatternWideDifferentialTest, LongPatternsAndWideAlphabetAgree) {
  std::mt19937 rng(31337);
  for (int n = 0; n < 1500; ++n) {
    const auto entries = Entries(rng, 1 + rng() % 5, 11);
    for (int t = 0; t < 3; ++t) Compare(entries, Text(rng, 120));
  }
}

TEST(PatternWideDifferentialTest, ListsOfMoreThanSixtyFourEntriesAgree) {
  std::mt19937 rng(4242);
  for (int n = 0; n < 60; ++n) {
    const auto entries = Entries(rng, 60 + rng() % 80, 5);
    for (int t = 0; t < 2; ++t) Compare(entries, Text(rng, 300));
  }
}

}  // namespace
}  // namespace orv
