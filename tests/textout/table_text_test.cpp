// Tests of the small rewrites of table cell text: the alignment tags taken
// out in one look when there is one, as the passes tag by tag take them.
#include "textout/table_text.h"

#include <gtest/gtest.h>

#include <random>

namespace orv {
namespace {

// Texts of whole and broken alignment tags, in every case, with brackets
// and words around them.
std::string RandomTaggedText(std::mt19937& random) {
  const char* const kPieces[] = {"[[LEFT]]", "[[CENTER]]", "[[RIGHT]]", "[[JUSTIFY]]", "[[left]]",
                                 "[[", "[", "]]", "LEFT]]", "CEN", "TER]]", "[[LI]]", "x", " ",
                                 "word"};
  std::string text;
  for (size_t k = random() % 8; k > 0; --k) text += kPieces[random() % std::size(kPieces)];
  return text;
}

// What RemoveAlignmentTags must leave: each tag's occurrences taken out in
// turn, an occurrence that taking one out makes staying for a later tag.
std::string TagByTag(std::string text) {
  for (const std::string_view tag : kAlignmentTags) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(tag, from)) != std::string::npos; from = at + tag.size())
      out.append(text, from, at - from);
    out.append(text, from, std::string::npos);
    text = out;
  }
  return text;
}

TEST(TableTextTest, AlignmentTagsGoAsTagByTag) {
  std::mt19937 random(1517);
  for (int round = 0; round < 50000; ++round) {
    const std::string text = RandomTaggedText(random);
    std::string removed = text;
    RemoveAlignmentTags(removed);
    ASSERT_EQ(removed, TagByTag(text)) << "[" << text << "]";
  }
}

// A line led by its only "[[", an alignment tag as written, is the rest of
// the line once the tags are out; any other line is left to the full
// removal.
TEST(TableTextTest, OnlyLeadingTagIsWhatTheRemovalTakes) {
  std::mt19937 random(1518);
  for (int round = 0; round < 50000; ++round) {
    const std::string text = RandomTaggedText(random);
    size_t length = 99;
    const int alignment = OnlyLeadingAlignmentTag(text, length);
    size_t brackets = 0;
    for (size_t at = text.find("[["); at != std::string::npos; at = text.find("[[", at + 1))
      ++brackets;
    if (alignment == 0) {
      ASSERT_EQ(length, 0u);
      ASSERT_TRUE(brackets != 1 || !text.starts_with("[[") ||
                  TagByTag(text).size() == text.size())
          << "[" << text << "]";
      continue;
    }
    ASSERT_EQ(brackets, 1u) << "[" << text << "]";
    ASSERT_EQ(text.substr(0, length), kAlignmentTags[alignment - 1]) << "[" << text << "]";
    ASSERT_EQ(text.substr(length), TagByTag(text)) << "[" << text << "]";
  }
  size_t length = 0;
  EXPECT_EQ(OnlyLeadingAlignmentTag("[[RIGHT]]x", length), 3);
  EXPECT_EQ(length, 9u);
  EXPECT_EQ(OnlyLeadingAlignmentTag("[[right]]x", length), 0);  // the removal keeps it
  EXPECT_EQ(OnlyLeadingAlignmentTag("[[LEFT]]x[[", length), 0);
  EXPECT_EQ(OnlyLeadingAlignmentTag("x[[LEFT]]", length), 0);
}

}  // namespace
}  // namespace orv
