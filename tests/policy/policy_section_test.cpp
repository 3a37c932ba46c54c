// Policy sections and orvtext's ten sections in the Context.
#include <gtest/gtest.h>

#include <vector>

#include "policy/own_policies.h"
#include "policy/policy_section.h"
#include "common/ascii_file.h"

namespace orv {
namespace {

PolicyValue Number(int n) { return PolicyValue{n, ""}; }
PolicyValue Text(const char* t) { return PolicyValue{0, t}; }

TEST(PolicySectionTest, AddPolicyKeepsAscendingIdentifiersAndRefusesDuplicates) {
  PolicySection section;
  EXPECT_EQ(section.Header(), "[Unknown]");
  EXPECT_TRUE(section.AddPolicy(30, 2, 1, 4, Number(1), "", "Thirty"));
  EXPECT_TRUE(section.AddPolicy(10, 1, 1, 4, Number(5), "", "Ten"));
  EXPECT_TRUE(section.AddPolicy(20, 3, 1, 4, Text("x"), "", "Twenty"));
  EXPECT_FALSE(section.AddPolicy(20, 2, 1, 4, Number(0), "", "Second twenty"));
  EXPECT_FALSE(section.AddPolicy(40, 0, 1, 4, Number(0), "", "Bad type"));
  EXPECT_FALSE(section.AddPolicy(41, 8, 1, 4, Number(0), "", "Bad type"));
  ASSERT_EQ(section.Count(), 3u);
  EXPECT_EQ(section.At(0).Identifier(), 10);
  EXPECT_EQ(section.At(1).Identifier(), 20);
  EXPECT_EQ(section.At(1).Key(), "Twenty");  // the first one stays
  EXPECT_EQ(section.At(2).Identifier(), 30);
}

TEST(PolicySectionTest, TypedReadsFallBackAndCountUses) {
  PolicySection section;
  section.AddPolicy(1, 1, 1, 4, Number(72), "", "Width");
  section.AddPolicy(2, 2, 1, 4, Number(1), "", "Flag");
  section.AddPolicy(3, 3, 1, 4, Text("abc"), "", "Words");
  section.AddPolicy(4, 5, 1, 4, Text("Silver"), "", "Colour");
  section.AddPolicy(5, 6, 1, 4, Text("Arial"), "", "Font");

  EXPECT_EQ(section.GetInteger(1), 72);
  EXPECT_TRUE(section.GetYesNo(2));
  EXPECT_EQ(section.GetText(3), "abc");
  EXPECT_EQ(section.GetText(4), "Silver");
  EXPECT_EQ(section.Find(1)->UsageCount(), 1);

  // Wrong type or missing identifier: fallback and no count.
  EXPECT_EQ(section.GetText(1), "**void**");
  EXPECT_EQ(section.GetText(5), "**void**");
  EXPECT_EQ(section.GetInteger(2), -1);
  EXPECT_EQ(section.GetInteger(99), -1);
  EXPECT_FALSE(section.GetYesNo(99));
  EXPECT_FALSE(section.GetYesNo(1));
  EXPECT_EQ(section.Find(1)->UsageCount(), 1);
  EXPECT_EQ(section.Find(5)->UsageCount(), 0);
}

TEST(PolicySectionTest, TypedWritesAndSetFlags) {
  PolicySection section;
  section.AddPolicy(1, 1, 1, 4, Number(72), "", "Width");
  section.AddPolicy(2, 2, 1, 4, Number(0), "", "Flag");
  section.AddPolicy(3, 5, 1, 4, Text(""), "", "Colour");

  EXPECT_FALSE(section.SetInteger(2, 5, true));
  EXPECT_FALSE(section.SetYesNo(99, true, true));
  EXPECT_FALSE(section.SetText(1, "x", true));
  EXPECT_FALSE(section.WasSet(99));

  EXPECT_TRUE(section.SetInteger(1, 60, false));
  EXPECT_EQ(section.GetInteger(1), 60);
  EXPECT_FALSE(section.WasSet(1));
  EXPECT_TRUE(section.SetYesNo(2, true, true));
  EXPECT_TRUE(section.WasSet(2));
  EXPECT_TRUE(section.SetYesNo(2, false, false));  // mark false keeps it set
  EXPECT_TRUE(section.WasSet(2));
  EXPECT_FALSE(section.GetYesNo(2));
  EXPECT_TRUE(section.SetText(3, "Red", true));
  EXPECT_EQ(section.GetText(3), "Red");

  section.ResetAll();
  EXPECT_EQ(section.GetInteger(1), 72);
  EXPECT_FALSE(section.WasSet(2));
  EXPECT_EQ(section.GetText(3), "");
}

TEST(PolicySectionTest, WritesInIdentifierOrderAndOnlyChangedPolicies) {
  PolicySection section;
  section.SetHeader(3, "[Things]");
  section.AddPolicy(51, 2, 3, 4, Number(0), "", "Convert tags to lower case");
  section.AddPolicy(50, 2, 3, 4, Number(0), "", "Convert tags to upper case");
  std::vector<std::string> lines;
  ASCIIFile out;
  out.AttachLineList(&lines);
  section.Write(out, false);
  EXPECT_TRUE(lines.empty());
  section.Write(out, true);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "[Things]");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "Convert tags to upper case                : No");
  EXPECT_EQ(lines[5], "Convert tags to lower case                : No");
  lines.clear();
  section.SetYesNo(51, true, true);
  section.Write(out, false);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "Convert tags to lower case                : Yes");
}

TEST(DerivedValuesTest, IndentationPositionsNeverDecrease) {
  struct Case {
    const char* text;
    std::array<int, 8> positions;
  } cases[] = {
      {"0,4,8,12,16,20,24,28", {0, 4, 8, 12, 16, 20, 24, 28}},
      {"8,4", {8, 8, 8, 8, 8, 8, 8, 8}},
      {"0,4,x,12", {0, 4, 4, 12, 12, 12, 12, 12}},
      {"", {0, 0, 0, 0, 0, 0, 0, 0}},
      {" 2 , (6) ,,", {2, 6, 6, 6, 6, 6, 6, 6}},
      {"1,2,3,4,5,6,7,8,9,10", {1, 2, 3, 4, 5, 6, 7, 8}},
      {"-5,3", {0, 3, 3, 3, 3, 3, 3, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(IndentationPositions(c.text), c.positions) << c.text;
}

}  // namespace
}  // namespace orv
