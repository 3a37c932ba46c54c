// Tests of reading an input file into cleaned logical lines and chunks:
// 8-bit and 16-bit input, the cleaning rules, fragment definitions kept out
// of the document, and chunks cut only at line ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "html/chunk_reader.h"
#include "html/entities.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

std::vector<std::string> ReadLines(const std::string& path, bool text_mode = true) {
  InputLineReader reader;
  EXPECT_TRUE(reader.Open(path, text_mode));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

std::string Utf16(const std::u16string& text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t unit : text) {
    char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
    bytes += little ? lo : hi;
    bytes += little ? hi : lo;
  }
  return bytes;
}

struct Read {
  std::string text;
  std::vector<int> chunk_numbers;
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, std::vector<std::string>>> fragments;
  ChunkReadResult result;
};

Read ReadChunks(const std::string& path, ChunkReaderOptions options = {}) {
  Read read;
  read.result = ReadInputChunks(
      path, options, [&](const std::string& m, int) { read.messages.push_back(m); },
      [&](const std::string& name, std::vector<std::string> lines) {
        read.fragments.emplace_back(name, std::move(lines));
      },
      [&](int number, std::string& chunk) {
        read.chunk_numbers.push_back(number);
        EXPECT_EQ(chunk.back(), '\n');  // chunks end at a line end
      },
      read.text);
  return read;
}

TEST(InputLineReaderTest, EightBitCleaningRules) {
  testing::TempFolder dir;
  const std::string path = dir.Write(
      "a.htm", std::string("nul\0byte\r\nnb\xA0sp\nx\fy\f\fz\n\fstart\nlast", 34));
  // CR LF is a line end: the carriage return does not become a blank.
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"nul byte", "nb sp", "x", "\f", "y", "\f",
                                                       "\f", "z", "\f", "start", "last"}));
  // Markup-removal mode keeps the non-breaking space byte.
  EXPECT_EQ(ReadLines(path, /*text_mode=*/false)[1], "nb\xA0sp");

  // A 0xFF byte ("ÿ" in Latin-1) is held as kHeldFF in both modes, and so
  // is one after UTF-8 ("é" here: it cannot be part of it); a NUL of the
  // file never is.
  const std::string held = std::string(1, kHeldFF);
  const std::string ff =
      dir.Write("ff.htm", std::string("Lou\xFFs \xFF\xFF ") + '\0' + "\ncaf\xC3\xA9\xFF\n");
  EXPECT_EQ(ReadLines(ff), (std::vector<std::string>{"Lou" + held + "s " + held + held + "  ",
                                                     "caf\xC3\xA9" + held}));
  EXPECT_EQ(ReadLines(ff, /*text_mode=*/false)[0], "Lou" + held + "s " + held + held + "  ");

  // A line that is valid UTF-8 is read as UTF-8: its non-breaking space is
  // the pair C2 A0, and the A0 of another character ("à", "†") stays; a
  // line that is not (Latin-1 "café") has its A0 bytes replaced.
  const std::string utf8 = dir.Write(
      "u.htm", "voil\xC3\xA0 a\xC2\xA0" "b \xE2\x80\xA0\ncaf\xE9 nb\xA0sp\n");
  EXPECT_EQ(ReadLines(utf8), (std::vector<std::string>{"voil\xC3\xA0 a b \xE2\x80\xA0",
                                                      "caf\xE9 nb sp"}));
}

// A long line split at its form feeds gives back the memory of the pieces
// it has handed out: every piece still comes whole, up to the last, and a
// second such line (reusing the reader's buffers) too.
TEST(InputLineReaderTest, LongLinesSplitAtFormFeedsKeepEveryPiece) {
  testing::TempFolder dir;
  std::string line;
  std::vector<std::string> expected;
  for (int i = 0; line.size() < (700u << 10); ++i) {
    std::string piece = "piece " + std::to_string(i) + std::string(static_cast<size_t>(i % 97), 'w');
    line += piece + "\f";
    expected.push_back(piece);
    expected.push_back("\f");
  }
  std::vector<std::string> both = expected;
  both.insert(both.end(), expected.begin(), expected.end());
  EXPECT_EQ(ReadLines(dir.Write("ff.htm", line + "\n" + line)), both);
}

