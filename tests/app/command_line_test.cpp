// End-to-end tests of the command line as a user types it: odd file names,
// qualifiers whose effect shows only in the files written, the order of a
// sub-folder batch, and the rule that no output or log replaces a file the
// run was asked to read. The built orvtext program runs in a temporary
// folder; standard output, standard error, exit status and files are
// checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/orvtext_process.h"
#include "support/temp_folder.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::Body;
using testing::ReadAll;
using testing::RunOrvtext;
using testing::RunResult;
using testing::TempFolder;

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The "Processing" lines of a run, in order.
std::vector<std::string> ProcessedNames(const std::string& err) {
  std::vector<std::string> names;
  const std::string head = "Processing : \"";
  for (size_t at = err.find(head); at != std::string::npos; at = err.find(head, at + 1)) {
    const size_t start = at + head.size();
    names.push_back(err.substr(start, err.find('"', start) - start));
  }
  return names;
}

TEST(CommandLineTest, OddFileNamesAreConverted) {
  TempFolder dir;
  dir.Write("my page.htm", "<p>spaced</p>");
  dir.Write("-x.htm", "<p>dash</p>");
  dir.Write("w1.htm", "<p>one</p>");
  dir.Write("w2.htm", "<p>two</p>");

  RunResult spaced = RunOrvtext(dir, {"my page.htm"});
  EXPECT_EQ(spaced.status, 0) << spaced.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "my page.txt")), "spaced\n");

  // A leading "-" makes a switch; "./" makes it a name again.
  RunResult as_switch = RunOrvtext(dir, {"-x.htm"});
  EXPECT_EQ(as_switch.status, 2);
  EXPECT_TRUE(as_switch.err.starts_with(
      "*** Unrecognised, ambiguous or repeated qualifiers : /x.htm \n"))
      << as_switch.err;
  EXPECT_FALSE(Exists(dir.Path() + "-x.txt"));
  RunResult as_name = RunOrvtext(dir, {"./-x.htm"});
  EXPECT_EQ(as_name.status, 0) << as_name.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "-x.txt")), "dash\n");

  // A pattern the shell left alone is expanded by orvtext.
  RunResult pattern = RunOrvtext(dir, {"w*.htm"});
  EXPECT_EQ(pattern.status, 0) << pattern.err;
  EXPECT_EQ(ProcessedNames(pattern.err), (std::vector<std::string>{"w1.htm", "w2.htm"}));
  EXPECT_EQ(Body(ReadAll(dir.Path() + "w2.txt")), "two\n");
}

