#include "common/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

std::vector<std::string> Lines(const LineList& list) {
  std::vector<std::string> out;
  for (std::string_view line : list) out.emplace_back(line);
  return out;
}

// Empty lines first, last and side by side are lines of their own, and a
// line filled through start_line ends where the next one starts.
TEST(LineListTest, KeepsEmptyLinesAndLinesFilledInPlace) {
  LineList list;
  EXPECT_TRUE(list.empty());
  list.push_back("");
  list.push_back("one");
  list.start_line().append("tw").append("o");
  list.push_back("");
  list.push_back("");
  list.start_line();
  list.push_back("three");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"", "one", "two", "", "", "", "three"}));
  EXPECT_EQ(list.size(), 7u);
  EXPECT_EQ(list.front(), "");
  EXPECT_EQ(list.back(), "three");
  EXPECT_EQ(list[2], "two");
  EXPECT_EQ(list.text_size(), 11u);

  LineList one;
  one.push_back("");
  EXPECT_EQ(one.size(), 1u);
  EXPECT_EQ(Lines(one), (std::vector<std::string>{""}));
  one.swap(list);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(one.size(), 7u);
  one.shrink_to_fit();
  EXPECT_EQ(one[6], "three");
  one.clear();
  EXPECT_TRUE(one.empty());
  one.push_back("again");
  EXPECT_EQ(Lines(one), (std::vector<std::string>{"again"}));
}

// Lines past the room reserved, after a shrink and after a move: every line
// keeps its own text.
TEST(LineListTest, ManyLinesSurviveGrowthShrinkingAndMoves) {
  LineList list;
  list.reserve(3, 10);
  for (int i = 0; i < 10'000; ++i) list.push_back(i % 3 == 0 ? "" : std::to_string(i));
  list.shrink_to_fit();
  LineList moved(std::move(list));
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(moved.size(), 10'000u);
  for (int i = 0; i < 10'000; ++i)
    ASSERT_EQ(moved[static_cast<size_t>(i)], i % 3 == 0 ? "" : std::to_string(i)) << i;
  list = std::move(moved);
  list.push_back("last");
  EXPECT_EQ(list.size(), 10'001u);
  EXPECT_EQ(list[9'998], "9998");
  EXPECT_EQ(list.back(), "last");
}

// Lines cut back to a count and room made for more, in the list with
// four-byte line ends: the kept lines stay, new lines follow them.
TEST(LineListTest, TruncatedAndGrownCompactListKeepsItsLines) {
  CompactLineList list;
  list.reserve_more(2, 4);
  for (int i = 0; i < 1'000; ++i) list.push_back(std::to_string(i));
  list.truncate(2'000);  // more than it holds: no change
  EXPECT_EQ(list.size(), 1'000u);
  list.truncate(10);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.back(), "9");
  EXPECT_EQ(list.text_size(), 10u);
  list.reserve_more(500, 5'000);
  list.push_back("");
  list.push_back("next");
  EXPECT_EQ(list.size(), 12u);
  EXPECT_EQ(list[9], "9");
  EXPECT_EQ(list[10], "");
  EXPECT_EQ(list[11], "next");
  list.truncate(1);
  EXPECT_EQ(list.back(), "0");
  list.truncate(0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.text_size(), 0u);
}

}  // namespace
}  // namespace orv