// The cleaning looks at long lines several bytes at a time: a byte to
// change (0xFF is held as kHeldFF) is found wherever it sits, and bytes
// close to the ones changed (tab, line-feed-free controls, 0x7F, other
// 8-bit bytes) are kept.
TEST(InputLineReaderTest, CleaningFindsBytesAtEveryOffsetOfLongLines) {
  testing::TempFolder dir;
  const std::string plain = "abcdefghijklmnopqrstuvwxyz0123";
  std::string file;
  std::vector<std::string> want;
  for (size_t at = 0; at < 20; ++at) {
    for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
             {std::string(1, '\0'), " "}, {"\r", " "}, {"\xA0", " "},
             {"\xFF", std::string(1, kHeldFF)},
             {"\t\x0B\x0E\x7F\x80\xFE", "\t\x0B\x0E\x7F\x80\xFE"}}) {
      file += plain.substr(0, at) + in + plain.substr(at) + "\n";
      want.push_back(plain.substr(0, at) + out + plain.substr(at));
    }
  }
  EXPECT_EQ(ReadLines(dir.Write("offsets.htm", file)), want);
}

// Several bytes to change in one line, far apart and side by side: the
// text between them must move down intact once a UTF-8 pair has become
// one space, and must stay in place in 8-bit input.
TEST(InputLineReaderTest, CleaningManyBytesInOneLineKeepsTheTextBetween) {
  testing::TempFolder dir;
  std::u16string wide;
  std::string wide_want;
  std::string narrow;
  std::string narrow_want;
  for (size_t gap = 0; gap < 40; ++gap) {
    const std::string words = std::string("word").substr(0, gap % 5) + std::string(gap, 'x');
    wide += std::u16string(words.begin(), words.end()) + u"\u00a0\u00e0\r";
    wide_want += words + " \xC3\xA0 ";
    narrow += words + std::string("\xA0\0\xE9\r", 4);
    narrow_want += words + "  \xE9 ";
  }
  // The carriage return that ends the file ends its last line.
  wide_want.pop_back();
  narrow_want.pop_back();
  EXPECT_EQ(ReadLines(dir.Write("wide.htm", Utf16(wide, true))),
            (std::vector<std::string>{wide_want}));
  EXPECT_EQ(ReadLines(dir.Write("narrow.htm", narrow)), (std::vector<std::string>{narrow_want}));
}

TEST(InputLineReaderTest, LongLinesAreDeliveredWhole) {
  testing::TempFolder dir;
  const std::string long_line(5 * 4096 + 17, 'w');
  const std::string path = dir.Write("long.htm", "a\n" + long_line + "\nb\n");
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"a", long_line, "b"}));
}

TEST(InputLineReaderTest, SixteenBitInBothByteOrdersBecomesUtf8) {
  testing::TempFolder dir;
  // (the helper writes the BOM) "é", a non-breaking space, a line feed, "€" and a surrogate pair (U+1F600).
  const std::u16string text = u"\u00e9\u00a0x\r\n\u20ac\U0001F600";
  for (bool little : {true, false}) {
    const std::string path = dir.Write(little ? "le.htm" : "be.htm", Utf16(text, little));
    EXPECT_EQ(ReadLines(path),
              (std::vector<std::string>{"\xC3\xA9 x", "\xE2\x82\xAC\xF0\x9F\x98\x80"}))
        << little;
    Read read = ReadChunks(path);
    EXPECT_EQ(read.result.encoding, little ? InputLineReader::Encoding::kUtf16LittleEndian
                                           : InputLineReader::Encoding::kUtf16BigEndian);
    const bool warned = !read.messages.empty() &&
                        read.messages.back() == "WARNING: File " + path +
                                                    " is UNICODE.  Not all conversion options may work";
    EXPECT_EQ(warned, little);  // the warning is given for little-endian files
  }
  // The UTF-8 form of a non-breaking space is replaced, but an A0 byte that
  // belongs to another character ("à" is C3 A0) is not.
  const std::string path = dir.Write("a-grave.htm", Utf16(u"\u00e0", true));
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"\xC3\xA0"}));
}

TEST(InputLineReaderTest, BrokenSixteenBitInputLosesNothingAndEnds) {
  testing::TempFolder dir;
  // An odd final byte and a lone surrogate.
  std::string bytes = Utf16(u"ab\xD800" u"c", true) + "d";
  const std::string path = dir.Write("odd.htm", bytes);
  EXPECT_EQ(ReadLines(path), (std::vector<std::string>{"ab\xEF\xBF\xBD" "cd"}));
  EXPECT_EQ(ReadLines(dir.Write("bom-only.htm", "\xFF\xFE")), std::vector<std::string>{""});
}

