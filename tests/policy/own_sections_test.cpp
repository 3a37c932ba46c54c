// orvtext's ten policy sections held by the Context, and the layout values
// derived from them.
#include <gtest/gtest.h>

#include "policy/derived_values.h"
#include "policy/own_policies.h"
#include "run/context.h"

namespace orv {
namespace {

TEST(OwnSectionsTest, ContextHoldsTheTenSectionsAtTheirDefaults) {
  Context context;
  const char* headers[] = {"[Detag]",           "[Detag tables]",   "[Tag Manipulation]",
                           "[Mail Tidy]",       "[RTF Help files]", "[Text formatting]",
                           "[Text headers/footers]", "[Text hyperlinks]", "[Text tables]",
                           "[Text conversion]"};
  size_t counts[] = {20, 5, 5, 6, 6, 20, 1, 7, 13, 2};
  size_t total = 0;
  for (int number = 1; number <= 10; ++number) {
    PolicySection& section = context.PolicySectionAt(number);
    EXPECT_EQ(section.Number(), number);
    EXPECT_EQ(section.Header(), headers[number - 1]);
    EXPECT_EQ(section.Count(), counts[number - 1]) << headers[number - 1];
    for (size_t i = 0; i < section.Count(); ++i) {
      EXPECT_EQ(section.At(i).Category(), 4);
      EXPECT_FALSE(section.At(i).IsSet());
      if (i > 0) {
        EXPECT_LT(section.At(i - 1).Identifier(), section.At(i).Identifier());
      }
    }
    total += section.Count();
  }
  EXPECT_EQ(total, 85u);
  EXPECT_EQ(context.PolicySectionAt(0).Count(), 0u);
  EXPECT_EQ(context.PolicySectionAt(11).GetInteger(kTargetPageWidth), -1);

  PolicySection& formatting = context.PolicySectionAt(kSectionTextFormatting);
  EXPECT_EQ(formatting.GetInteger(kTargetPageWidth), 72);
  EXPECT_EQ(formatting.GetText(kOutputIndentationPositions), "0,4,8,12,16,20,24,28");
  EXPECT_EQ(formatting.GetText(kHeadingUnderlineCharacters), "*,=,-,~,.,,");
  EXPECT_TRUE(context.PolicySectionAt(kSectionDetag).GetYesNo(kRemoveAllTags));
  EXPECT_EQ(context.PolicySectionAt(kSectionTextHyperlinks).GetText(kRemovedLinkText),
            "[removed link]");
  PolicySection& help = context.PolicySectionAt(kSectionRtfHelpFiles);
  EXPECT_EQ(help.GetText(kHelpTitleBackground), "Silver");
  EXPECT_EQ(help.GetText(kHelpBodyBackground), "FFFFE0");
  EXPECT_FALSE(help.GetText(kHelpCopyrightNotice).empty());
  EXPECT_EQ(context.PolicySectionAt(kSectionTextConversion).GetText(kXeTagPostfix), "<xi>");
  // The by-line policy records section 6 but lives in section 7.
  const Policy* by_line = context.PolicySectionAt(7).Find(kAllowByLineForAuthor);
  ASSERT_NE(by_line, nullptr);
  EXPECT_EQ(by_line->SectionNumber(), 6);
  EXPECT_EQ(OrvSectionOf(kAllowByLineForAuthor), 7);
  EXPECT_EQ(OrvSectionOf(kTargetTableWidth), 9);
  EXPECT_EQ(OrvSectionOf(999), 0);
}

TEST(OwnSectionsTest, ResetAllSectionsRestoresDefaults) {
  Context context;
  PolicySection& formatting = context.PolicySectionAt(kSectionTextFormatting);
  formatting.SetInteger(kTargetPageWidth, 40, true);
  context.PolicySectionAt(kSectionMailTidy).SetYesNo(kMailSeparator, true, true);
  context.ResetAllSections();
  EXPECT_EQ(formatting.GetInteger(kTargetPageWidth), 72);
  EXPECT_FALSE(formatting.WasSet(kTargetPageWidth));
  EXPECT_FALSE(context.PolicySectionAt(kSectionMailTidy).WasSet(kMailSeparator));
}

TEST(DerivedValuesTest, TableWidthFallsBackToPageWidthUnlessSet) {
  Context context;
  EXPECT_EQ(EffectiveTableWidth(context), 72);
  context.PolicySectionAt(kSectionTextFormatting).SetInteger(kTargetPageWidth, 60, true);
  EXPECT_EQ(EffectiveTableWidth(context), 60);
  context.PolicySectionAt(kSectionTextTables).SetInteger(kTargetTableWidth, 0, true);
  EXPECT_EQ(EffectiveTableWidth(context), 0);
  EXPECT_EQ(OutputIndentationPositions(context)[7], 28);
}

TEST(DerivedValuesTest, FirstLineIndentIsBlanksAndBounded) {
  Context context;
  PolicySection& formatting = context.PolicySectionAt(kSectionTextFormatting);
  EXPECT_EQ(FirstLineIndentText(context), "");
  formatting.SetInteger(kFirstLineIndent, 3, true);
  EXPECT_EQ(FirstLineIndentText(context), "   ");
  formatting.SetInteger(kFirstLineIndent, -4, true);
  EXPECT_EQ(FirstLineIndentText(context), "");
  formatting.SetInteger(kFirstLineIndent, 2000000000, true);
  EXPECT_EQ(FirstLineIndentText(context).size(), static_cast<size_t>(kMaxFirstLineIndent));
}

}  // namespace
}  // namespace orv
