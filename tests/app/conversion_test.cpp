// End-to-end tests of whole conversion runs: the built orvtext program run
// in a temporary folder on real files, checking the files it writes, its
// messages on standard error, standard output and the exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/orvtext_process.h"
#include "support/temp_folder.h"

namespace orv {
namespace {

using testing::ReadAll;
using testing::RunOrvtext;
using testing::RunResult;
using testing::TempFolder;

const std::string kPage =
    "<html><head><title>T</title></head>\n<body><h1>Hello</h1><p>Some "
    "text.</p></body></html>\n";
const std::string kSeparator = std::string(50, '%') + "\n";
const std::string kComplete = "%%%%%%%%%%%%%%%%%%% Conversion complete %%%%%%%%%%%%%%%%%%\n";

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ConversionTest, OnePageBecomesText) {
  TempFolder dir;
  dir.Write("page.htm", kPage);
  RunResult r = RunOrvtext(dir, {"page.htm"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(r.err.starts_with(kSeparator + "Processing : \"page.htm\"\n"
                                             "---- Starting Output pass ----\n"))
      << r.err;
  EXPECT_TRUE(Has(r.err, "INFO: Creating output file " + dir.Path() + "page.txt\n")) << r.err;
  EXPECT_TRUE(r.err.ends_with(kComplete)) << r.err;
  const std::string text = ReadAll(dir.Path() + "page.txt");
  EXPECT_TRUE(Has(text, "Hello")) << text;
  EXPECT_TRUE(Has(text, "Some text.")) << text;
  EXPECT_FALSE(Has(text, "<")) << text;
}

TEST(ConversionTest, ConsoleWritesTheTextToStandardOutputOnly) {
  TempFolder dir;
  dir.Write("page.htm", kPage);
  RunResult r = RunOrvtext(dir, {"-console", "page.htm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(Has(r.out, "Some text.")) << r.out;
  EXPECT_FALSE(Exists(dir.Path() + "page.txt"));
}

TEST(ConversionTest, ConcatenatedResultsGoToOneFile) {
  TempFolder dir;
  dir.Write("a.htm", "<p>alpha</p>");
  dir.Write("b.htm", "<p>beta</p>");
  dir.Write("c.htm", "<p>gamma</p>");
  RunResult r = RunOrvtext(dir, {"-concat", "a.htm", "b.htm", "c.htm"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string output = dir.Path() + "a.txt";
  EXPECT_EQ(CountOf(r.err, "INFO: Creating output file "), 1u) << r.err;
  EXPECT_EQ(CountOf(r.err, "INFO: Creating output file " + output + "\n"), 1u) << r.err;
  EXPECT_EQ(CountOf(r.err, "INFO: Appending results to " + output + "\n"), 2u) << r.err;
  EXPECT_FALSE(Exists(dir.Path() + "b.txt"));
  EXPECT_FALSE(Exists(dir.Path() + "c.txt"));
  const std::string text = ReadAll(output);
  const size_t alpha = text.find("alpha"), beta = text.find("beta"), gamma = text.find("gamma");
  ASSERT_NE(gamma, std::string::npos) << text;
  EXPECT_LT(alpha, beta);
  EXPECT_LT(beta, gamma);
}

TEST(ConversionTest, DetagRefusesToOverwriteItsInputUnlessAllowed) {
  TempFolder dir;
  const std::string input = dir.Write("a.htm", kPage);
  RunResult refused = RunOrvtext(dir, {"-detag", "a.htm"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Has(refused.err, "ERROR: Output file is overwriting input file - " + input +
                                   "\n"
                                   "ERROR: Choose a different output directory\n"
                                   "ERROR: Failed to complete output pass\n"))
      << refused.err;
  EXPECT_TRUE(refused.err.ends_with(kComplete + "Convert Error: Conversion failed\n"))
      << refused.err;
  EXPECT_EQ(ReadAll(input), kPage);

  RunResult allowed = RunOrvtext(dir, {"-detag", "-overwrite", "a.htm"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_TRUE(Has(ReadAll(input), "<h1>Hello</h1>"));
}

TEST(ConversionTest, TheFirstFailingFileStopsTheBatch) {
  struct Case {
    std::string what;
    std::vector<std::string> files;  // three inputs, the second fails
    std::vector<std::string> arguments;
    std::string first_output, third_output;  // relative to the folder
    std::function<void(const TempFolder&)> spoil;
  };
  const std::vector<Case> cases = {
      {"the output path is a folder",
       {"a.htm", "b.htm", "c.htm"},
       {"a.htm", "b.htm", "c.htm"},
       "a.txt",
       "c.txt",
       [](const TempFolder& d) { d.MakeFolder("b.txt"); }},
      {"the mirrored output folder cannot be made",
       {"in/x/a.htm", "in/y/b.htm", "in/z/c.htm"},
       {"-subfolders", "-tree", "-output=out/*.txt", "in/*.htm"},
       "out/x/a.txt",
       "out/z/c.txt",
       [](const TempFolder& d) { d.Write("out/y", "a file where a folder should be"); }},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    for (const std::string& file : c.files) dir.Write(file, "<p>" + file + "</p>");
    c.spoil(dir);
    RunResult r = RunOrvtext(dir, c.arguments);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_TRUE(Exists(dir.Path() + c.first_output)) << c.what << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, "Processing : \"b.htm\"")) << c.what;
    EXPECT_TRUE(Has(r.err, "ERROR: Failed to complete output pass\n")) << c.what;
    EXPECT_FALSE(Has(r.err, "Processing : \"c.htm\"")) << c.what << "\n" << r.err;
    EXPECT_FALSE(Exists(dir.Path() + c.third_output)) << c.what;
    EXPECT_TRUE(r.err.ends_with("Convert Error: Conversion failed\n")) << c.what;
  }
}

TEST(ConversionTest, BusyBatchesShowNoInfoMessages) {
  TempFolder dir;
  for (int i = 0; i < 101; ++i) dir.Write("p" + std::to_string(i) + ".htm", "<p>x</p>");
  RunResult busy = RunOrvtext(dir, {"*.htm"});
  EXPECT_EQ(busy.status, 0);
  EXPECT_FALSE(Has(busy.err, "INFO:")) << busy.err.substr(0, 500);
  EXPECT_EQ(CountOf(busy.err, "Processing : \""), 101u);
  EXPECT_TRUE(Exists(dir.Path() + "p100.txt"));

  // A reporting level the policies chose is kept.
  dir.Write("level.pol", "Error reporting level : 5\n");
  RunResult chosen = RunOrvtext(dir, {"level.pol", "*.htm"});
  EXPECT_EQ(CountOf(chosen.err, "INFO: Creating output file "), 101u);

  // Exactly 100 files is not yet busy.
  std::filesystem::remove(dir.Path() + "p100.htm");
  RunResult calm = RunOrvtext(dir, {"*.htm"});
  EXPECT_EQ(CountOf(calm.err, "INFO: Creating output file "), 100u);
}

TEST(ConversionTest, PolicyWithoutValueWritesAReadablePolicyFile) {
  TempFolder dir;
  dir.Write("page.htm", kPage);
  RunResult r = RunOrvtext(dir, {"-policy", "page.htm"});
  EXPECT_EQ(r.status, 0);
  const std::string policy = dir.Path() + "page.pol";
  EXPECT_TRUE(Has(r.err, "Generating policy file " + policy + "\n")) << r.err;
  const std::string text = ReadAll(policy);
  EXPECT_TRUE(Has(text, "[Detag]")) << text;

  RunResult again = RunOrvtext(dir, {"page.pol", "page.htm"});
  EXPECT_EQ(again.status, 0);
  EXPECT_FALSE(Has(again.err, "POLICY:")) << again.err;
  EXPECT_FALSE(Has(again.err, "ERROR")) << again.err;

  // With a value, only the parts it gives replace the defaults.
  dir.MakeFolder("pols");
  RunResult named = RunOrvtext(dir, {"-policy=pols/mine", "page.htm"});
  EXPECT_TRUE(Exists(dir.Path() + "pols/mine.pol")) << named.err;
}

TEST(ConversionTest, LogFileHoldsTheSession) {
  TempFolder dir;
  dir.Write("page.htm", kPage);
  RunResult r = RunOrvtext(dir, {"-log=run.txt", "page.htm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(Exists(dir.Path() + "run.txt"));
  const std::string log = ReadAll(dir.Path() + "run.log");
  EXPECT_TRUE(
      log.starts_with("Generating log file " + dir.Path() +
                      "run.log\n"
                      "SESSION: Can't use \".txt\" for a log file.  Changing to \".log\"\n" +
                      kSeparator + "Processing : \"page.htm\"\n"))
      << log;
  EXPECT_TRUE(Has(log, "INFO: Creating output file " + dir.Path() + "page.txt\n")) << log;

  // A silent run keeps its record in the log all the same.
  RunResult silent = RunOrvtext(dir, {"-silent", "-log=quiet.log", "page.htm"});
  EXPECT_EQ(silent.err, "");
  EXPECT_TRUE(Has(ReadAll(dir.Path() + "quiet.log"), "Processing : \"page.htm\""));
}

TEST(ConversionTest, PolicyFilesTakeEffectAndTheStoredDefaultWins) {
  TempFolder dir;
  dir.MakeFolder("out");
  dir.Write("page.htm", kPage);
  dir.Write("nohead.pol", "Remove HTML <HEAD> section : Yes\n");
  dir.Write("keephead.pol", "Remove HTML <HEAD> section : No\n");
  const std::vector<std::string> detag = {"-detag", "-output=out/*.html"};
  const std::string output = dir.Path() + "out/page.html";

  auto run = [&](std::vector<std::string> arguments, const std::string& settings) {
    arguments.insert(arguments.begin(), detag.begin(), detag.end());
    RunResult r = RunOrvtext(dir, arguments, settings);
    EXPECT_EQ(r.status, 0) << r.err;
    return ReadAll(output);
  };
  EXPECT_TRUE(Has(run({"page.htm"}, ""), "<title>"));
  EXPECT_FALSE(Has(run({"nohead.pol", "page.htm"}, ""), "<title>"));

  const std::string settings =
      dir.Write("settings.ini", "[DefaultPolicy]\nFile=" + dir.Path() + "keephead.pol\n");
  EXPECT_TRUE(Has(run({"nohead.pol", "page.htm"}, settings), "<title>"));
}

TEST(ConversionTest, SilentRunsWriteNothingButTheirFiles) {
  TempFolder dir;
  dir.Write("a.htm", kPage);
  dir.Write("bad.pol", "No such policy : 1\n");
  RunResult r = RunOrvtext(dir, {"-silent", "-policy", "-zz", "bad.pol", "a.htm"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Exists(dir.Path() + "a.txt"));
  EXPECT_TRUE(Exists(dir.Path() + "a.pol"));

  // A failed silent run still shows its message box.
  RunResult failed = RunOrvtext(dir, {"-silent", "-detag", "a.htm"});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, "Convert Error: Conversion failed\n");
}

TEST(ConversionTest, PipesNamedAsFilesNeverBlockTheRun) {
  TempFolder dir;
  dir.Write("a.htm", kPage);
  for (const char* name : {"a.txt", "pipe.pol", "a.pol", "run.log"})
    ASSERT_EQ(mkfifo((dir.Path() + name).c_str(), 0644), 0);

  RunResult policy = RunOrvtext(dir, {"pipe.pol", "a.htm"});
  EXPECT_EQ(policy.status, 1);
  EXPECT_TRUE(policy.err.starts_with("Policy File Error: Can't find policy file \"pipe.pol\"\n"))
      << policy.err;
  EXPECT_TRUE(Has(policy.err, "ERROR: Error opening " + dir.Path() + "a.txt\n")) << policy.err;

  // The outputs asked for that cannot be written fail the run.
  RunResult others = RunOrvtext(dir, {"-policy", "-log", "-output=b.txt", "a.htm"});
  EXPECT_EQ(others.status, 1) << others.err;
  EXPECT_TRUE(Has(others.err, "ERROR: Can't open file \"" + dir.Path() + "a.pol\"\n"))
      << others.err;
  EXPECT_TRUE(Exists(dir.Path() + "b.txt"));

  RunResult log = RunOrvtext(dir, {"-log=run.log", "-output=c.txt", "a.htm"});
  EXPECT_EQ(log.status, 1);
  EXPECT_TRUE(Has(log.err, "*** Failed to open log file : " + dir.Path() + "run.log ***\n"))
      << log.err;
}

TEST(ConversionTest, StoredSettingsCanHideTheStatusWindow) {
  TempFolder dir;
  dir.Write("a.htm", kPage);
  const std::string settings = dir.Write("settings.ini", "[DragAndDrop]\nViewStatusWindow=no\n");
  RunResult r = RunOrvtext(dir, {"a.htm"}, settings);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(Exists(dir.Path() + "a.txt"));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The fragments file named by a policy file frames every text output; a
// concatenated output gets its header once and its footer at the end.
TEST(ConversionTest, FragmentsFileFramesTheOutput) {
  testing::TempFolder dir;
  dir.Write("a.htm", "<p>alpha</p>");
  dir.Write("b.htm", "<p>beta</p>");
  dir.Write("frag.txt",
            "$_$_DEFINE_TEXT_FRAGMENT TEXT_HEADER\n[[TEXT_HEADER TITLE]]\n$_$_END_BLOCK\n"
            "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER\n== end ==\n$_$_END_BLOCK\n");
  dir.Write("frag.pol", "Fragments file : frag.txt\nTarget Page width : 30\n");
  testing::RunResult r = testing::RunOrvtext(dir, {"-concat", "frag.pol", "a.htm", "b.htm"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing::ReadAll(dir.Path() + "a.txt"),
            "| Title        :             |\nalpha\n" + std::string(30, '-') +
                "\nbeta\n== end ==\n");
}

// ORVTEXT_THREADS=1 converts each file on one thread: a document large
// enough for the side-by-side stages and the split scans gives the same
// text and the same log as the usual run.
TEST(ConversionTest, OneThreadPerFileGivesTheSameConversion) {
  TempFolder folder;
  std::string page = "<html><head><title>Big</title></head><body>\n";
  for (int n = 0; page.size() < 1500000; ++n) {
    page += "<p>Paragraph " + std::to_string(n) + " of ordinary words &amp; more.<br>\n";
    if (n % 50 == 0)
      page += "<table border=1><tr><td>cell</td><td>" + std::to_string(n) + "</td></tr></table>\n";
    if (n % 70 == 0) page += "<ul><li>item<li>other</ul><!-- note -->\n";
  }
  folder.Write("big.htm", page + "</body></html>\n");
  auto convert = [&](bool one_thread) {
    if (one_thread) setenv("ORVTEXT_THREADS", "1", 1);
    const RunResult run = RunOrvtext(folder, {"big.htm", "-console", "-log=big.log"});
    unsetenv("ORVTEXT_THREADS");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string log = ReadAll(folder.Path() + "big.log");
    const size_t date = run.out.find("| Create date");
    return run.out.substr(0, date) + run.out.substr(run.out.find('\n', date)) + log;
  };
  const std::string usual = convert(false);
  EXPECT_TRUE(Has(usual, "|cell|1450|")) << usual.substr(0, 2000);
  EXPECT_TRUE(convert(true) == usual);
}

}  // namespace
}  // namespace orv
