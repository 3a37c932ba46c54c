// The program as a Unix filter: the document on standard input ("-"), its
// text on standard output, a reader that goes away, and --version.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "run/memory_conversion.h"
#include "support/orvtext_process.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::MaskTimestamp;
using testing::ReadAll;
using testing::RunOrvtext;
using testing::RunOrvtextWithInput;
using testing::RunResult;
using testing::TempFolder;

const char kPage[] =
    "<html><head><title>Piped</title></head><body><h1>Head</h1><p>Some text &amp; more.</p>"
    "<ul><li>one</li><li>two</li></ul></body></html>";

TEST(UnixFilterTest, StandardInputGoesToStandardOutputAsInMemory) {
  TempFolder dir;
  for (const bool markup_removal : {false, true}) {
    std::vector<std::string> arguments = {"-"};
    if (markup_removal) arguments.push_back("-detag");
    RunResult r = RunOrvtextWithInput(dir, arguments, kPage);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");  // a filter is quiet
    MemoryConversionRequest request;
    request.html = kPage;
    request.markup_removal = markup_removal;
    request.name = "(standard input)";
    EXPECT_EQ(MaskTimestamp(r.out), MaskTimestamp(ConvertInMemory(request).output));
    if (!markup_removal) {
      EXPECT_NE(r.out.find("| File name    : (standard input) "), std::string::npos) << r.out;
    }
  }
  // Only the files the user named appear: none.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    entries += entry.path().filename().string().starts_with(".") ? 0 : 1;
  EXPECT_EQ(entries, 0u);
}

TEST(UnixFilterTest, StandardInputToANamedOutputAndWithPolicies) {
  TempFolder dir;
  dir.Write("narrow.pol", "Target Page width : 40\n");
  RunResult r = RunOrvtextWithInput(dir, {"-", "narrow.pol", "-output=out.txt"}, kPage);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Processing : \"(standard input)\""), std::string::npos) << r.err;
  const std::string text = ReadAll(dir.Path() + "out.txt");
  EXPECT_NE(text.find("Some text & more."), std::string::npos) << text;
  EXPECT_TRUE(text.starts_with("/" + std::string(38, '-') + "\\\n")) << text;
}

TEST(UnixFilterTest, StandardInputCannotBeMixedWithFiles) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  for (const auto& arguments :
       {std::vector<std::string>{"-", "a.htm"}, std::vector<std::string>{"a.htm", "-"}}) {
    RunResult r = RunOrvtextWithInput(dir, arguments, kPage);
    EXPECT_NE(r.err.find("Standard input (-) cannot be mixed with input files"), std::string::npos)
        << r.err;
  }
}

TEST(UnixFilterTest, EmptyInputConvertsToAnEmptyDocument) {
  TempFolder dir;
  RunResult r = RunOrvtextWithInput(dir, {"-"}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("File name    : (standard input)"), std::string::npos);
}

// The reader of the pipe takes three lines and goes: the program ends at
// once, without a message, instead of converting and writing on; also when
// the shell that started it ignores broken pipes (as Python's subprocess
// does).
TEST(UnixFilterTest, EndsQuietlyWhenTheReaderGoesAway) {
  TempFolder dir;
  std::string big = "<html><body>";
  for (int i = 0; i < 100000; ++i) big += "<p>Paragraph " + std::to_string(i) + ".</p>\n";
  dir.Write("big.htm", big + "</body></html>");
  const std::string command = "cd '" + dir.Path() +
                              "' && trap '' PIPE && ORVTEXT_SETTINGS=none.ini '" + ORVTEXT_BINARY +
                              "' - < big.htm 2> err.txt | head -3 > head.txt";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 60);
  EXPECT_EQ(ReadAll(dir.Path() + "err.txt"), "");
  EXPECT_TRUE(ReadAll(dir.Path() + "head.txt").starts_with("/---"))
      << ReadAll(dir.Path() + "head.txt");
}

TEST(UnixFilterTest, VersionComesFromTheBuild) {
  TempFolder dir;
  for (std::string spelling : {"--version", "-version", "/version", "--VERSION"}) {
    RunResult r = RunOrvtext(dir, {spelling});
    EXPECT_EQ(r.status, 0) << spelling;
    EXPECT_EQ(r.out, std::string("orvtext ") + ORVTEXT_VERSION + "\n") << spelling;
    EXPECT_EQ(r.err, "") << spelling;
  }
  // Not an abbreviation of anything: "-ver" stays an unknown qualifier.
  RunResult r = RunOrvtext(dir, {"-ver"});
  EXPECT_NE(r.err.find("Unrecognised"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace orv