TEST(ChunkReaderTest, FragmentDefinitionsStayOutOfTheDocument) {
  testing::TempFolder dir;
  const std::string path = dir.Write(
      "f.htm",
      "<p>before\n$_$_DEFINE_TEXT_FRAGMENT  MINE extra\nline one\n\n$_$_END_BLOCK trailing\nafter\n");
  ChunkReaderOptions options;
  options.predefined_lines = BuiltInFragmentLines();
  Read read = ReadChunks(path, options);
  EXPECT_EQ(read.text, "<p>before\nafter\n");
  ASSERT_EQ(read.fragments.size(), 3u);
  EXPECT_EQ(read.fragments[0].first, "TEXT_HEADER");
  EXPECT_EQ(read.fragments[0].second.size(), 8u);
  EXPECT_EQ(read.fragments[1].first, "TEXT_FOOTER");
  EXPECT_EQ(read.fragments[2].first, "MINE");
  EXPECT_EQ(read.fragments[2].second, (std::vector<std::string>{"line one", ""}));
}

TEST(ChunkReaderTest, UnterminatedDefinitionGivesItsLinesBack) {
  testing::TempFolder dir;
  const std::string path =
      dir.Write("u.htm", "start\n$_$_DEFINE_TEXT_FRAGMENT X\nprecious text\n");
  Read read = ReadChunks(path);
  EXPECT_EQ(read.text, "start\n$_$_DEFINE_TEXT_FRAGMENT X\nprecious text\n");
  EXPECT_TRUE(read.fragments.empty());
  ASSERT_FALSE(read.messages.empty());
  EXPECT_EQ(read.messages[0].rfind("WARNING:", 0), 0u);
}

TEST(ChunkReaderTest, ChunksAreCutAtLineEndsAfterTheLimit) {
  testing::TempFolder dir;
  // 450000 bytes in lines of 100 bytes: chunks 1 and 2 closed by size, 3 the rest.
  std::string content;
  while (content.size() < 450000) content += std::string(99, 'x') + "\n";
  const std::string path = dir.Write("big.htm", content);
  Read read = ReadChunks(path);
  EXPECT_EQ(read.chunk_numbers, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(read.messages, (std::vector<std::string>{"INFO: Processing chunk #1 ",
                                                     "INFO: Processing chunk #2 ",
                                                     "INFO: Processing chunk #3 "}));
  EXPECT_EQ(read.text, content);
  EXPECT_EQ(read.result.chunks, 3);
}

// With a limit of one byte every line would be a chunk; a chunk goes on
// instead while an element that the chunk pass must see whole is open, and
// closes at the end of the line where it ends. Past the element limit it
// closes anyway, with a warning.
TEST(ChunkReaderTest, ChunksCloseOnlyOutsideElementsSeenWhole) {
  testing::TempFolder dir;
  const std::vector<std::string> expected = {
      "<p>one</p>\n",
      "<script>\nvar a = '<table>';\n</SCRIPT> after\n",
      "<!-- comment\n<ul> -->\n",
      "<!--> <p>empty comment</p>\n",
      "<header><ul><li>x\n<ol><li>y</ol>\n</ul>\n",
      "<table><tr><td><table>\n</table></td></tr>\n</TABLE>\n",
      "<head><title>t</title>\n<body>\n",
      "<pre>\nx\n</pre>\n",
      "<style type=x>\n</style>\n",
      "<object>\n</object><tablex>\n",
      "<xmp>\n<p>\n</xmp>\n",
      "<LISTING>\n</listing>\n",
      "<dl><dt>a\n</dl>\n",
      "<select>\n<option>o\n</select>\n",
      "<textarea>\n<p>typed\n</textarea>\n",
      "<table>\nnever ending table, still open\nmore text in it to pass the limit\n",
      "ends\n"};
  std::string content;
  for (const std::string& chunk : expected) content += chunk;
  ChunkReaderOptions options;
  options.chunk_limit = 1;
  options.element_limit = 60;
  std::vector<std::string> chunks;
  std::vector<std::string> messages;
  std::string whole;
  ReadInputChunks(
      dir.Write("c.htm", content), options,
      [&](const std::string& m, int) { messages.push_back(m); }, {},
      [&](int, std::string& chunk) { chunks.push_back(chunk); }, whole);
  EXPECT_EQ(chunks, expected);
  EXPECT_EQ(whole, content);
  EXPECT_NE(std::find(messages.begin(), messages.end(),
                      "WARNING: Chunk #16 ends inside a <table> element longer than 60 bytes"),
            messages.end());
}

TEST(ChunkReaderTest, EmptyAndMissingFiles) {
  testing::TempFolder dir;
  Read empty = ReadChunks(dir.Write("empty.htm", ""));
  EXPECT_TRUE(empty.result.opened);
  EXPECT_EQ(empty.result.chunks, 0);
  EXPECT_TRUE(empty.text.empty());
  Read missing = ReadChunks((dir.Path() + "missing.htm"));
  EXPECT_FALSE(missing.result.opened);
}

}  // namespace
}  // namespace orv
