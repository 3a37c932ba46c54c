// End-to-end tests: the built orvtext program run as a user would, in a
// temporary folder with real files, checking standard output, standard
// error and the exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run/qualifiers.h"
#include "support/orvtext_process.h"
#include "support/temp_folder.h"
#include "support/text_header.h"

namespace orv {
namespace {

using testing::Body;
using testing::RunOrvtext;
using testing::RunResult;
using testing::TempFolder;

// What the command-line stage wrote to standard error: everything before
// the run's first line (the log file opening, or the first file's line of
// 50 "%").
std::string StageText(const std::string& err) {
  size_t run = err.find(std::string(50, '%') + "\n");
  run = std::min(run, err.find("Generating log file "));
  return run == std::string::npos ? err : err.substr(0, run);
}

TEST(ProgramTest, HelpPrintsUsageAndSucceeds) {
  TempFolder dir;
  for (std::string help : {"-help", "--help", "-?", "/he", "-HELP"}) {
    RunResult r = RunOrvtext(dir, {help});
    EXPECT_EQ(r.status, 0) << help;
    EXPECT_EQ(r.out, UsageText()) << help;
    EXPECT_EQ(r.err, "") << help;
  }
}

TEST(ProgramTest, NoInputFileIsAnError) {
  TempFolder dir;
  for (std::vector<std::string> args : {std::vector<std::string>{}, {"-log", "-subfolders"}}) {
    RunResult r = RunOrvtext(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, UsageText());
    EXPECT_EQ(r.err, "ERROR: No input file given\n");
  }
}

TEST(ProgramTest, NamedFilesAreFound) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  dir.Write("b.htm", "<p>b</p>");
  const std::string absolute = dir.Write("sub/c.htm", "<p>c</p>");
  dir.MakeFolder("out");
  for (std::vector<std::string> args : {std::vector<std::string>{"a.htm"},
                                        {"*.htm"},
                                        {"a.htm", "b.htm", absolute},
                                        {absolute, "-lo=run.log"},
                                        {"-output=out/*.txt", "a.htm"}}) {
    RunResult r = RunOrvtext(dir, args);
    EXPECT_EQ(r.status, 0) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(StageText(r.err), "") << args[0];
  }
}

TEST(ProgramTest, QualifierMessagesGoToStandardError) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  RunResult r =
      RunOrvtext(dir, {"-l", "-s", "-subfoldersx", "-log=run.txt", "-output=x.pol", "a.htm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(StageText(r.err),
            "*** Unrecognised, ambiguous or repeated qualifiers : /l \n"
            "*** Unrecognised, ambiguous or repeated qualifiers : /s \n"
            "Illegal Qualifier : /subfoldersx\n"
            "*** Unrecognised, ambiguous or repeated qualifiers : /subfoldersx \n"
            "Can't use \".txt\" for a log file.  Changing to \".log\"\n"
            "Can't use \".pol\" for an output file.  Changing to \".html\"\n");

  RunResult blank = RunOrvtext(dir, {"-log= run.log", "a.htm"});
  EXPECT_EQ(StageText(blank.err), "Missing value after \"=\" for qualifier /LOG\n");
}

TEST(ProgramTest, TreeNeedsSubfoldersInEitherOrder) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  EXPECT_EQ(StageText(RunOrvtext(dir, {"-tree", "a.htm"}).err),
            "/tree has no effect unless /subfolders is set\n");
  EXPECT_EQ(StageText(RunOrvtext(dir, {"-tree", "-subfolders", "a.htm"}).err), "");
  EXPECT_EQ(StageText(RunOrvtext(dir, {"a.htm", "-sub", "-tree"}).err), "");
}

TEST(ProgramTest, SilentAndConsoleStopTheEchoButNotMessageBoxes) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  for (std::string quiet : {"-silent", "-console"}) {
    RunResult r = RunOrvtext(dir, {quiet, "-zz", "missing.htm", "a.htm"});
    EXPECT_EQ(r.status, 0) << quiet;
    EXPECT_EQ(r.err, "File selection error: Unable to locate file \"missing.htm\"\n") << quiet;
    // Only the console run writes its converted text (header and body) to
    // standard output.
    if (quiet == "-console")
      EXPECT_EQ(Body(r.out), "a\n");
    else
      EXPECT_EQ(r.out, "") << quiet;
  }
}

TEST(ProgramTest, FileParametersThatFindNothing) {
  TempFolder dir;
  dir.Write("e1.htm", "");
  dir.Write("e2.htm", "");
  RunResult empty = RunOrvtext(dir, {"*.htm"});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.err, "WARNING: File is empty " + dir.Path() + "e1.htm\n" +
                           "WARNING: File is empty " + dir.Path() + "e2.htm\n" +
                           "File selection error: Unable to locate file \"*.htm\"\n" +
                           "ERROR: No input file given\n");
  EXPECT_EQ(empty.out, UsageText());

  RunResult steering = RunOrvtext(dir, {"@list.txt"});
  EXPECT_EQ(steering.status, 2);
  EXPECT_TRUE(steering.err.starts_with("File selection error: Steering files not yet supported\n"));
}

TEST(ProgramTest, SubfolderSearchFindsFilesBelowOnly) {
  TempFolder dir;
  dir.Write("top.txt", "x");
  dir.Write("deep/er/page.htm", "<p>x</p>");
  EXPECT_EQ(RunOrvtext(dir, {"*.htm"}).status, 2);
  RunResult r = RunOrvtext(dir, {"-subfolders", "*.htm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(StageText(r.err), "");
  EXPECT_TRUE(std::filesystem::exists(dir.Path() + "deep/er/page.txt"));
}

TEST(ProgramTest, OddArgumentsNeitherCrashNorHang) {
  TempFolder dir;
  dir.Write("a.htm", "<p>a</p>");
  const std::vector<std::string> odd = {"--",
                                        "-=",
                                        "-log=\"",
                                        "-log=<",
                                        "-o=<a\">",
                                        "/",
                                        "//",
                                        "-\xff\xfe",
                                        std::string(20000, 'x'),
                                        "-" + std::string(20000, '/'),
                                        "a.htm"};
  RunResult r = RunOrvtext(dir, odd);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace orv
