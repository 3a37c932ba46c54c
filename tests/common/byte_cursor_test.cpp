#include "common/byte_cursor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace orv {
namespace {

// Every query, in the orders the scans use (forward from each hit, jumps
// ahead, the same offset twice, offsets just before and after block ends),
// agrees with a plain search on texts of dense, sparse and absent bytes,
// with the byte at the very start and end and in long plain stretches.
TEST(ByteCursorTest, AgreesWithAPlainSearchEverywhere) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const size_t length = random() % 300;
    const int density = 1 + static_cast<int>(random() % 4);
    std::string text(length, 'a');
    for (char& c : text) {
      const unsigned pick = random() % 100;
      if (density == 1 ? pick < 40 : density == 2 ? pick < 5 : density == 3 ? pick < 1 : false)
        c = '<';
      else if (pick % 7 == 0)
        c = '\xFF';
    }
    if (length > 0 && round % 5 == 0) text.front() = text.back() = '<';
    const std::string_view view(text);
    auto plain = [&](size_t from) {
      const size_t at = from >= text.size() ? std::string::npos : view.find('<', from);
      return at == std::string::npos ? text.size() : at;
    };

    ByteCursor walk(view, '<');
    for (size_t at = walk.Next(0); at < text.size(); at = walk.Next(at + 1))
      ASSERT_EQ(at, plain(at)) << "round " << round;

    ByteCursor jumps(view, '<');
    for (size_t from = 0; from <= text.size() + 2;) {
      ASSERT_EQ(jumps.Next(from), plain(from)) << "round " << round << " from " << from;
      ASSERT_EQ(jumps.Next(from), plain(from)) << "round " << round << " again " << from;
      from += 1 + random() % 70;
    }
  }
  ByteCursor empty(std::string_view(), '<');
  EXPECT_EQ(empty.Next(0), 0u);
}

}  // namespace
}  // namespace orv
