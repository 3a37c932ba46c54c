// Tests of entity lookup, UTF-8 encoding, the entity replacement pass and
// the character-set classes.
#include "html/entities.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "html/charset.h"

namespace orv {
namespace {

TEST(EntityTableTest, HoldsTheHtml4EntitiesAndFourUpperCaseSpellings) {
  EXPECT_EQ(EntityTableSize(), 256u);
  const struct {
    const char* reference;
    int code;
  } known[] = {{"&eacute;", 233},  {"&Eacute;", 201}, {"&nbsp;", 160}, {"&NBSP;", 160},
               {"&AMP;", 38},      {"&amp;", 38},     {"&LT;", 60},    {"&GT;", 62},
               {"thetasym", 977},  {"&euro;", 8364},  {"&yuml;", 255}, {"&Yuml;", 376},
               {"&diams;", 9830},  {"&fnof;", 402},   {"&#169;", 169}, {"#0065", 65},
               {"&#65535;", 65535}};
  for (const auto& k : known) {
    auto code = EntityNameToCode(k.reference);
    ASSERT_TRUE(code.has_value()) << k.reference;
    EXPECT_EQ(*code, k.code) << k.reference;
  }
  for (const char* unknown :
       {"&Amp;", "&EACUTE;", "&#x;", "&#;", "&#12a;", "&#xG1;", "&;", "", "&", "&apostrophe;",
        "&#99999999999;", "&#x110000;", "&NotEqualTilde;"})
    EXPECT_FALSE(EntityNameToCode(unknown).has_value()) << unknown;
}

TEST(EntityTableTest, HexadecimalReferencesAndTodaysNames) {
  const struct {
    const char* reference;
    int code;
  } known[] = {{"&#x41;", 65},      {"&#X41;", 65},         {"&#x2019;", 0x2019},
               {"&#x1F600;", 0x1F600}, {"&#x00e9;", 233},   {"&apos;", 39},
               {"&hellip;", 8230},  {"&rsquo;", 8217},      {"&nbsp;", 160},
               {"&lang;", 9001},  // the entity table keeps its own value (HTML5: 0x27E8)
               {"&Afr;", 0x1D504},  {"&CounterClockwiseContourIntegral;", 0x2233},
               {"&NewLine;", 10},   {"&check;", 0x2713}};
  for (const auto& k : known) {
    auto code = EntityNameToCode(k.reference);
    ASSERT_TRUE(code.has_value()) << k.reference;
    EXPECT_EQ(*code, k.code) << k.reference;
  }
  // A few names stand for a character and a combining mark.
  EXPECT_EQ(ReferenceToCodes("&NotEqualTilde;"), std::make_pair(0x2242, 0x338));
  EXPECT_EQ(ReferenceToCodes("&eacute;"), std::make_pair(233, 0));
  // The spec's table is still what references are written with.
  EXPECT_EQ(CodeToEntityReference(39), std::nullopt);
}

TEST(EntityTableTest, AttributeValuesAreDecoded) {
  EXPECT_EQ(DecodeAttributeValue("/q?a=1&amp;b=2&#x26;c=3"), "/q?a=1&b=2&c=3");
  EXPECT_EQ(DecodeAttributeValue("caf&eacute; &amp;lt;"), "caf\xC3\xA9 &lt;");
  EXPECT_EQ(DecodeAttributeValue("a&b=c;d"), "a&b=c;d");
}

TEST(EntityTableTest, CodeToReferencePrefersLowerCaseAndRoundTrips) {
  EXPECT_EQ(CodeToEntityReference(38), "&amp;");
  EXPECT_EQ(CodeToEntityReference(160), "&nbsp;");
  EXPECT_EQ(CodeToEntityReference(233), "&eacute;");
  EXPECT_FALSE(CodeToEntityReference(65).has_value());
  EXPECT_FALSE(CodeToEntityReference(930).has_value());  // no Greek capital at 930
  // Every code point from 160 to 255 has a name (the Latin-1 set), and
  // every reference maps back to the code it came from.
  for (int code = 160; code <= 255; ++code) {
    auto reference = CodeToEntityReference(code);
    ASSERT_TRUE(reference.has_value()) << code;
    EXPECT_EQ(EntityNameToCode(*reference), code);
  }
}

TEST(EntityTableTest, Utf8Encoding) {
  const struct {
    int code;
    std::string bytes;
  } cases[] = {{0x41, "A"},
               {0x7F, "\x7F"},
               {0x80, "\xC2\x80"},
               {0xE9, "\xC3\xA9"},
               {0x7FF, "\xDF\xBF"},
               {0x800, "\xE0\xA0\x80"},
               {0x20AC, "\xE2\x82\xAC"},
               {0xFFFF, "\xEF\xBF\xBF"}};
  for (const auto& c : cases) {
    std::string out = "x";
    ASSERT_TRUE(AppendUtf8(c.code, out)) << c.code;
    EXPECT_EQ(out, "x" + c.bytes) << c.code;
  }
  std::string out;
  ASSERT_TRUE(AppendUtf8(0x1F600, out));
  EXPECT_EQ(out, "\xF0\x9F\x98\x80");
  out.clear();
  EXPECT_FALSE(AppendUtf8(0x110000, out));
  EXPECT_FALSE(AppendUtf8(-1, out));
  EXPECT_TRUE(out.empty());
}

struct ReplaceCase {
  const char* input;
  bool text_output;
  bool allow_8bit;
  bool alternatives;
  std::string expected;
  int count;
  bool unicode;
};

constexpr bool kText = true, kHtml = false, k8Bit = true, kNo8Bit = false, kAlt = true,
               kNoAlt = false;

TEST(EntityTableTest, TextsBecomeValidUtf8) {
  struct Case {
    std::string in, out;
    size_t converted;
  };
  const Case cases[] = {
      {"plain", "plain", 0},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", 0},
      {"\xA3" "1", "\xC2\xA3" "1", 1},                                  // Latin-1 pound
      {"\x80\x93\x99", "\xE2\x82\xAC\xE2\x80\x9C\xE2\x84\xA2", 3},  // Windows-1252
      {"\x81\x9D", "\xC2\x81\xC2\x9D", 2},                            // undefined there
      {"\xC0\x80", "\xC3\x80\xE2\x82\xAC", 2},                        // overlong form
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", 3},          // a surrogate half
      {"ab\xC3", "ab\xC3\x83", 1},                                    // cut short at the end
      {"\xE2\x82x", "\xC3\xA2\xE2\x80\x9Ax", 2},                     // cut short inside
  };
  for (const Case& c : cases) {
    std::string out = "<";
    EXPECT_EQ(AppendAsUtf8(c.in, out), c.converted) << c.in;
    EXPECT_EQ(out, "<" + c.out) << c.in;
  }
}

TEST(ReplaceEntitiesTest, Cases) {
  const ReplaceCase cases[] = {
      {"&AMP; &amp; &Amp;", kText, kNo8Bit, kNoAlt, "& & &Amp;", 2, false},
      {"&#233;", kText, k8Bit, kNoAlt, "\xE9", 1, false},
      {"&#233;", kText, kNo8Bit, kNoAlt, "\xC3\xA9", 1, true},
      {"&mdash;", kText, kNo8Bit, kAlt, "--", 1, false},
      {"&mdash;", kText, k8Bit, kNoAlt, "\xE2\x80\x94", 1, true},
      {"&verylongname;", kText, k8Bit, kAlt, "&verylongname;", 0, false},
      {"&thetasym;", kText, kNo8Bit, kNoAlt, "\xCF\x91", 1, true},  // 8 between & and ;
      {"&#x41;", kText, k8Bit, kAlt, "A", 1, false},
      {"It&#x27;s &#X2014; &#xe9;", kText, k8Bit, kNoAlt, "It's \xE2\x80\x94 \xE9", 3, true},
      {"&#x1F600;", kText, kNo8Bit, kNoAlt, "\xF0\x9F\x98\x80", 1, true},
      // Names of today's HTML, long ones too; a name for two characters.
      {"&apos;&check;", kText, kNo8Bit, kNoAlt, "'\xE2\x9C\x93", 2, true},
      {"&CounterClockwiseContourIntegral;", kText, kNo8Bit, kNoAlt, "\xE2\x88\xB3", 1, true},
      {"&NotEqualTilde;", kText, kNo8Bit, kNoAlt, "\xE2\x89\x82\xCC\xB8", 1, true},
      {"&nbsp;", kText, kNo8Bit, kAlt, " ", 1, false},
      {"&NBSP;", kText, kNo8Bit, kAlt, " ", 1, false},
      {"&nbsp;", kText, k8Bit, kNoAlt, "\xA0", 1, false},
      {"&nbsp;", kText, kNo8Bit, kNoAlt, "\xC2\xA0", 1, true},
      {"a&#65;b", kText, kNo8Bit, kNoAlt, "aAb", 1, false},
      // A replacement is never scanned again.
      {"&amp;lt;", kText, kNo8Bit, kNoAlt, "&lt;", 1, false},
      {"&&amp;", kText, kNo8Bit, kNoAlt, "&&", 1, false},
      {"AT&T; x", kText, kNo8Bit, kNoAlt, "AT&T; x", 0, false},
      {"a & b; &lt;", kText, kNo8Bit, kNoAlt, "a & b; <", 1, false},
      {"&lt;b&gt;", kText, kNo8Bit, kNoAlt, "<b>", 2, false},
      {"&;&#;&nbsp", kText, kNo8Bit, kAlt, "&;&#;&nbsp", 0, false},
      {"no references", kText, kNo8Bit, kNoAlt, "no references", 0, false},
      {"", kText, kNo8Bit, kNoAlt, "", 0, false},
      // ANSI alternatives.
      {"&hellip;&dagger;&sdot;", kText, kNo8Bit, kAlt, "\x85\x86\xB7", 3, false},
      {"&bull;", kText, kNo8Bit, kAlt, "\x95", 1, false},
      {"&ldquo;x&rdquo;", kText, kNo8Bit, kAlt, "'x''", 2, false},
      {"&lsquo;x&rsquo;", kText, kNo8Bit, kAlt, "`x'", 2, false},
      {"&trade; &#8214;", kText, kNo8Bit, kAlt, "-TM- ||", 2, false},
      {"&larr;&harr;&rarr;", kText, kNo8Bit, kAlt, "<-<->->", 3, false},
      {"&#150;&#151;&shy;&brvbar;&acute;", kText, k8Bit, kAlt, "----:'", 5, false},
      {"&#150;", kText, k8Bit, kNoAlt, "\x96", 1, false},
      // "ÿ" as a byte is held as kHeldFF (the marks are made of 0xFF bytes);
      // as UTF-8 it is written as such.
      {"&yuml;&#255;&#xFF; &yuml;", kText, k8Bit, kNoAlt,
       std::string(3, kHeldFF) + " " + kHeldFF, 4, false},
      {"&yuml;", kText, kNo8Bit, kNoAlt, "\xC3\xBF", 1, true},
      {"&ensp;|&emsp;|", kText, kNo8Bit, kAlt, " |  |", 2, false},
      {"&eacute;", kText, kNo8Bit, kAlt, "\xC3\xA9", 1, true},  // no alternative: UTF-8
      // Written-back HTML keeps escaped markup escaped; other references go.
      {"&lt;b&gt; &amp; &quot;&eacute;", kHtml, k8Bit, kNoAlt, "&lt;b&gt; &amp; &quot;\xE9", 1,
       false},
      {"&#60;script&#62;", kHtml, k8Bit, kNoAlt, "&#60;script&#62;", 0, false},
      {"&lsaquo;b&rsaquo; &larr; &Prime;", kHtml, k8Bit, kAlt, "&lsaquo;b&rsaquo; &larr; &Prime;",
       0, false},
      {"&lsaquo;b&rsaquo;", kText, k8Bit, kAlt, "<b>", 2, false},
      {"&nbsp;&mdash;", kHtml, kNo8Bit, kAlt, " --", 2, false},
      // A replacement longer than its reference ("&nGt;" is two characters,
      // six bytes) before, between and after shorter ones.
      {"a&amp;b&nGt;c&lt;d", kText, kNo8Bit, kNoAlt, "a&b\xE2\x89\xAB\xE2\x83\x92" "c<d", 3, true},
      {"&nGt;&amp;x&gt;", kText, kNo8Bit, kNoAlt, "\xE2\x89\xAB\xE2\x83\x92&x>", 3, true},
      {"x&lt;&lt;&nGt;", kText, kNo8Bit, kNoAlt, "x<<\xE2\x89\xAB\xE2\x83\x92", 3, true},
  };
  for (const ReplaceCase& c : cases) {
    std::string text = c.input;
    bool unicode = false;
    EntityOptions options;
    options.text_output = c.text_output;
    options.allow_8bit = c.allow_8bit;
    options.allow_ansi_alternatives = c.alternatives;
    int count = ReplaceEntities(text, options, unicode);
    EXPECT_EQ(text, c.expected) << c.input;
    EXPECT_EQ(count, c.count) << c.input;
    EXPECT_EQ(unicode, c.unicode) << c.input;
  }
}

// A document's text may leave out a reference's ';' where browsers allow
// it ("&nbspThe", "info&#64site.de"); an attribute value (a link address)
// may not, and other names never may.
TEST(ReplaceEntitiesTest, TextReferencesWithoutTheirSemicolon) {
  struct Case {
    const char* input;
    const char* expected;
    int count;
  };
  const Case cases[] = {
      {"2020&nbspThe", "2020\xA0The", 1},
      {"info&#64site.de and &#x40x", "info@site.de and @x", 2},
      {"&copy 2020, &COPY, &frac12, &Eacutet", "\xA9 2020, \xA9, \xBD, \xC9t", 4},
      {"R&ampD &ampersand &lt &gt &quotx", "R&D &ersand < > \"x", 5},
      {"&notit; &not;", "\xACit; \xAC", 2},  // the longest legacy name, then the rest
      {"AT&T &Tab &hellip &NBSP &nbs", "AT&T &Tab &hellip &NBSP &nbs", 0},
      {"&#0 &# &#x &#123456789 &#xZZ", "&#0 &# &#x &#123456789 &#xZZ", 0},
      {"no semicolon anywhere &eacute", "no semicolon anywhere \xE9", 1},
      {"&", "&", 0},
  };
  for (const Case& c : cases) {
    std::string text = c.input;
    bool unicode = false;
    EntityOptions options;
    options.allow_8bit = true;
    options.text_content = true;
    EXPECT_EQ(ReplaceEntities(text, options, unicode), c.count) << c.input;
    EXPECT_EQ(text, c.expected) << c.input;
  }
  // Outside a document's text (an address in an attribute) they stay.
  EXPECT_EQ(DecodeAttributeValue("/q?a=1&copy=2&lt=3&#64"), "/q?a=1&copy=2&lt=3&#64");
}

TEST(ReplaceEntitiesTest, UnicodeFlagIsNeverCleared) {
  std::string text = "&amp;";
  bool unicode = true;
  ReplaceEntities(text, EntityOptions{}, unicode);
  EXPECT_TRUE(unicode);
}

TEST(ReplaceEntitiesTest, UnwritableCodePointsStayAndAreReportedOnce) {
  std::vector<std::pair<std::string, int>> messages;
  auto report = [&](const std::string& message, int level) {
    messages.emplace_back(message, level);
  };
  bool unicode = false;

  std::string one = "a&#0;b &eacute;";
  EXPECT_EQ(ReplaceEntities(one, EntityOptions{true, true, false}, unicode, report), 1);
  EXPECT_EQ(one, "a&#0;b \xE9");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first,
            "WARNING: Character reference &#0; cannot be written and is left as it is");
  EXPECT_EQ(messages[0].second, 7);

