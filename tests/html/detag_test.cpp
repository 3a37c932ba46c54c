// Tests of the detag pass on whole files: documents in tests/data/detag/
// converted and compared with expected output that was read and checked by
// hand, the per-file refusals and messages, and hostile inputs that must
// convert without losing text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "html/detag.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Conversion {
  bool ok = false;
  std::string output;
  std::vector<std::string> messages;
};

Conversion Convert(const std::string& input, const std::string& output_path,
                   DetagOptions options = {}, DetagRequest request = {}) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  request.input_path = input;
  request.output_path = output_path;
  Conversion result;
  result.ok = pass.ConvertFile(options, request, output,
                               [&](const std::string& m, int) { result.messages.push_back(m); });
  output.Close();
  result.output = ReadFile(output_path);
  return result;
}

TEST(DetagTest, ReportsItsStepsAndRefusesToOverwriteItsInput) {
  testing::TempFolder dir;
  const std::string input = dir.Write("a.htm", "<p>text</p>\n");
  Conversion converted = Convert(input, (dir.Path() + "a.txt"));
  EXPECT_TRUE(converted.ok);
  EXPECT_EQ(converted.messages,
            (std::vector<std::string>{"INFO: Reading input file " + input,
                                      "INFO: Removing all remaining tags",
                                      "INFO: Reinserting line/paragraph markers",
                                      "INFO: Creating output file " + (dir.Path() + "a.txt")}));

  DetagOptions markup_removal;
  markup_removal.remove_all_tags = false;
  Conversion refused = Convert(input, (dir.Path() + "A.HTM").substr(0, input.size() - 5) + "a.HTM",
                               markup_removal);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.messages,
            (std::vector<std::string>{"ERROR: Output file is overwriting input file - " + input,
                                      "ERROR: Choose a different output directory"}));
  EXPECT_EQ(ReadFile(input), "<p>text</p>\n");  // the input is untouched

  DetagRequest allowed;
  allowed.overwrite_allowed = true;
  Conversion overwritten = Convert(input, input, markup_removal, allowed);
  EXPECT_TRUE(overwritten.ok);
  EXPECT_EQ(ReadFile(input), "<p>text</p>\n");  // markup removal with nothing selected
}

TEST(DetagTest, OpenFailuresAreReported) {
  testing::TempFolder dir;
  Conversion missing = Convert((dir.Path() + "missing.htm"), (dir.Path() + "missing.txt"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.messages, std::vector<std::string>{"ERROR: Error opening " + (dir.Path() + "missing.htm")});

  const std::string input = dir.Write("b.htm", "text\n");
  const std::string blocker = dir.Write("blocker", "x");
  Conversion unwritable = Convert(input, blocker + "/b.txt");
  EXPECT_FALSE(unwritable.ok);
  EXPECT_EQ(unwritable.messages.back(), "ERROR: Error opening " + blocker + "/b.txt");
}

TEST(DetagTest, UnicodeOutputGetsMarkerWhenAllowed) {
  testing::TempFolder dir;
  const std::string input = dir.Write("u.htm", "&euro; 5\n");
  DetagOptions options;
  options.may_add_unicode_marker = true;
  Conversion result = Convert(input, (dir.Path() + "u.txt"), options);
  EXPECT_EQ(result.output, "\xEF\xBB\xBF\xE2\x82\xAC 5\n");
  EXPECT_NE(std::find(result.messages.begin(), result.messages.end(),
                      "WARNING: Unicode text detected.  Inserting UTF-8 file marker"),
            result.messages.end());
}

TEST(DetagTest, EllipsisRuleLeavesUtf8FromSixteenBitInputAlone) {
  testing::TempFolder dir;
  // "\u00c5" is C3 85 in UTF-8; 85 hex is 133, the Windows ellipsis byte.
  const std::string input = dir.Write("a.htm", std::string("\xFF\xFE\xC5\x00\n\x00", 6));
  EXPECT_EQ(Convert(input, (dir.Path() + "a.txt")).output, "\xC3\x85\n");
  const std::string latin = dir.Write("b.htm", "wait\x85\n");
  EXPECT_EQ(Convert(latin, (dir.Path() + "b.txt")).output, "wait...\n");
}

// Inputs that are not HTML at all still convert, keep their text, and end.
TEST(DetagTest, HostileInputsKeepTheirText) {
  testing::TempFolder dir;
  struct Case {
    const char* name;
    std::string content;
    std::string expected;
  };
  const std::string lts(200000, '<');
  std::string prose = "<";
  while (prose.size() < 300000) prose += "plain words without a closing bracket\n";
  std::string ops;
  while (ops.size() < 100000) ops += "if (a << 2 < b && c <= d) x <<= 1;\n";
  const Case cases[] = {
      {"lt-only", lts, lts + "\n"},
      // Every "<" but the last is followed by "<" and rejected; the last
      // "<" and the ">" form an empty tag, which is removed.
      {"lt-then-gt", lts + ">", std::string(lts.size() - 1, '<') + "\n"},
      {"open-no-close", prose, prose},
      {"shift-ops", ops, ops},
      {"nul", std::string(1000, '\0'), ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    const std::string input = dir.Write(std::string(c.name) + ".htm", c.content);
    Conversion result = Convert(input, (dir.Path() + std::string(c.name) + ".txt"));
    EXPECT_TRUE(result.ok) << c.name;
    EXPECT_EQ(result.output, c.expected) << c.name;
  }
}

TEST(DetagTest, LongLineAndChunkedDocument) {
  testing::TempFolder dir;
  std::string line;
  while (line.size() < 1000000) line += "word <b>bold</b> ";
  const std::string input = dir.Write("long.htm", line + "\n");
  Conversion result = Convert(input, (dir.Path() + "long.txt"));
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.output.find('<'), std::string::npos);
  EXPECT_EQ(result.output.substr(0, 15), "word bold word ");

  // 450000 bytes convert in three chunks, and the title comes from the first.
  std::string doc = "<html><head><title>Chunked</title></head><body>\n";
  while (doc.size() < 450000) doc += "<p>A paragraph of ordinary text, long enough to count.</p>\n";
  const std::string big = dir.Write("big.htm", doc);
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  ASCIIFile output;
  DetagRequest request;
  request.input_path = big;
  request.output_path = (dir.Path() + "big.txt");
  std::vector<std::string> messages;
  ASSERT_TRUE(pass.ConvertFile(DetagOptions{}, request, output,
                               [&](const std::string& m, int) { messages.push_back(m); }));
  EXPECT_EQ(pass.Info().title, "Chunked");
  EXPECT_NE(std::find(messages.begin(), messages.end(), "INFO: Processing chunk #2 "), messages.end());
  EXPECT_EQ(std::find(messages.begin(), messages.end(), "INFO: Processing chunk #3 "), messages.end());
}

}  // namespace
}  // namespace orv
