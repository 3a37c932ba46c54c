// Integer, colour and font value rules.
#include <gtest/gtest.h>

#include "policy/policy_values.h"

namespace orv {
namespace {

TEST(ParseIntegerTest, AcceptsNumbersWithBlanksAndBrackets) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"72", 72}, {" 72 ", 72}, {"(72)", 72}, {"-1", -1}, {"+5", 5},
               {"\t0\t", 0}, {"[ -30 ]", -30}, {"2147483647", 2147483647},
               {"-2147483648", -2147483647 - 1}};
  for (const Case& c : cases) {
    int value = 999;
    EXPECT_TRUE(ParseInteger(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(ParseIntegerTest, RefusesLettersInnerBlanksAndOverflow) {
  for (const char* text : {"72px", "x72", "7 2", "", "  ", "-", "+", "1-2", "--1", "2147483648",
                           "99999999999999999999", "12a3", "(none)"}) {
    int value = 999;
    EXPECT_FALSE(ParseInteger(text, value)) << text;
    EXPECT_EQ(value, 999) << text;
  }
}

TEST(NormaliseColourTest, NamesValuesAndDigits) {
  struct Case {
    const char* text;
    bool valid;
    const char* normal;
  } cases[] = {
      {"", true, ""},
      {"ff0000", true, "Red"},
      {"#c0c0c0", true, "Silver"},
      {"#12ab3c", true, "#12AB3C"},
      {"navy", true, "navy"},
      {"MAGENTA", true, "MAGENTA"},
      {"#FF00FF", true, "Fuchsia"},
      {"FFFFE0", true, "#FFFFE0"},
      {"ffffe0", true, "#FFFFE0"},
      {"#fff", false, "#FFF"},
      {"abcdeg", false, "ABCDEG"},
      {"#gg0000", false, "#GG0000"},
      {"reddish", false, "REDDISH"},
  };
  for (const Case& c : cases) {
    std::string normal;
    EXPECT_EQ(NormaliseColour(c.text, normal), c.valid) << c.text;
    EXPECT_EQ(normal, c.normal) << c.text;
  }
}

TEST(NormaliseColourTest, EverySixteenValueMapsBackToItsName) {
  const char* values[] = {"#000000", "#C0C0C0", "#808080", "#FFFFFF", "#800000", "#FF0000",
                          "#800080", "#FF00FF", "#008000", "#00FF00", "#808000", "#FFFF00",
                          "#000080", "#0000FF", "#008080", "#00FFFF"};
  const char* names[] = {"Black", "Silver", "Gray", "White", "Maroon", "Red", "Purple", "Fuchsia",
                         "Green", "Lime",   "Olive", "Yellow", "Navy", "Blue", "Teal", "Aqua"};
  for (int i = 0; i < 16; ++i) {
    std::string normal;
    EXPECT_TRUE(NormaliseColour(values[i], normal));
    EXPECT_EQ(normal, names[i]);
  }
}

TEST(ColourFromFractionsTest, ScalesTruncatesAndClamps) {
  EXPECT_EQ(ColourFromFractions(0, 0, 0), "000000");
  EXPECT_EQ(ColourFromFractions(1, 1, 1), "FFFFFF");  // 256 clamps to 255
  EXPECT_EQ(ColourFromFractions(0.5, 0.25, 0.999), "8040FF");
  EXPECT_EQ(ColourFromFractions(-2, 7, 0.1), "00FF19");
  EXPECT_EQ(ColourFromFractions(0.0 / 0.0, 0, 0), "000000");
}

TEST(CheckFontTest, FacesStylesAndSizes) {
  struct Case {
    const char* text;
    bool valid;
    const char* face;
    bool bold;
    bool italic;
    int size;
  } cases[] = {
      {"Arial", true, "Arial", false, false, 12},
      {"Arial, Heavy, 10", false, "", false, false, 0},
      {"Arial, bold italic, 9", true, "Arial", true, true, 9},
      {"Arial, ITALIC BOLD, 9", true, "Arial", true, true, 9},
      {"Times New Roman, Regular, 10", true, "Times New Roman", false, false, 10},
      {"Courier, normal", true, "Courier", false, false, 12},
      {" Courier , Bold ", true, "Courier", true, false, 12},
      {"Courier, italic, (14)", true, "Courier", false, true, 14},
      {"\"Foo, Bar\", bold, 8", true, "\"Foo, Bar\"", true, false, 8},
      {"Arial, bold, big", false, "", false, false, 0},
      {"Arial, bold,", false, "", false, false, 0},
      {"", false, "", false, false, 0},
      {" , bold, 10", false, "", false, false, 0},
      {"Arial, bold, 10, extra", false, "", false, false, 0},
  };
  for (const Case& c : cases) {
    std::string face;
    bool bold = false;
    bool italic = false;
    int size = 0;
    ASSERT_EQ(CheckFont(c.text, face, bold, italic, size), c.valid) << c.text;
    if (!c.valid) continue;
    EXPECT_EQ(face, c.face) << c.text;
    EXPECT_EQ(bold, c.bold) << c.text;
    EXPECT_EQ(italic, c.italic) << c.text;
    EXPECT_EQ(size, c.size) << c.text;
  }
}

}  // namespace
}  // namespace orv