  messages.clear();
  std::string many = "&#55296; &#70000; &#57343; &#1114112; &#xD800;";
  EXPECT_EQ(ReplaceEntities(many, EntityOptions{}, unicode, report), 1);
  EXPECT_EQ(many, "&#55296; \xF0\x91\x85\xB0 &#57343; &#1114112; &#xD800;");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first,
            "WARNING: 3 character references cannot be written and are left as they are (the "
            "first is &#55296;)");

  // Without a reporter the text is still handled.
  std::string quiet = "&#0;";
  EXPECT_EQ(ReplaceEntities(quiet, EntityOptions{}, unicode), 0);
  EXPECT_EQ(quiet, "&#0;");
}

// Many "&" with the only ";" far away must not make the pass quadratic, and
// a large document of references goes through in one pass.
TEST(ReplaceEntitiesTest, LargeTextsStayLinear) {
  std::string ampersands(4 << 20, '&');
  ampersands += ';';
  const std::string original = ampersands;
  bool unicode = false;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReplaceEntities(ampersands, EntityOptions{}, unicode), 0);
  EXPECT_EQ(ampersands, original);

  std::string document;
  for (int i = 0; i < 200000; ++i) document += "x &amp; &eacute;&#8364;&bogus; ";
  int count = ReplaceEntities(document, EntityOptions{true, true, true}, unicode);
  EXPECT_EQ(count, 600000);
  EXPECT_EQ(document.substr(0, 15), "x & \xE9\xE2\x82\xAC&bogus;");
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 20.0);  // generous: sanitizer builds are slow, quadratic would be hours
}