TEST(CommandLineTest, FolderNamedAsInputIsNotAFile) {
  TempFolder dir;
  dir.Write("in/a.htm", "<p>a</p>");
  RunResult r = RunOrvtext(dir, {"in"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.starts_with("File selection error: Unable to locate file \"in\"\n")) << r.err;
  EXPECT_FALSE(Exists(dir.Path() + "in.txt"));
}

TEST(CommandLineTest, OutputIntoAMissingFolderFails) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  const std::string missing = dir.Path() + "some/dir/";
  RunResult r = RunOrvtext(dir, {"-output=" + missing + "*.txt", "a.htm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "ERROR: Error opening " + missing + "a.txt\n")) << r.err;
  EXPECT_TRUE(r.err.ends_with("Convert Error: Conversion failed\n")) << r.err;
  EXPECT_FALSE(Exists(missing));
}

TEST(CommandLineTest, QualifierValuesShowInTheFilesWritten) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");

  // /lo is the log qualifier; /l is nothing.
  EXPECT_EQ(RunOrvtext(dir, {"-lo", "a.htm"}).status, 0);
  EXPECT_TRUE(Exists(dir.Path() + "Tessaly.log"));
  std::filesystem::remove(dir.Path() + "Tessaly.log");
  EXPECT_EQ(RunOrvtext(dir, {"-l", "a.htm"}).status, 0);
  EXPECT_FALSE(Exists(dir.Path() + "Tessaly.log"));

  // An output name with ".pol" is written as ".html".
  RunResult pol = RunOrvtext(dir, {"-output=x.pol", "a.htm"});
  EXPECT_EQ(pol.status, 0) << pol.err;
  EXPECT_TRUE(Exists(dir.Path() + "x.html"));
  EXPECT_FALSE(Exists(dir.Path() + "x.pol"));

  // /CONSOLE drops an output specification given before it.
  RunResult console = RunOrvtext(dir, {"-output=y.txt", "-console", "a.htm"});
  EXPECT_EQ(console.status, 0);
  EXPECT_EQ(Body(console.out), "a\n");
  EXPECT_EQ(console.err, "");
  EXPECT_FALSE(Exists(dir.Path() + "y.txt"));
}

TEST(CommandLineTest, SubfolderBatchIsSortedByFullPath) {
  TempFolder dir;
  dir.Write("b.htm", "<p>b</p>");
  dir.Write("a/z.htm", "<p>az</p>");
  dir.Write("a/b/c.htm", "<p>abc</p>");
  dir.Write("B.htm", "<p>B</p>");
  RunResult r = RunOrvtext(dir, {"-sub", "*.htm"});
  EXPECT_EQ(r.status, 0) << r.err;
  // Byte order: "B.htm" < "a/b/c.htm" < "a/z.htm" < "b.htm".
  EXPECT_EQ(ProcessedNames(r.err), (std::vector<std::string>{"B.htm", "c.htm", "z.htm", "b.htm"}));
  EXPECT_TRUE(Exists(dir.Path() + "a/b/c.txt"));
}

TEST(CommandLineTest, OutputNeverReplacesAnotherInputOfTheBatch) {
  struct Case {
    std::string what;
    std::vector<std::string> arguments;
  };
  const std::vector<Case> cases = {
      {"named files", {"a.htm", "a.txt"}},
      {"a pattern", {"a.*"}},
      {"an output name", {"-output=a.txt", "b.htm", "a.txt"}},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    dir.Write("a.htm", "<p>page</p>");
    dir.Write("b.htm", "<p>other</p>");
    const std::string notes = dir.Write("a.txt", "my own notes");
    RunResult r = RunOrvtext(dir, c.arguments);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(ReadAll(notes), "my own notes") << c.what;
    EXPECT_TRUE(Has(r.err, "ERROR: Output file is overwriting input file - " + notes + "\n" +
                               "ERROR: Choose a different output directory\n"))
        << c.what << "\n"
        << r.err;
  }

  // /OVERWRITE allows it, as it allows writing over a file's own input.
  TempFolder dir;
  dir.Write("a.htm", "<p>page</p>");
  const std::string notes = dir.Write("a.txt", "my own notes");
  RunResult allowed = RunOrvtext(dir, {"-overwrite", "a.htm"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(Body(ReadAll(notes)), "page\n");
}

TEST(CommandLineTest, PolicyOutputNeverReplacesAnInputFile) {
  TempFolder dir;
  dir.Write("a.htm", "<p>page</p>");
  const std::string other = dir.Write("a.pol.txt", "kept as it is");
  RunResult r = RunOrvtext(dir, {"-policy=a.pol.txt", "-output=out.txt", "a.htm", "a.pol.txt"});
  EXPECT_EQ(ReadAll(other), "kept as it is");
  EXPECT_TRUE(Has(r.err, "ERROR: Policy file would overwrite input file - " + other + "\n"))
      << r.err;
}

TEST(CommandLineTest, LogNeverReplacesAnInputFile) {
  TempFolder dir;
  const std::string input = dir.Write("a.htm", "<p>page</p>");
  RunResult r = RunOrvtext(dir, {"-log=a.htm", "a.htm"});
  // The text is converted, but the log asked for was not written.
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadAll(input), "<p>page</p>");
  EXPECT_TRUE(r.err.starts_with("ERROR: Log file would overwrite input file - " + input + "\n" +
                                "*** Failed to open log file : " + input + " ***\n" +
                                "    Opening " + dir.Path() + "Tessaly.log instead\n" +
                                "Generating log file " + dir.Path() + "Tessaly.log\n"))
      << r.err;
  EXPECT_EQ(Body(ReadAll(dir.Path() + "a.txt")), "page\n");
}

}  // namespace
}  // namespace orv
