// How an input's encoding is found and decoded, and how Windows-1252 text
// is written in UTF-8.
#include "html/charset.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace orv {
namespace {

TEST(SniffInputTest, TellsUtf8ByMarkOrByEveryByte) {
  testing::TempFolder dir;
  auto sniff = [&](const std::string& content) { return SniffInput(dir.Write("s.htm", content)); };
  EXPECT_FALSE(SniffInput(dir.Path() + "missing.htm").opened);

  const InputSniff ascii = sniff("<p>plain</p>\n");
  EXPECT_TRUE(ascii.opened);
  EXPECT_TRUE(ascii.utf8);
  EXPECT_TRUE(ascii.ascii);
  const InputSniff marked = sniff("\xEF\xBB\xBF<p>plain</p>\n");
  EXPECT_TRUE(marked.utf8);
  EXPECT_FALSE(marked.ascii);
  EXPECT_TRUE(sniff(std::string("\xFF\xFE<\0", 4)).utf8);  // 16-bit: read as UTF-8
  EXPECT_FALSE(sniff("caf\xE9\n").utf8);
  EXPECT_FALSE(sniff("caf\xC3").utf8);  // a sequence cut short by the end

  // A character across the end of a read block, and a bad byte far in.
  std::string long_text(65535, 'a');
  long_text += "\xD1\x85 end\n";
  const InputSniff across = sniff(long_text);
  EXPECT_TRUE(across.utf8);
  EXPECT_FALSE(across.ascii);
  long_text += std::string(200000, 'b') + "\x85\n";
  EXPECT_FALSE(sniff(long_text).utf8);
}

// A large file is looked at where it lies rather than read in blocks:
// the same answers.
TEST(SniffInputTest, LargeFilesGetTheSameLook) {
  testing::TempFolder dir;
  auto sniff = [&](const std::string& content) { return SniffInput(dir.Write("l.htm", content)); };
  const std::string filler(300000, 'a');
  const InputSniff ascii = sniff("<meta charset=koi8-r>" + filler);
  EXPECT_TRUE(ascii.opened && ascii.utf8 && ascii.ascii);
  EXPECT_EQ(ascii.declared, "koi8-r");
  const InputSniff utf8 = sniff(filler + "\xD1\x85" + filler);
  EXPECT_TRUE(utf8.utf8);
  EXPECT_FALSE(utf8.ascii);
  EXPECT_FALSE(sniff(filler + "caf\xE9" + filler).utf8);
  EXPECT_FALSE(sniff(filler + "\xD1").utf8);  // cut short by the end
  const InputSniff marked = sniff("\xEF\xBB\xBF" + filler + "\xE9");
  EXPECT_TRUE(marked.utf8);  // the mark decides
  EXPECT_FALSE(marked.ascii);
  EXPECT_TRUE(sniff(std::string("\xFF\xFE<\0", 4) + filler).utf8);
}

// A large text looked at in two halves side by side gives the answers of
// one look: characters at and around the middle, bad bytes in either half,
// a character the middle's ASCII byte cuts short, no ASCII near the middle.
TEST(SniffInputTest, HalvesSideBySideLookAsOneLookDoes) {
  const size_t size = size_t{5} << 20;
  const size_t middle = size / 2;
  std::vector<std::string> texts;
  auto with = [&](size_t at, const std::string& bytes) {
    std::string text(size, 'a');
    text.replace(at, bytes.size(), bytes);
    texts.push_back(text);
  };
  with(0, "plain");
  for (size_t at = middle - 3; at <= middle + 3; ++at) with(at, "\xE2\x82\xAC");  // the euro sign
  with(middle - 1, "\xE2\x82");  // cut short by the "a" at the middle
  with(middle + 1000, "\xFF");
  with(1000, "\xC3");
  with(middle - 100, std::string(600, '\xE9'));  // no ASCII byte near the middle
  std::string across;
  for (int k = 0; k < 300; ++k) across += "\xD0\x96";
  with(middle - 10, across);
  for (const std::string& text : texts) {
    const InputSniff one = SniffText(text, false);
    const InputSniff halves = SniffText(text, true);
    EXPECT_EQ(halves.utf8, one.utf8);
    EXPECT_EQ(halves.ascii, one.ascii);
  }
  EXPECT_TRUE(SniffText(texts[1], true).utf8);
  EXPECT_FALSE(SniffText(texts[8], true).utf8);
}

TEST(SniffInputTest, FindsTheSetTheMetaTagNames) {
  testing::TempFolder dir;
  auto declared = [&](const std::string& content) {
    return SniffInput(dir.Write("d.htm", content)).declared;
  };
  EXPECT_EQ(declared("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"),
            "windows-1251");
  EXPECT_EQ(declared("<META CHARSET='KOI8-R'>"), "KOI8-R");
  EXPECT_EQ(declared("<meta name=x content=y><meta charset = gb2312 >"), "gb2312");
  EXPECT_EQ(declared("<p>charset=utf-8 in the text</p>"), "");
}

TEST(CharsetDecoderTest, DecodesDeclaredSetsIntoUtf8) {
  EXPECT_FALSE(DecodedFromDeclaredSet(""));
  EXPECT_FALSE(DecodedFromDeclaredSet("ISO-8859-1"));  // read as Windows-1252
  EXPECT_FALSE(DecodedFromDeclaredSet(" utf-8 "));
  EXPECT_FALSE(DecodedFromDeclaredSet("utf-16le"));
  EXPECT_TRUE(DecodedFromDeclaredSet("windows-1251"));

  CharsetDecoder decoder;
  EXPECT_FALSE(decoder.Open("no-such-set"));
  std::string unchanged = "\xCF\xF0";
  decoder.Decode(unchanged);
  EXPECT_EQ(unchanged, "\xCF\xF0");
  ASSERT_TRUE(decoder.Open("windows-1251"));
  std::string line = "<p>\xCF\xF0\xE8 \x85</p>";
  decoder.Decode(line);
  EXPECT_EQ(line, "<p>\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x80\xA6</p>");
  // A byte the set leaves undefined becomes U+FFFD; the rest goes on.
  ASSERT_TRUE(decoder.Open("iso-8859-7"));
  line = "a\xAE" "b\xE1";
  decoder.Decode(line);
  EXPECT_EQ(line, "a\xEF\xBF\xBD" "b\xCE\xB1");
  std::string long_line(10000, '\xE1');
  decoder.Decode(long_line);
  EXPECT_EQ(long_line.size(), 20000u);
}

TEST(Windows1252Test, EveryByteBecomesItsCharacter) {
  EXPECT_EQ(Windows1252Code(0x41), 0x41);
  EXPECT_EQ(Windows1252Code(0x85), 0x2026);
  EXPECT_EQ(Windows1252Code(0x81), 0x81);  // undefined: the Latin-1 control
  EXPECT_EQ(Windows1252Code(0xB7), 0xB7);
  std::string out = "x";
  // Bytes that would form a UTF-8 sequence are still single characters.
  AppendWindows1252AsUtf8("\xC3\xA9 \x93q\x94", out);
  EXPECT_EQ(out, "x\xC3\x83\xC2\xA9 \xE2\x80\x9Cq\xE2\x80\x9D");
}

}  // namespace
}  // namespace orv