TEST(CharsetTest, Classes) {
  const struct {
    const char* name;
    bool multi_byte;
    bool non_western;
  } cases[] = {
      {"UTF-8", true, false},
      {"utf-8", true, false},
      {"Shift_JIS", true, false},
      {"csShiftJIS", true, false},
      {" windows-1251 ", true, true},
      {"KOI8-R", true, true},
      {"iso-8859-7", true, false},
      {"iso-8859-2", false, true},
      {"ISO-8859-10", false, true},
      {"windows-1252", false, false},
      {"iso-8859-1", false, false},
      {"us-ascii", false, false},
      {"", false, false},
      {"bogus", false, false},
  };
  for (const auto& c : cases) {
    CharsetClass cls = ClassifyCharset(c.name);
    EXPECT_EQ(cls.multi_byte, c.multi_byte) << c.name;
    EXPECT_EQ(cls.non_western, c.non_western) << c.name;
  }
}

TEST(CharsetTest, EllipsisOnlyInWesternOrUnknownSets) {
  EXPECT_TRUE(EllipsisIsSpelledOut(ClassifyCharset("windows-1252")));
  EXPECT_TRUE(EllipsisIsSpelledOut(ClassifyCharset("")));
  EXPECT_TRUE(EllipsisIsSpelledOut(ClassifyCharset("x-unknown")));
  EXPECT_FALSE(EllipsisIsSpelledOut(ClassifyCharset("iso-8859-2")));
  // In UTF-8, byte 133 is part of characters such as U+00C5 (C3 85).
  EXPECT_FALSE(EllipsisIsSpelledOut(ClassifyCharset("utf-8")));

  std::string text = "wait\x85 and\x85\x85";
  EXPECT_EQ(SpellOutEllipses(text), 3);
  EXPECT_EQ(text, "wait... and......");
  std::string none = "plain";
  EXPECT_EQ(SpellOutEllipses(none), 0);
  EXPECT_EQ(none, "plain");
}

}  // namespace
}  // namespace orv
